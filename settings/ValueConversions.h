#pragma once

#include <QString>
#include <cstdint>

namespace kalvora {

// Text-to-number conversions for stored settings and dialog fields. They never throw: a
// value that cannot be used comes back with a status saying why.
enum class ConversionStatus { Ok, NotANumber, OutOfRange };

template <typename T> struct Converted {
    T value{};
    ConversionStatus status = ConversionStatus::NotANumber;
    bool ok() const { return status == ConversionStatus::Ok; }
    T valueOr(T fallback) const { return ok() ? value : fallback; }
};

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4), as the stored values have always
// been converted.
double roundHalfEven(double value);

// Accepts surrounding blanks, an optional sign, "." or "," as decimal separator and an
// optional exponent; anything else ("12abc", "", "1.2.3") is not a number.
Converted<double> toDouble(const QString& text);
Converted<std::int16_t> toInt16(const QString& text);
Converted<std::int32_t> toInt32(const QString& text);

} // namespace kalvora
