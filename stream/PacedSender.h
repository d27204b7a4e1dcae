#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kalvora {

// The clock a pacer sleeps by; a test gives one that it sets itself.
class PacingClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~PacingClock() = default;
    virtual TimePoint now() = 0;
    virtual void sleepUntil(TimePoint when) = 0;
    // The monotonic clock of the system.
    static PacingClock& system();
};

// When each datagram of a stream at a constant bit rate is due: counted from its start by the
// bits sent before it, on an absolute timeline. A datagram that is late (the sender woke late,
// or had nothing to send) is due at once, so the time a late wake-up took is made up by the
// ones after it and the rate stays the rate over any longer time. Only a sender more than
// `maxLag` behind (a stall: the process stopped, a stream that dried up) starts the count again;
// that time is lost, and counted.
class Pacer {
public:
    Pacer(PacingClock& clock, qint64 bitsPerSecond,
          std::chrono::nanoseconds maxLag = std::chrono::seconds(1));

    // Waits until a datagram of `bytes` may go (not at all when it is late).
    void waitTurn(qint64 bytes);
    // More than `maxLag` behind: what was missed cannot be made up without a burst.
    bool stalled() const;
    // The next datagram starts the count again.
    void restart();
    int restarts() const { return m_restarts; }

private:
    PacingClock& m_clock;
    const qint64 m_rate;
    const std::chrono::nanoseconds m_maxLag;
    bool m_started = false;
    PacingClock::TimePoint due() const;

    PacingClock::TimePoint m_start;
    qint64 m_bits = 0; // sent since m_start, always less than a second's worth
    int m_restarts = 0;
};

// Sends a transport stream as datagrams, evenly at its mux rate by the system's clock, on a
// thread of its own at a raised priority where the system allows it. The muxer writes into it
// as the frames come; it keeps a little ahead (`prebuffer`) so that a frame that is late does
// not leave the receiver without packets.
class PacedSender {
public:
    // Sends one datagram; 0, or a negative error code.
    using Send = std::function<int(const char* data, int size)>;

    PacedSender(qint64 bitsPerSecond, int datagramBytes, Send send,
                std::chrono::milliseconds prebuffer = std::chrono::milliseconds(200),
                PacingClock& clock = PacingClock::system());
    ~PacedSender();
    PacedSender(const PacedSender&) = delete;
    PacedSender& operator=(const PacedSender&) = delete;

    // What write() gives once stop() came, where sending did not fail before.
    static constexpr int Stopped = INT_MIN;

    // Queues what the muxer wrote; whole datagrams go as they are due. Waits while a few
    // seconds are queued already. 0; the send's error (negative) once sending failed; or
    // Stopped.
    int write(const uchar* data, int size);
    // Sends what is queued, the last short datagram too, at the rate; waits at most `timeout`.
    void finish(std::chrono::milliseconds timeout);
    // Ends every wait, from any thread; nothing more is sent.
    void stop();

    qint64 bytesSent() const { return m_bytesSent; }

private:
    void run();
    void queueDatagram(QByteArray datagram);

    const int m_datagramBytes;
    const qint64 m_prebufferBytes;
    const qint64 m_maxQueuedBytes;
    Send m_send;
    Pacer m_pacer;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue;
    qint64 m_queuedBytes = 0;
    QByteArray m_partial;  // less than a datagram, waiting for the rest
    bool m_primed = false; // the prebuffer was reached: send as due
    bool m_finishing = false;
    bool m_stopped = false;
    int m_error = 0;
    std::atomic<qint64> m_bytesSent{0};
    std::thread m_thread;
};

} // namespace kalvora
