#include "clock/StationClock.h"

#include <cmath>

namespace kalvora {

Beat::Beat(StationClock& clock, Kind kind, QObject* parent)
    : QObject(parent), m_clock(clock), m_kind(kind) {
    clock.attach(this);
}

Beat::~Beat() {
    m_clock.detach(this);
}

double Beat::wallSecondDue(double now) const {
    return now + (1000 - m_clock.wallTime().time().msec() + MarginMs);
}

void Beat::start() {
    const double now = m_clock.now();
    m_active = true;
    m_origin = now;
    m_index = 1;
    m_missed = 0;
    m_served = 0;
    m_due = m_kind == Kind::WallSecond ? wallSecondDue(now) : now + m_period;
    m_clock.reschedule();
}

void Beat::start(int intervalMs) {
    setInterval(intervalMs);
    start();
}

void Beat::stop() {
    m_active = false;
    m_clock.reschedule();
}

int Beat::remainingMs() const {
    if (!m_active)
        return -1;
    return std::max(0, int(std::ceil(m_due - m_clock.now())));
}

void Beat::advance(double now) {
    m_served = m_index;
    if (m_kind == Kind::WallSecond) {
        m_due = wallSecondDue(now);
        return;
    }
    ++m_index;
    if (m_period > 0)
        while (m_origin + double(m_index) * m_period < now - m_period) {
            ++m_index;
            ++m_missed;
        }
    m_due = m_origin + double(m_index) * m_period;
}

StationClock::StationClock(std::function<QDateTime()> wallClock, QObject* parent)
    : QObject(parent), m_wallClock(std::move(wallClock)) {
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StationClock::wake);
}

StationClock::~StationClock() = default;

void StationClock::detach(Beat* beat) {
    m_beats.removeOne(beat);
    reschedule();
}

void StationClock::reschedule() {
    if (m_waking)
        return; // the wake arms the timer when it is done
    double earliest = -1;
    for (const Beat* beat : std::as_const(m_beats))
        if (beat->m_active && (earliest < 0 || beat->m_due < earliest))
            earliest = beat->m_due;
    if (earliest < 0) {
        m_timer.stop();
        return;
    }
    m_timer.start(std::max(0, int(std::ceil(earliest - now()))));
}

void StationClock::wake() {
    if (m_waking)
        return;
    m_waking = true;
    const quint64 wake = ++m_wakes;
    for (;;) {
        // A handler may start, stop or delete beats: the list is looked at afresh each time.
        const double time = now();
        Beat* next = nullptr;
        for (Beat* beat : std::as_const(m_beats))
            if (beat->m_active && beat->m_lastWake != wake && beat->m_due <= time &&
                (!next || beat->m_due < next->m_due))
                next = beat;
        if (!next)
            break;
        next->m_lastWake = wake;
        next->advance(time);
        emit next->timeout();
    }
    m_waking = false;
    reschedule();
}

} // namespace kalvora
