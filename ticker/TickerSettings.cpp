#include "ticker/TickerSettings.h"

#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"

#include <algorithm>

namespace kalvora {

namespace {

constexpr std::int64_t White = 0xFFFFFF;
constexpr double DefaultFontSize = 24;

std::int16_t clampedInt16(const QString& text, std::int16_t fallback) {
    const Converted<double> number = toDouble(text);
    if (!number.ok())
        return fallback;
    return static_cast<std::int16_t>(std::clamp(roundHalfEven(number.value), -32768.0, 32767.0));
}

QColor storedColor(const QString& text, std::int64_t fallback) {
    const Converted<double> number = toDouble(text);
    const double rounded = number.ok() ? roundHalfEven(number.value) : -1;
    if (rounded < 0 || rounded > White)
        return colorFromBgr(fallback);
    return colorFromBgr(static_cast<std::int64_t>(rounded));
}

} // namespace

QColor colorFromBgr(std::int64_t value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::int64_t bgrFromColor(const QColor& color) {
    return std::int64_t(color.red()) | (std::int64_t(color.green()) << 8) |
           (std::int64_t(color.blue()) << 16);
}

bool TickerSettings::enabled() const {
    const Converted<double> number = toDouble(TtEnabled);
    return number.ok() && number.value != 0;
}

int TickerSettings::intervalMs() const {
    const Converted<double> number = toDouble(TtSpeed);
    if (!number.ok())
        return DefaultSpeedMs;
    return static_cast<int>(std::clamp(roundHalfEven(number.value), 0.0, 65535.0));
}

double TickerSettings::fontSize() const {
    const Converted<double> number = toDouble(TtFontSize);
    if (!number.ok() || number.value <= 0)
        return DefaultFontSize;
    return std::min(number.value, MaxFontSize);
}

QColor TickerSettings::backColor() const {
    return storedColor(TtBackColor, White);
}

QColor TickerSettings::foreColor() const {
    return storedColor(TtForeColor, 0);
}

double TickerSettings::position() const {
    const Converted<double> number = toDouble(TtPosition);
    return number.ok() ? std::clamp(number.value, -32768.0, 32767.0) : 0.0;
}

TickerSettings readTickerSettings(const SettingsStore& store) {
    TickerSettings s;
    const TickerSettings defaults;
    s.TtSpeed = store.ReadSetting(QStringLiteral("tt_speed"), QStringLiteral("50"));
    s.TtRegellengte =
        clampedInt16(store.ReadSetting(QStringLiteral("tt_regellengte"), QStringLiteral("50")),
                     defaults.TtRegellengte);
    s.TtEnabled = store.ReadSetting(QStringLiteral("tt_enabled"), QStringLiteral("0"));
    s.TtFontSize = store.ReadSetting(QStringLiteral("tt_fontsize"), QStringLiteral("24"));
    s.TtWidth = std::max<std::int16_t>(
        1, clampedInt16(store.ReadSetting(QStringLiteral("tt_width"), QStringLiteral("12030")),
                        defaults.TtWidth));
    s.TtBackColor = store.ReadSetting(QStringLiteral("tt_backcolor"), White);
    s.TtForeColor = store.ReadSetting(QStringLiteral("tt_forecolor"), 0);
    s.TtFont = store.ReadSetting(QStringLiteral("tt_font"), QStringLiteral("arial"));
    s.TtPosition = store.ReadSetting(QStringLiteral("tt_position"), QStringLiteral("0"));
    s.TtHeight = static_cast<std::int16_t>(roundHalfEven(s.fontSize() * 27));
    return s;
}

} // namespace kalvora
