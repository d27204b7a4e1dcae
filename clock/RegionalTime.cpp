#include "clock/RegionalTime.h"

#include <QLocale>
#include <ctime>

namespace kalvora {

namespace {

#ifndef Q_OS_WIN
QString strftimeText(const QDateTime& moment, const char* format) {
    std::tm parts{};
    const QDate date = moment.date();
    const QTime time = moment.time();
    parts.tm_year = date.year() - 1900;
    parts.tm_mon = date.month() - 1;
    parts.tm_mday = date.day();
    parts.tm_wday = date.dayOfWeek() % 7;
    parts.tm_yday = date.dayOfYear() - 1;
    parts.tm_hour = time.hour();
    parts.tm_min = time.minute();
    parts.tm_sec = time.second();
    parts.tm_isdst = -1;
    char buffer[128];
    const size_t length = std::strftime(buffer, sizeof buffer, format, &parts);
    return QString::fromLocal8Bit(buffer, qsizetype(length));
}
#endif

} // namespace

QString regionalLongTime(const QDateTime& moment) {
#ifdef Q_OS_WIN
    return QLocale::system().toString(moment.time(), QLocale::LongFormat);
#else
    return strftimeText(moment, "%X");
#endif
}

QString regionalShortDate(const QDateTime& moment) {
#ifdef Q_OS_WIN
    return QLocale::system().toString(moment.date(), QLocale::ShortFormat);
#else
    return strftimeText(moment, "%x");
#endif
}

} // namespace kalvora
