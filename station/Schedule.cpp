#include "station/Schedule.h"

#include <QRegularExpression>

namespace kalvora {

namespace {

constexpr int MinutesADay = 24 * 60;

// "HH:MM" as minutes of the day; "24:00" only as an end.
std::optional<int> minuteOf(const QString& text, bool end) {
    static const QRegularExpression time(QStringLiteral("^([0-9]{1,2}):([0-9]{2})$"));
    const QRegularExpressionMatch match = time.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int hours = match.captured(1).toInt(), minutes = match.captured(2).toInt();
    if (minutes > 59 || hours > 24 || (hours == 24 && (minutes != 0 || !end)))
        return std::nullopt;
    return hours * 60 + minutes;
}

int minuteOfDay(const QDateTime& utc) {
    const QTime time = utc.toUTC().time();
    return time.hour() * 60 + time.minute();
}

} // namespace

std::optional<OperatingHours> OperatingHours::parse(const QString& text, QString* problem) {
    OperatingHours hours;
    hours.m_text = text.trimmed();
    if (hours.m_text.isEmpty())
        return hours;
    for (const QString& part : hours.m_text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        const auto from = ends.size() == 2 ? minuteOf(ends[0], false) : std::nullopt;
        const auto to = ends.size() == 2 ? minuteOf(ends[1], true) : std::nullopt;
        if (!from || !to || *from == *to % MinutesADay) {
            if (problem)
                *problem = QStringLiteral("\"%1\" is not a range of UTC times such as 07:00-23:30 "
                                          "or 22:00-02:00")
                               .arg(part.trimmed());
            return std::nullopt;
        }
        hours.m_ranges.append({*from, *to});
    }
    return hours;
}

bool OperatingHours::onAirAtMinute(int minute) const {
    if (m_ranges.isEmpty())
        return true;
    for (const Range& range : m_ranges) {
        const bool inside = range.from < range.to
                                ? minute >= range.from && minute < range.to
                                : minute >= range.from || minute < range.to; // across midnight
        if (inside)
            return true;
    }
    return false;
}

bool OperatingHours::onAirAt(const QDateTime& utc) const {
    return onAirAtMinute(minuteOfDay(utc));
}

QDateTime OperatingHours::nextChange(const QDateTime& utc) const {
    if (m_ranges.isEmpty())
        return QDateTime();
    const QDateTime start = utc.toUTC();
    const bool now = onAirAt(start);
    QDateTime minute(start.date(), QTime(start.time().hour(), start.time().minute()), Qt::UTC);
    for (int step = 1; step <= MinutesADay; ++step) {
        minute = minute.addSecs(60);
        if (onAirAtMinute(minuteOfDay(minute)) != now)
            return minute;
    }
    return QDateTime();
}

std::optional<Carousel> Carousel::parse(const QString& text, QString* problem) {
    Carousel carousel;
    if (text.trimmed().isEmpty())
        return carousel;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const int equals = part.lastIndexOf(QLatin1Char('='));
        const QString card = part.left(equals).trimmed();
        bool ok = false;
        const int seconds = part.mid(equals + 1).trimmed().toInt(&ok);
        if (equals <= 0 || card.isEmpty() || !ok || seconds < 1 || seconds > 86400) {
            if (problem)
                *problem = QStringLiteral("\"%1\" is not a card with its seconds, such as 1=60")
                               .arg(part.trimmed());
            return std::nullopt;
        }
        carousel.m_steps.append({card, seconds});
        carousel.m_cycle += seconds;
    }
    return carousel;
}

QString Carousel::cardAt(qint64 elapsed) const {
    if (m_steps.isEmpty())
        return QString();
    qint64 at = ((elapsed % m_cycle) + m_cycle) % m_cycle;
    for (const Step& step : m_steps) {
        if (at < step.seconds)
            return step.card;
        at -= step.seconds;
    }
    return m_steps.last().card;
}

QString Carousel::text() const {
    QStringList parts;
    for (const Step& step : m_steps)
        parts << QStringLiteral("%1=%2").arg(step.card).arg(step.seconds);
    return parts.join(QLatin1Char(','));
}

bool IdentTiming::showsAt(qint64 elapsed) const {
    if (seconds <= 0 || elapsed < 0)
        return false;
    if (minutes <= 0)
        return elapsed < seconds;
    return elapsed % (qint64(minutes) * 60) < seconds;
}

} // namespace kalvora
