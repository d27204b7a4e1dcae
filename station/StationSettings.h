#pragma once

#include "settings/SettingKey.h"
#include "station/Placement.h"
#include "station/Schedule.h"

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
// The card pattern 1's window shows (see Cards): the test card unless the operator chose another.
inline constexpr SettingKey ChosenCard{"chosen_card", "1"};
// The contest card's band, and its contest number on each band: "23cm=12;13cm=4".
inline constexpr SettingKey ContestBand{"contest_band", "23cm"};
inline constexpr SettingKey ContestNumbers{"contest_numbers", ""};
// The pictures of the cards folder that show the clock and date, by file name: "a.png;b.jpg".
inline constexpr SettingKey CardsWithClock{"cards_with_clock", ""};
// A repeater's schedule (see Rooster): UTC operating hours "07:00-23:30,22:00-02:00", the
// carousel "1=60,2=20", the ident card every N minutes for S seconds, standby at start.
inline constexpr SettingKey OnAirHours{"on_air_hours", ""};
inline constexpr SettingKey CarouselCards{"carousel", ""};
inline constexpr SettingKey IdentCardMinutes{"ident_card_minutes", "0"};
inline constexpr SettingKey IdentCardSeconds{"ident_card_seconds", "0"};
inline constexpr SettingKey StandbyAtStart{"standby_at_start", "0"};

// The station texts, Text1 to Text5, in order.
inline constexpr std::array<const SettingKey*, 5> Texts = {&Text1, &Text2, &Text3, &Text4, &Text5};
// The stream's keys are in stream/StoredStream.h.
inline constexpr std::array<const SettingKey*, 17> All = {&Text1,
                                                          &Text2,
                                                          &Text3,
                                                          &Text4,
                                                          &Text5,
                                                          &OutputScreen,
                                                          &OutputScale,
                                                          &PreviewGeometry,
                                                          &ChosenCard,
                                                          &ContestBand,
                                                          &ContestNumbers,
                                                          &CardsWithClock,
                                                          &OnAirHours,
                                                          &CarouselCards,
                                                          &IdentCardMinutes,
                                                          &IdentCardSeconds,
                                                          &StandbyAtStart};

QStringList names();
} // namespace StationKeys

// The station keys as the station uses them, converted once when read.
struct StationSettings {
    static constexpr int TextCount = 5;
    std::array<QString, TextCount> texts; // Text1 .. Text5
    QString outputScreen;
    kalvora::OutputScale outputScale = kalvora::OutputScale::OneToOne;
    QString chosenCard;
    QString contestBand;
    QHash<QString, int> contestNumbers; // by band, 0 to 9999
    QStringList cardsWithClock;
    // A stored value that is not one counts as not set.
    Rooster rooster;

    // From stored texts by key; a key that is not there takes its default.
    static StationSettings fromStored(const QHash<QString, QString>& stored);
};

// The contest numbers by band as the settings keep them ("23cm=12;13cm=4"), and back.
QHash<QString, int> contestNumbersFrom(const QString& stored);
QString contestNumbersText(const QHash<QString, int>& numbers);

// The station keys, in one read of the store.
StationSettings readStationSettings(const SettingsStore& store);

} // namespace kalvora
