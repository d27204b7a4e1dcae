#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

namespace kalvora {

class StationClock;

// A repeating event on the station's clock, handled like a timer (start, stop, interval). Its
// moments are counted from its start, so it never drifts: the n-th comes at start + n x period
// whenever the ones before were handled. A moment the clock reached more than a period late is
// skipped and counted (missed()), never made up in a burst.
//
// A wall-second beat fires just after each change of the wall clock's second instead, re-armed
// from the clock's milliseconds each time: a free-running 1000 ms timer drifts, so a caption
// on it lags up to a second and now and then skips one on air.
class Beat : public QObject {
    Q_OBJECT
public:
    enum class Kind { Interval, WallSecond };
    explicit Beat(StationClock& clock, Kind kind = Kind::Interval, QObject* parent = nullptr);
    ~Beat() override;

    void start();
    void start(int intervalMs);
    void stop();
    bool isActive() const { return m_active; }
    void setInterval(int ms) { m_period = ms; }
    int interval() const { return int(m_period); }
    // A period that need not be whole milliseconds (frames at 30 per second).
    void setPeriod(double ms) { m_period = ms; }
    double period() const { return m_period; }
    // Milliseconds until the next moment; -1 when stopped.
    int remainingMs() const;
    // Moments skipped since the start because the clock came too late for them.
    qint64 missed() const { return m_missed; }
    // Which moment is being served, counted from 1 at the first after the start (skipped
    // ones counted too): the frame number of a frame output.
    qint64 moment() const { return m_served; }

    // How long after the change of the second a wall-second beat aims to fire, so that one
    // that is a little early still lands in the new second.
    static constexpr int MarginMs = 2;

signals:
    void timeout();

private:
    friend class StationClock;
    // Sets the next moment after the one at m_due, `now` being the clock's time.
    void advance(double now);
    double wallSecondDue(double now) const;

    StationClock& m_clock;
    const Kind m_kind;
    double m_period = 0;
    bool m_active = false;
    double m_origin = 0;
    qint64 m_index = 0;
    double m_due = 0;
    qint64 m_missed = 0;
    qint64 m_served = 0;
    quint64 m_lastWake = 0;
};

// The one clock that drives what goes on air: the second tick, the ticker's steps and the frames
// of every frame output are beats on it, served by a single precise timer, in the order they
// come due. Handing them out from one place keeps their moments in a fixed relation (a frame
// output can tell which ticker step a frame shows) and wakes the program once for all of them.
class StationClock : public QObject {
    Q_OBJECT
public:
    // `wallClock` gives the time of day (the platform's, or a test's).
    explicit StationClock(std::function<QDateTime()> wallClock, QObject* parent = nullptr);
    ~StationClock() override;

    // Milliseconds since the clock was made, with sub-millisecond precision.
    double now() const { return double(m_elapsed.nsecsElapsed()) / 1e6; }
    QDateTime wallTime() const { return m_wallClock(); }

private:
    friend class Beat;
    void attach(Beat* beat) { m_beats.append(beat); }
    void detach(Beat* beat);
    // Arms the timer for the earliest moment of all running beats.
    void reschedule();
    // Fires every beat that is due, each once, earliest first.
    void wake();

    std::function<QDateTime()> m_wallClock;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    QList<Beat*> m_beats;
    bool m_waking = false;
    quint64 m_wakes = 0;
};

} // namespace kalvora
