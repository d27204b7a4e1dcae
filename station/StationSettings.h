#pragma once

#include "settings/SettingKey.h"
#include "station/Placement.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>

namespace kalvora {

class SettingsStore;

// Every key of the station, with its default: the control panel's five fields, the output
// choice and the preview's place.
namespace StationKeys {
using Kind = SettingKey::Kind;
inline constexpr SettingKey Text1{"Text1", "QQ0ABC"};      // pattern 1's call sign
inline constexpr SettingKey Text2{"Text2", "144.750 MHz"}; // pattern 1's talk-back frequency
inline constexpr SettingKey Text3{"Text3", "QQ0ABC"};      // pattern 2's call sign
inline constexpr SettingKey Text4{"Text4", "144.750 MHz"}; // pattern 2's frequency
inline constexpr SettingKey Text5{"Text5", "AA00AA"};      // pattern 1's grid locator
// The screen that feeds the transmitter by name; empty: the automatic rule.
inline constexpr SettingKey OutputScreen{"output_screen", ""};
// "1:1", "fit" or "fill" (see OutputScale); anything else counts as 1:1.
inline constexpr SettingKey OutputScale{"output_scale", "1:1"};
// x,y,width,height of the preview window; empty: not placed yet.
inline constexpr SettingKey PreviewGeometry{"preview_geometry", ""};

// The station texts, Text1 to Text5, in order.
inline constexpr std::array<const SettingKey*, 5> Texts = {&Text1, &Text2, &Text3, &Text4, &Text5};
// The stream's keys are in stream/StoredStream.h.
inline constexpr std::array<const SettingKey*, 8> All = {
    &Text1, &Text2, &Text3, &Text4, &Text5, &OutputScreen, &OutputScale, &PreviewGeometry};

QStringList names();
} // namespace StationKeys

// The station keys as the station uses them, converted once when read.
struct StationSettings {
    static constexpr int TextCount = 5;
    std::array<QString, TextCount> texts; // Text1 .. Text5
    QString outputScreen;
    kalvora::OutputScale outputScale = kalvora::OutputScale::OneToOne;

    // From stored texts by key; a key that is not there takes its default.
    static StationSettings fromStored(const QHash<QString, QString>& stored);
};

// The station keys, in one read of the store.
StationSettings readStationSettings(const SettingsStore& store);

} // namespace kalvora
