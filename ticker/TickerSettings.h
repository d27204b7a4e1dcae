#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace kalvora {

class SettingsStore;

// Every ticker key in one place: its name, what the ticker falls back to when it is absent,
// what the settings dialog falls back to, and which values are accepted. The ticker's reading,
// the dialog's load, validation and save, and the tests all go by this table.
struct TickerKey {
    enum class Kind {
        Text,        // free text (the font name)
        CheckBox,    // "1" ticked, "0" not
        WholeNumber, // a number, rounded half to even, from `low` to `high`
        Number,      // a number from `low` to `high`
        Size,        // a number above `low`, up to `high`
        Colour,      // a 0x00BBGGRR value as decimal text
    };

    const char* name;          // the settings key; also the dialog control's name
    const char* tickerDefault; // what Lees_TT_Settings uses when the key is absent
    // What the dialog shows when the key is absent; nullptr: what its control already shows.
    const char* dialogDefault;
    bool inDialog;             // shown, and written on "Save"
    Kind kind;
    double low = 0;
    double high = 0;
    const char* label = nullptr; // how the dialog names the field
    const char* unit = nullptr;

    QString key() const { return QString::fromLatin1(name); }
    // Why the dialog cannot store `text` under this key, or empty when it can.
    QString problemWith(const QString& text) const;
};

namespace TickerKeys {
using Kind = TickerKey::Kind;
inline constexpr TickerKey Speed{"tt_speed", "50", nullptr, true, Kind::WholeNumber,
                                 0, 65535, "Speed", "milliseconds"};
inline constexpr TickerKey Enabled{"tt_enabled", "0", nullptr, true, Kind::CheckBox};
inline constexpr TickerKey Regellengte{"tt_regellengte", "50", "50", true, Kind::WholeNumber,
                                       -32768, 32767, "Regel Lengte", "blanks"};
// size x 27 twips is the strip's height, which must fit in 16 bits: 1213 points at most.
inline constexpr TickerKey FontSize{"tt_fontsize", "24", "24", true, Kind::Size,
                                    0, 1213, "Font Size", "points"};
inline constexpr TickerKey Font{"tt_font", "arial", "arial", true, Kind::Text};
inline constexpr TickerKey Position{"tt_position", "0", "0", true, Kind::Number,
                                    -32768, 32767, "Position", "twips"};
inline constexpr TickerKey BackColor{"tt_backcolor", "16777215", nullptr, true, Kind::Colour,
                                     0, 0xFFFFFF};
inline constexpr TickerKey ForeColor{"tt_forecolor", "0", nullptr, true, Kind::Colour,
                                     0, 0xFFFFFF};
// Read by the ticker only; nothing writes it.
inline constexpr TickerKey Width{"tt_width", "12030", nullptr, false, Kind::WholeNumber,
                                 1, 32767};

// In the order the dialog saves them.
inline constexpr std::array<const TickerKey*, 9> All = {
    &Speed, &Enabled, &Regellengte, &FontSize, &Font, &Position, &BackColor, &ForeColor, &Width};
} // namespace TickerKeys

// The ticker keys as Lees_TT_Settings reads them. The `Tt*` fields keep the stored text where
// the ticker converts it late; the functions below hand out the values the ticker can use. A
// key that cannot be converted falls back to its default and a number out of range is
// clamped, so a bad value never stops the start-up.
struct TickerSettings {
    QString TtSpeed = QString::fromLatin1(TickerKeys::Speed.tickerDefault);
    std::int16_t TtRegellengte = 50;
    QString TtEnabled = QString::fromLatin1(TickerKeys::Enabled.tickerDefault);
    QString TtFontSize = QString::fromLatin1(TickerKeys::FontSize.tickerDefault);
    std::int16_t TtWidth = 12030;
    QString TtBackColor = QString::fromLatin1(TickerKeys::BackColor.tickerDefault);
    QString TtForeColor = QString::fromLatin1(TickerKeys::ForeColor.tickerDefault);
    QString TtFont = QString::fromLatin1(TickerKeys::Font.tickerDefault);
    QString TtPosition = QString::fromLatin1(TickerKeys::Position.tickerDefault);
    // Strip height in twips: the font size times 27, rounded half to even.
    std::int16_t TtHeight = 648;

    bool enabled() const;
    // Step interval in milliseconds; 0 means the ticker never steps.
    int intervalMs() const;
    double fontSize() const;
    QColor backColor() const;
    QColor foreColor() const;
    // How far the strip's bottom sits above the window's bottom, twips.
    double position() const;
};

TickerSettings readTickerSettings(const SettingsStore& store);

// A 0x00BBGGRR colour value as stored, and back.
QColor colorFromBgr(std::int64_t value);
std::int64_t bgrFromColor(const QColor& color);
// The colour a stored text names, or nothing when it names none.
std::optional<QColor> storedColor(const QString& text);

} // namespace kalvora
