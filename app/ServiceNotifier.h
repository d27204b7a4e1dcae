#pragma once

#include <QObject>
#include <QString>

namespace kalvora {

class Station;

// Tells systemd how a headless Kalvora run as a service is (Type=notify): ready once the
// station runs, a status line for `systemctl status`, and, where the unit sets WatchdogSec=,
// "still alive" on the station's second tick. A process whose clock hangs stops saying it, and
// systemd restarts it. Does nothing where systemd did not start
// the program, and on systems without it.
class ServiceNotifier : public QObject {
    Q_OBJECT
public:
    explicit ServiceNotifier(Station& station, QObject* parent = nullptr);

    void ready();
    void status(const QString& text);
    // Whether systemd asked for "still alive" (WatchdogSec=).
    bool watched() const { return m_watched; }

private:
    bool m_watched = false;
};

} // namespace kalvora
