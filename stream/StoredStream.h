#pragma once

#include "settings/SettingKey.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>

namespace kalvora {

class SettingsStore;

// Every key of Bestand > Uitzenden's stream, with its default.
namespace StreamKeys {
// Where the stream goes, and its options as on the command line after --stream URL
// ("--muxrate 1M --audio ident").
inline constexpr SettingKey Url{"stream_url", "udp://127.0.0.1:1314"};
inline constexpr SettingKey Options{"stream_options", ""};
// The transmitter or program chosen in Uitzenden, by its key (see StreamDestination).
inline constexpr SettingKey Destination{"stream_destination", "modulator"};
inline constexpr std::array<const SettingKey*, 3> All = {&Url, &Options, &Destination};
QStringList names();
} // namespace StreamKeys

// The stream's keys as the panel's stream and its window use them, read in one go.
struct StoredStream {
    QString url;
    QString options;
    QString destination;

    // From stored texts by key; a key that is not there takes its default.
    static StoredStream fromStored(const QHash<QString, QString>& stored);
    // Read from the store.
    static StoredStream readFrom(const SettingsStore& store);
    // Stores all three, or none; false when they could not be stored.
    bool storeIn(SettingsStore& store) const;
};

} // namespace kalvora
