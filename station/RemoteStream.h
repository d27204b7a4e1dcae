#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>

namespace kalvora {

// The program's stream as a remote client sees and steers it: the panel's (Bestand >
// Uitzenden) or the headless one. Unset parts: there is no stream to steer.
struct RemoteStream {
    // {"wanted", "streaming", "state" (the operator's text), "bitrate_kbit", "dropped",
    // "last_error"}
    std::function<QJsonObject()> state;
    std::function<QString()> start; // why it could not start; empty when it did
    std::function<void()> stop;
};

} // namespace kalvora
