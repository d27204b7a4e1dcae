// A repeater's schedule, without any window: the operating hours, the carousel and the ident
// card as rules, the station following them on a set clock, and the on-air log.
#include "TestSupport.h"
#include "station/OnAirLog.h"
#include "station/Station.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

QDateTime utc(int hour, int minute, int second = 0, int day = 10) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second), Qt::UTC);
}

// A station on a test platform whose clock is set in UTC and ticked by hand.
struct ScheduledStation {
    ScheduledStation(TestPlatform& t, QDateTime start)
        : t(t), station(*t.store, t.platform.programFolder, t.platform.now, t.platform.screens) {
        t.clock = start;
        station.setLog(std::make_unique<OnAirLog>(
            t.dir.filePath(QStringLiteral("log")), [&t] { return t.clock.toUTC(); },
            [this](const QString& problem) { problems << problem; }));
    }
    void start(const Rooster& rooster) {
        station.start(Station::Screens::None);
        station.stop();
        station.setRooster(rooster);
    }
    // Ticks each second for `seconds`, noting the card and standby after each.
    QStringList run(int seconds) {
        QStringList seen;
        for (int i = 0; i < seconds; ++i) {
            t.clock = t.clock.addSecs(1);
            station.Timer1_Timer();
            seen << (station.inStandby() ? QStringLiteral("-") : station.streamedCard());
        }
        return seen;
    }
    QString logText(QDate day) const {
        QFile file(QDir(t.dir.filePath(QStringLiteral("log")))
                       .filePath(QStringLiteral("kalvora-%1.log").arg(day.toString(Qt::ISODate))));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    TestPlatform& t;
    Station station;
    QStringList problems;
};

Rooster rooster(const char* hours, const char* carousel = "", IdentTiming ident = {}) {
    Rooster r;
    r.hours = *OperatingHours::parse(QString::fromLatin1(hours));
    r.carousel = *Carousel::parse(QString::fromLatin1(carousel));
    r.ident = ident;
    return r;
}

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT
private slots:
    void operatingHours_data();
    void operatingHours();
    void badHours_andCarousels_sayWhichPart();
    void carousel_andIdent_timing();
    void station_goesToStandby_andBackOnAir_withIdentAndLog();
    void carousel_pausedByTheOperator_untilResumed();
    void log_newFileEachUtcDay_aFullDiskReportedOnce();
};

void ScheduleTest::operatingHours_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<bool>("onAir");
    QTest::addColumn<QDateTime>("nextChange");
    const auto row = [](const char* name, const char* hours, QDateTime at, bool onAir,
                        QDateTime next) {
        QTest::newRow(name) << QString::fromLatin1(hours) << at << onAir << next;
    };
    row("none: always", "", utc(3, 0), true, QDateTime());
    row("the minute before", "07:00-23:30", utc(6, 59, 59), false, utc(7, 0));
    row("the minute it starts", "07:00-23:30", utc(7, 0), true, utc(23, 30));
    row("the last minute", "07:00-23:30", utc(23, 29, 59), true, utc(23, 30));
    row("the minute it ends", "07:00-23:30", utc(23, 30), false, utc(7, 0, 0, 11));
    row("across midnight, late", "22:00-02:00", utc(23, 15), true, utc(2, 0, 0, 11));
    row("across midnight, early", "22:00-02:00", utc(1, 59), true, utc(2, 0));
    row("across midnight, the day", "22:00-02:00", utc(12, 0), false, utc(22, 0));
    row("two ranges, between", "06:00-08:00, 18:00-20:00", utc(12, 0), false, utc(18, 0));
    row("two ranges, the second", "06:00-08:00, 18:00-20:00", utc(19, 0), true, utc(20, 0));
    row("ranges that meet", "06:00-12:00,12:00-18:00", utc(11, 59), true, utc(18, 0));
    row("to the day's end", "18:00-24:00", utc(23, 59), true, utc(0, 0, 0, 11));
}

void ScheduleTest::operatingHours() {
    QFETCH(QString, hours);
    QFETCH(QDateTime, at);
    QFETCH(bool, onAir);
    QFETCH(QDateTime, nextChange);
    const std::optional<OperatingHours> parsed = OperatingHours::parse(hours);
    QVERIFY(parsed);
    QCOMPARE(parsed->onAirAt(at), onAir);
    QCOMPARE(parsed->nextChange(at), nextChange);
}

void ScheduleTest::badHours_andCarousels_sayWhichPart() {
    for (const char* bad : {"25:00-26:00", "07:00", "07:00-07:00", "7-8", "07:00-23:30,x",
                            "24:00-01:00", "07:60-08:00"}) {
        QString problem;
        QVERIFY2(!OperatingHours::parse(QString::fromLatin1(bad), &problem), bad);
        QVERIFY2(!problem.isEmpty() && problem.contains(QLatin1Char('"')), bad);
    }
    for (const char* bad : {"1", "1=0", "=60", "1=60,2=x", "1=100000"}) {
        QString problem;
        QVERIFY2(!Carousel::parse(QString::fromLatin1(bad), &problem), bad);
        QVERIFY2(!problem.isEmpty(), bad);
    }
}

void ScheduleTest::carousel_andIdent_timing() {
    const Carousel carousel = *Carousel::parse(QStringLiteral("1=60, 2=20, club map.png=30"));
    QStringList seen;
    for (const int second : {0, 59, 60, 79, 80, 109, 110, 170})
        seen << carousel.cardAt(second);
    QCOMPARE(seen, QStringList({"1", "1", "2", "2", "club map.png", "club map.png", "1", "2"}));
    QCOMPARE(carousel.text(), QStringLiteral("1=60,2=20,club map.png=30"));
    const IdentTiming ident{15, 10};
    QList<bool> shows;
    for (const int second : {0, 9, 10, 899, 900, 909, 910})
        shows << ident.showsAt(second);
    QCOMPARE(shows, QList<bool>({true, true, false, false, true, true, false}));
    const IdentTiming silent{15, 0};
    QVERIFY(!silent.showsAt(0));
    const IdentTiming atStartOnly{0, 5};
    QVERIFY(atStartOnly.showsAt(4) && !atStartOnly.showsAt(900));
}

void ScheduleTest::station_goesToStandby_andBackOnAir_withIdentAndLog() {
    TestPlatform t({{"Text1", "PI6ATV"}});
    ScheduledStation s(t, utc(6, 59, 50));
    s.start(rooster("07:00-07:02", "", IdentTiming{1, 5}));
    QVERIFY(s.station.inStandby());
    QCOMPARE(s.station.onAir().whyNothing, QStringLiteral("standby until 07:00 UTC"));
    QCOMPARE(s.station.standbyText(), QStringLiteral("standby until 07:00 UTC"));
    // On air at 07:00:00, the ident first for 5 s, again a minute on; standby at 07:02.
    const QStringList seen = s.run(140);
    QCOMPARE(seen.indexOf(QStringLiteral("ident")), 9); // 07:00:00
    QCOMPARE(seen.mid(9, 6), QStringList({"ident", "ident", "ident", "ident", "ident", "1"}));
    QCOMPARE(seen.at(69), QStringLiteral("ident"));       // 07:01:00
    QCOMPARE(seen.indexOf(QStringLiteral("-"), 10), 129); // 07:02:00
    // The operator's word holds until the hours next change.
    s.station.goOnAir();
    QVERIFY(!s.station.inStandby());
    const QString log = s.logText(QDate(2026, 12, 10));
    for (const char* line :
         {"2026-12-10T06:59:50Z standby until 07:00 UTC (schedule)",
          "2026-12-10T07:00:00Z on air (schedule)", "2026-12-10T07:00:00Z card ident (ident)",
          "2026-12-10T07:00:05Z card 1 (schedule)", "2026-12-10T07:02:00Z standby until 07:00 UTC",
          "2026-12-10T07:02:10Z on air (operator)"})
        QVERIFY2(log.contains(QLatin1String(line)), qPrintable(log));
}

void ScheduleTest::carousel_pausedByTheOperator_untilResumed() {
    TestPlatform t;
    ScheduledStation s(t, utc(12, 0));
    s.start(rooster("", "1=3,2=2"));
    QCOMPARE(s.run(6).join(QString()), QStringLiteral("112211")); // 3 s of 1, 2 s of 2, again
    s.station.chooseCard(Cards::Contest); // the operator's own card holds
    QVERIFY(s.station.carouselPaused());
    QCOMPARE(s.run(4), QStringList(4, Cards::Contest));
    s.station.resumeCarousel();
    QVERIFY(!s.station.carouselPaused());
    QVERIFY(s.run(5).contains(QStringLiteral("2")));
}

void ScheduleTest::log_newFileEachUtcDay_aFullDiskReportedOnce() {
    TestPlatform t;
    QDateTime now = utc(23, 59, 58);
    QStringList problems;
    const QString folder = t.dir.filePath(QStringLiteral("logs"));
    OnAirLog log(
        folder, [&now] { return now; }, [&problems](const QString& p) { problems << p; });
    // A file older than 30 days goes when the next day's first line is written.
    QVERIFY(QDir().mkpath(folder));
    QFile old(log.fileFor(QDate(2026, 11, 9)));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    log.write(QStringLiteral("on air (schedule)"));
    now = utc(0, 0, 1, 11);
    log.write(QStringLiteral("card 2 (carousel)"));
    QFile first(log.fileFor(QDate(2026, 12, 10))), second(log.fileFor(QDate(2026, 12, 11)));
    QVERIFY(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), QByteArray("2026-12-10T23:59:58Z on air (schedule)\n"));
    QCOMPARE(second.readAll(), QByteArray("2026-12-11T00:00:01Z card 2 (carousel)\n"));
    QVERIFY(!QFile::exists(log.fileFor(QDate(2026, 11, 9))));
    QVERIFY(problems.isEmpty());

    const QString full = t.dir.filePath(QStringLiteral("full"));
    QVERIFY(QDir().mkpath(full));
    SmallDisk disk(full, 64);
    KALVORA_REQUIRE_SMALL_DISK(disk);
    OnAirLog onFullDisk(
        full, [&now] { return now; }, [&problems](const QString& p) { problems << p; });
    disk.fill();
    for (int i = 0; i < 50; ++i)
        onFullDisk.write(QStringLiteral("card 1 (carousel) ") + QString(200, QLatin1Char('x')));
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(QStringLiteral("the picture goes on")),
             qPrintable(problems.first()));
}

QTEST_MAIN(ScheduleTest)
#include "schedule_test.moc"
