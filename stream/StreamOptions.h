#pragma once

#include "stream/StreamSettings.h"

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace kalvora {

// The stream's options as `kalvora --stream URL` and Uitzenden's options field take them
// ("--muxrate 1M --audio ident"), each described once: its name, the value it takes, and how
// that value is read and checked.
struct StreamOption {
    const char* name;      // without its dashes
    const char* valueName; // for the usage: R, NAME, N
};
const std::vector<StreamOption>& streamOptions();

// The settings of a stream to `url` with the options given (by name, without dashes), each
// read and checked once, then together: a mux rate or a channel, the limit this build sends,
// the video fitting the mux rate, the service's name and provider. On a mistake: nothing,
// and why, in one line that names the value.
struct StreamSettingsRead {
    std::optional<StreamSettings> settings;
    QString problem;
    QString note; // what was chosen for the operator (--size auto), to tell them
};
// The picture size for --size auto: larger as the video bitrate allows (160 x 112 on a very
// narrow channel up to 1920 x 1080), for `codec`; 16:9 sizes when `wide`.
QSize sizeForBitrate(qint64 videoBitrate, const QString& codec, bool wide);

StreamSettingsRead readStreamSettings(const QString& url, const QHash<QString, QString>& given);

} // namespace kalvora
