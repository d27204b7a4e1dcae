#include "settings/ValueConversions.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace kalvora {

double roundHalfEven(double value) {
    // The default floating-point rounding mode rounds halves to even.
    return std::nearbyint(value);
}

Converted<double> toDouble(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return {};
    QString normalised = trimmed;
    normalised.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = normalised.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return {0.0, ConversionStatus::OutOfRange};
    return {value, ConversionStatus::Ok};
}

namespace {

template <typename T> Converted<T> toWhole(const QString& text) {
    const Converted<double> number = toDouble(text);
    if (!number.ok())
        return {T{}, number.status};
    const double rounded = roundHalfEven(number.value);
    if (rounded < static_cast<double>(std::numeric_limits<T>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<T>::max()))
        return {T{}, ConversionStatus::OutOfRange};
    return {static_cast<T>(rounded), ConversionStatus::Ok};
}

} // namespace

Converted<std::int16_t> toInt16(const QString& text) {
    return toWhole<std::int16_t>(text);
}

Converted<std::int32_t> toInt32(const QString& text) {
    return toWhole<std::int32_t>(text);
}

} // namespace kalvora
