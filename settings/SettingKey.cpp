#include "settings/SettingKey.h"

#include "settings/ValueConversions.h"

#include <QCoreApplication>

namespace kalvora {

namespace {

QString translated(const char* text) {
    return QCoreApplication::translate("SettingKey", text);
}

} // namespace

QString SettingKey::problemWith(const QString& text) const {
    if (kind == Kind::Text || kind == Kind::CheckBox || kind == Kind::Colour)
        return QString();
    const Converted<double> number = toDouble(text);
    double value = number.value;
    if (number.ok() && kind == Kind::WholeNumber)
        value = roundHalfEven(value);
    const bool inRange =
        kind == Kind::Size ? value > low && value <= high : value >= low && value <= high;
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

} // namespace kalvora
