#include "stream/PacedSender.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
// (after windows.h, which it needs)
#include <timeapi.h>
#endif

namespace kalvora {

namespace {

class SystemClock : public PacingClock {
public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    void sleepUntil(TimePoint when) override {
#ifdef Q_OS_LINUX
        // To the deadline itself, not for a span worked out a moment earlier: steady_clock is
        // CLOCK_MONOTONIC here.
        const auto since = when.time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        const timespec deadline{time_t(seconds.count()),
                                long(std::chrono::nanoseconds(since - seconds).count())};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
#else
        std::this_thread::sleep_until(when);
#endif
    }
};

// A sender that wakes late sends late: above ordinary work where the system lets us, with the
// timer's slack taken out (Linux) or its resolution raised to a millisecond (Windows).
// On Linux a niceness of its own, not a realtime class: with both cores busy it keeps the
// datagrams as even as realtime did, while a realtime thread waking a few hundred times a
// second cost several times the CPU of the sending itself (the scheduler moving it between
// cores, dearest on a virtual machine).
void raiseThisThreadsPriority() {
#ifdef Q_OS_LINUX
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), -10);
#elif defined(Q_OS_WIN)
    timeBeginPeriod(1);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
#endif
}

void restoreTimerResolution() {
#ifdef Q_OS_WIN
    timeEndPeriod(1);
#endif
}

} // namespace

PacingClock& PacingClock::system() {
    static SystemClock clock;
    return clock;
}

Pacer::Pacer(PacingClock& clock, qint64 bitsPerSecond, std::chrono::nanoseconds maxLag)
    : m_clock(clock), m_rate(std::max<qint64>(1, bitsPerSecond)), m_maxLag(maxLag) {}

PacingClock::TimePoint Pacer::due() const {
    return m_start + std::chrono::nanoseconds(m_bits * 1000000000 / m_rate);
}

void Pacer::waitTurn(qint64 bytes) {
    const PacingClock::TimePoint now = m_clock.now();
    if (!m_started) {
        m_started = true;
        m_start = now;
        m_bits = 0;
    }
    if (now < due())
        m_clock.sleepUntil(due());
    m_bits += bytes * 8;
    // Whole seconds move the start on, so that the sum never grows large.
    while (m_bits >= m_rate) {
        m_start += std::chrono::seconds(1);
        m_bits -= m_rate;
    }
}

bool Pacer::stalled() const {
    return m_started && m_clock.now() - due() > m_maxLag;
}

void Pacer::restart() {
    m_started = false;
    ++m_restarts;
}

PacedSender::PacedSender(qint64 bitsPerSecond, int datagramBytes, Send send,
                         std::chrono::milliseconds prebuffer, PacingClock& clock)
    : m_datagramBytes(datagramBytes),
      m_prebufferBytes(
          std::max<qint64>(datagramBytes, bitsPerSecond / 8 * prebuffer.count() / 1000)),
      m_maxQueuedBytes(std::max<qint64>(64 * datagramBytes, bitsPerSecond / 8 * 3)),
      m_send(std::move(send)), m_pacer(clock, bitsPerSecond) {
    m_thread = std::thread(&PacedSender::run, this);
}

PacedSender::~PacedSender() {
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void PacedSender::queueDatagram(QByteArray datagram) {
    m_queuedBytes += datagram.size();
    m_queue.push_back(std::move(datagram));
}

int PacedSender::write(const uchar* data, int size) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_stopped)
        return m_error ? m_error : Stopped;
    m_partial.append(reinterpret_cast<const char*>(data), size);
    qsizetype at = 0;
    for (; m_partial.size() - at >= m_datagramBytes; at += m_datagramBytes)
        queueDatagram(m_partial.mid(at, m_datagramBytes));
    m_partial.remove(0, at);
    m_changed.notify_all();
    // The muxer is ahead by seconds only when the network takes less than it should: it waits.
    m_changed.wait(lock, [this] { return m_stopped || m_queuedBytes <= m_maxQueuedBytes; });
    return !m_stopped ? 0 : m_error ? m_error : Stopped;
}

void PacedSender::finish(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_partial.isEmpty())
        queueDatagram(std::exchange(m_partial, QByteArray()));
    m_finishing = true;
    m_changed.notify_all();
    m_changed.wait_for(lock, timeout, [this] { return m_stopped || m_queue.empty(); });
    lock.unlock();
    stop();
}

void PacedSender::stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    m_changed.notify_all();
}

void PacedSender::run() {
    raiseThisThreadsPriority();
    for (;;) {
        QByteArray datagram;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] {
                return m_stopped || (!m_queue.empty() && (m_primed || m_finishing ||
                                                          m_queuedBytes >= m_prebufferBytes));
            });
            if (m_stopped)
                break;
            m_primed = true;
            datagram = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedBytes -= datagram.size();
            m_changed.notify_all();
        }
        if (m_pacer.stalled()) {
            // After a stall the stream starts afresh, ahead again by the prebuffer.
            m_pacer.restart();
            std::lock_guard<std::mutex> lock(m_mutex);
            m_primed = m_finishing;
            m_queuedBytes += datagram.size();
            m_queue.push_front(std::move(datagram));
            continue;
        }
        m_pacer.waitTurn(datagram.size());
        const int code = m_send(datagram.constData(), int(datagram.size()));
        std::lock_guard<std::mutex> lock(m_mutex);
        if (code < 0) {
            m_error = code;
            m_stopped = true;
            m_changed.notify_all();
            break;
        }
        m_bytesSent += datagram.size();
        if (m_queue.empty())
            m_changed.notify_all(); // finish() waits for that
    }
    restoreTimerResolution();
}

} // namespace kalvora
