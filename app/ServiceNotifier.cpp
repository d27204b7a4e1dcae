#include "app/ServiceNotifier.h"

#include "station/Station.h"

#ifdef KALVORA_HAS_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace kalvora {

namespace {

void notify(const QString& state) {
#ifdef KALVORA_HAS_SYSTEMD
    sd_notify(0, state.toUtf8().constData());
#else
    Q_UNUSED(state);
#endif
}

} // namespace

ServiceNotifier::ServiceNotifier(Station& station, QObject* parent) : QObject(parent) {
#ifdef KALVORA_HAS_SYSTEMD
    uint64_t interval = 0;
    m_watched = sd_watchdog_enabled(0, &interval) > 0;
#endif
    // Every second from the station clock: systemd wants it at least once per WatchdogSec.
    if (m_watched)
        connect(&station, &Station::timeChanged, this,
                [] { notify(QStringLiteral("WATCHDOG=1")); });
}

void ServiceNotifier::ready() {
    notify(QStringLiteral("READY=1"));
}

void ServiceNotifier::status(const QString& text) {
    notify(QStringLiteral("STATUS=") + text);
}

} // namespace kalvora
