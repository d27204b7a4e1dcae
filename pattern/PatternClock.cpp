#include "pattern/PatternClock.h"

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

SecondTimer::SecondTimer(std::function<QDateTime()> now, QObject* parent)
    : QObject(parent), m_now(std::move(now)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        arm();
        emit timeout();
    });
}

void SecondTimer::start() {
    arm();
}

void SecondTimer::stop() {
    m_timer.stop();
}

void SecondTimer::arm() {
    const int msec = m_now().time().msec();
    m_timer.start(1000 - msec + MarginMs);
}

} // namespace kalvora
