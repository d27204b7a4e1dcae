#pragma once

#include "settings/SettingKey.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace kalvora {

class SettingsStore;

using TickerKey = SettingKey;

// Every ticker key, with every default: the ticker's, and the dialog's where it shows another.
namespace TickerKeys {
using Kind = SettingKey::Kind;
inline constexpr TickerKey Speed{"tt_speed", "50",  nullptr, true,          Kind::WholeNumber,
                                 0,          65535, "Speed", "milliseconds"};
inline constexpr TickerKey Enabled{"tt_enabled", "0", nullptr, true, Kind::CheckBox};
inline constexpr TickerKey Regellengte{"tt_regellengte",  "50",   nullptr, true,
                                       Kind::WholeNumber, -32768, 32767,   "Regel Lengte",
                                       "blanks"};
// size x 27 twips is the strip's height, which must fit in 16 bits: 1213 points at most.
inline constexpr TickerKey FontSize{"tt_fontsize", "24",        nullptr, true, Kind::Size, 0,
                                    1213,          "Font Size", "points"};
inline constexpr TickerKey Font{"tt_font", "arial", nullptr, true, Kind::Text};
inline constexpr TickerKey Position{"tt_position", "0",   nullptr,    true,   Kind::Number,
                                    -32768,        32767, "Position", "twips"};
// The dialog's swatches start white on black, the strip black on white.
inline constexpr TickerKey BackColor{"tt_backcolor", "16777215", "0",     true,
                                     Kind::Colour,   0,          0xFFFFFF};
inline constexpr TickerKey ForeColor{"tt_forecolor", "0", "16777215", true,
                                     Kind::Colour,   0,   0xFFFFFF};
// Read by the ticker only; nothing writes it.
inline constexpr TickerKey Width{"tt_width", "12030", nullptr, false, Kind::WholeNumber, 1, 32767};

// In the order the dialog saves them.
inline constexpr std::array<const TickerKey*, 9> All = {
    &Speed, &Enabled, &Regellengte, &FontSize, &Font, &Position, &BackColor, &ForeColor, &Width};

QStringList names();
} // namespace TickerKeys

// The ticker keys as values the ticker can use, converted once when they are read. A key that
// cannot be converted falls back to its default and a number out of range is clamped, so a bad
// value never stops the start-up. A default-made TickerSettings holds every key's default.
struct TickerSettings {
    TickerSettings();
    // From stored texts by key; a key that is not there takes its default.
    static TickerSettings fromStored(const QHash<QString, QString>& stored);

    bool enabled;
    // Step interval in milliseconds; 0 means the ticker never steps.
    int intervalMs;
    std::int16_t TtRegellengte; // extra blanks before each run of the text
    double fontSize;            // points
    QString TtFont;
    // How far the strip's bottom sits above the window's bottom, twips.
    double position;
    QColor backColor;
    QColor foreColor;
    std::int16_t TtWidth; // strip width, twips
    // Strip height in twips: the font size times 27, rounded half to even.
    std::int16_t TtHeight;

private:
    struct Unset {};
    explicit TickerSettings(Unset) {}
};

// The ticker keys, in one read of the store.
TickerSettings readTickerSettings(const SettingsStore& store);

// A 0x00BBGGRR colour value as stored, and back.
QColor colorFromBgr(std::int64_t value);
std::int64_t bgrFromColor(const QColor& color);
// The colour a stored text names, or nothing when it names none.
std::optional<QColor> storedColor(const QString& text);

} // namespace kalvora
