#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace kalvora {

// When a repeater is on air: one or more ranges of UTC time of day ("07:00-23:30",
// "22:00-02:00" across midnight, several separated by commas). None: always on air.
class OperatingHours {
public:
    // The hours as written; nothing, and why, for a text that is not hours.
    static std::optional<OperatingHours> parse(const QString& text, QString* problem = nullptr);

    bool alwaysOnAir() const { return m_ranges.isEmpty(); }
    bool onAirAt(const QDateTime& utc) const;
    // The first whole minute after `utc` at which on air turns to standby or back; invalid
    // where it never changes.
    QDateTime nextChange(const QDateTime& utc) const;
    QString text() const { return m_text; }

private:
    struct Range {
        int from; // minutes of the UTC day, 0 to 1439
        int to;   // 1 to 1440; below `from`: across midnight
    };
    bool onAirAtMinute(int minute) const;

    QList<Range> m_ranges;
    QString m_text;
};

// Cards in turn, each for its seconds ("1=60,2=20,club.png=30").
class Carousel {
public:
    struct Step {
        QString card;
        int seconds;
    };
    static std::optional<Carousel> parse(const QString& text, QString* problem = nullptr);

    bool isEmpty() const { return m_steps.isEmpty(); }
    // The card `elapsed` seconds after the carousel started.
    QString cardAt(qint64 elapsed) const;
    const QList<Step>& steps() const { return m_steps; }
    QString text() const;

private:
    QList<Step> m_steps;
    qint64 m_cycle = 0;
};

// The ident card: on air for `seconds` each time the station goes on air and every `minutes`
// from then (0 minutes: only as it goes on air); never where `seconds` is 0.
struct IdentTiming {
    int minutes = 0;
    int seconds = 0;
    // Whether the ident shows `elapsed` seconds after the station went on air.
    bool showsAt(qint64 elapsed) const;
};

// What a repeater keeper sets up: when it is on air, the cards in turn, the ident card, and
// whether it starts in standby. Made by default: on air always, one card, no ident, exactly as
// the program has always been.
struct Rooster {
    OperatingHours hours;
    Carousel carousel;
    IdentTiming ident;
    bool standbyAtStart = false;

    bool isEmpty() const {
        return hours.alwaysOnAir() && carousel.isEmpty() && ident.seconds <= 0 && !standbyAtStart;
    }
};

} // namespace kalvora
