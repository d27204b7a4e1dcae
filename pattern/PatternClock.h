#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace kalvora {

// The user's regional long time and short date. Windows: the system locale's formats; other
// systems: the C library's %X and %x, which follow LC_TIME. The program has no format of its own.
QString regionalLongTime(const QDateTime& moment);
QString regionalShortDate(const QDateTime& moment);

// A one-second timer locked to the wall clock: it fires just after each change of the clock's
// second, re-armed from the clock's milliseconds. A free-running 1000 ms timer drifts, so its
// caption lags up to a second and now and then skips one on air; this one does neither.
class SecondTimer : public QObject {
    Q_OBJECT
public:
    explicit SecondTimer(std::function<QDateTime()> now, QObject* parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    int remainingMs() const { return m_timer.remainingTime(); }

    // How long after the change of the second the timer aims to fire, so that a tick that is
    // a little early still lands in the new second.
    static constexpr int MarginMs = 2;

signals:
    void timeout();

private:
    void arm();

    std::function<QDateTime()> m_now;
    QTimer m_timer;
};

} // namespace kalvora
