#pragma once

#include <QDateTime>
#include <QString>

namespace kalvora {

// The user's regional long time and short date. Windows: the system locale's formats; other
// systems: the C library's %X and %x, which follow LC_TIME. The program has no format of its own.
QString regionalLongTime(const QDateTime& moment);
QString regionalShortDate(const QDateTime& moment);

} // namespace kalvora
