#include "ticker/TickerSettings.h"

#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"

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
    return usableNumber(text, key).value_or(toDouble(key.defaultText()).value);
}

} // namespace

QStringList TickerKeys::names() {
    return keyNames(All);
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

TickerSettings::TickerSettings() : TickerSettings(fromStored({})) {}

TickerSettings TickerSettings::fromStored(const QHash<QString, QString>& stored) {
    const auto text = [&stored](const TickerKey& key) { return key.storedText(stored); };
    const auto colour = [&text](const TickerKey& key) {
        return storedColor(text(key)).value_or(*storedColor(key.defaultText()));
    };
    TickerSettings s{Unset{}};
    const Converted<double> enabled = toDouble(text(TickerKeys::Enabled));
    s.enabled = enabled.ok() && enabled.value != 0;
    s.intervalMs = static_cast<int>(numberOr(text(TickerKeys::Speed), TickerKeys::Speed));
    s.TtRegellengte =
        static_cast<std::int16_t>(numberOr(text(TickerKeys::Regellengte), TickerKeys::Regellengte));
    const Converted<double> size = toDouble(text(TickerKeys::FontSize));
    s.fontSize = !size.ok() || size.value <= TickerKeys::FontSize.low
                     ? toDouble(TickerKeys::FontSize.defaultText()).value
                     : std::min(size.value, TickerKeys::FontSize.high);
    s.TtFont = text(TickerKeys::Font);
    s.position = numberOr(text(TickerKeys::Position), TickerKeys::Position);
    s.backColor = colour(TickerKeys::BackColor);
    s.foreColor = colour(TickerKeys::ForeColor);
    s.TtWidth = static_cast<std::int16_t>(numberOr(text(TickerKeys::Width), TickerKeys::Width));
    s.TtHeight = static_cast<std::int16_t>(roundHalfEven(s.fontSize * 27));
    return s;
}

TickerSettings readTickerSettings(const SettingsStore& store) {
    return TickerSettings::fromStored(store.ReadSettings(TickerKeys::names()));
}

} // namespace kalvora
