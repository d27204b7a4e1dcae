#include "ticker/TickerSettings.h"

#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"

#include <QCoreApplication>
#include <algorithm>

namespace kalvora {

namespace {

// The number a stored text gives for `key`, rounded and clamped as its kind says; nothing when
// the text is not a number.
std::optional<double> usableNumber(const QString& text, const TickerKey& key) {
    const Converted<double> number = toDouble(text);
    if (!number.ok())
        return std::nullopt;
    const double value =
        key.kind == TickerKey::Kind::WholeNumber ? roundHalfEven(number.value) : number.value;
    return std::clamp(value, key.low, key.high);
}

double numberOr(const QString& text, const TickerKey& key) {
    return usableNumber(text, key).value_or(toDouble(QString::fromLatin1(key.tickerDefault)).value);
}

QString translated(const char* text) {
    return QCoreApplication::translate("TickerSettings", text);
}

} // namespace

QString TickerKey::problemWith(const QString& text) const {
    if (kind == Kind::Text || kind == Kind::CheckBox || kind == Kind::Colour)
        return QString();
    const Converted<double> number = toDouble(text);
    double value = number.value;
    if (number.ok() && kind == Kind::WholeNumber)
        value = roundHalfEven(value);
    const bool inRange = kind == Kind::Size ? value > low && value <= high
                                            : value >= low && value <= high;
    if (number.ok() && inRange)
        return QString();
    const QString field = translated(label);
    const QString units = translated(unit);
    if (kind == Kind::Size)
        return translated("%1 must be a number above %2, up to %3 (%4).")
            .arg(field)
            .arg(low)
            .arg(high)
            .arg(units);
    return translated("%1 must be a number from %2 to %3 (%4).")
        .arg(field)
        .arg(low)
        .arg(high)
        .arg(units);
}

QColor colorFromBgr(std::int64_t value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::int64_t bgrFromColor(const QColor& color) {
    return std::int64_t(color.red()) | (std::int64_t(color.green()) << 8) |
           (std::int64_t(color.blue()) << 16);
}

std::optional<QColor> storedColor(const QString& text) {
    const Converted<double> number = toDouble(text);
    const double rounded = number.ok() ? roundHalfEven(number.value) : -1;
    if (rounded < TickerKeys::BackColor.low || rounded > TickerKeys::BackColor.high)
        return std::nullopt;
    return colorFromBgr(static_cast<std::int64_t>(rounded));
}

bool TickerSettings::enabled() const {
    const Converted<double> number = toDouble(TtEnabled);
    return number.ok() && number.value != 0;
}

int TickerSettings::intervalMs() const {
    return static_cast<int>(numberOr(TtSpeed, TickerKeys::Speed));
}

double TickerSettings::fontSize() const {
    const Converted<double> number = toDouble(TtFontSize);
    if (!number.ok() || number.value <= TickerKeys::FontSize.low)
        return toDouble(QString::fromLatin1(TickerKeys::FontSize.tickerDefault)).value;
    return std::min(number.value, TickerKeys::FontSize.high);
}

QColor TickerSettings::backColor() const {
    return storedColor(TtBackColor)
        .value_or(*storedColor(QString::fromLatin1(TickerKeys::BackColor.tickerDefault)));
}

QColor TickerSettings::foreColor() const {
    return storedColor(TtForeColor)
        .value_or(*storedColor(QString::fromLatin1(TickerKeys::ForeColor.tickerDefault)));
}

double TickerSettings::position() const {
    return numberOr(TtPosition, TickerKeys::Position);
}

TickerSettings readTickerSettings(const SettingsStore& store) {
    const auto read = [&store](const TickerKey& key) {
        return store.ReadSetting(key.key(), QString::fromLatin1(key.tickerDefault));
    };
    TickerSettings s;
    s.TtSpeed = read(TickerKeys::Speed);
    s.TtRegellengte = static_cast<std::int16_t>(
        numberOr(read(TickerKeys::Regellengte), TickerKeys::Regellengte));
    s.TtEnabled = read(TickerKeys::Enabled);
    s.TtFontSize = read(TickerKeys::FontSize);
    s.TtWidth = static_cast<std::int16_t>(numberOr(read(TickerKeys::Width), TickerKeys::Width));
    s.TtBackColor = read(TickerKeys::BackColor);
    s.TtForeColor = read(TickerKeys::ForeColor);
    s.TtFont = read(TickerKeys::Font);
    s.TtPosition = read(TickerKeys::Position);
    s.TtHeight = static_cast<std::int16_t>(roundHalfEven(s.fontSize() * 27));
    return s;
}

} // namespace kalvora
