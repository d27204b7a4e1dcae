// The station's rules, without any window: the clock and the alternation on a set clock, the
// one clock's beats, the ticker reached through the store, the output choice and what is on
// air. One test checks that pattern 1's captions follow the station.
#include "ProgramFixture.h"
#include "clock/RegionalTime.h"
#include "pattern/Caption.h"

#include <QSignalSpy>
#include <QTest>
#include <clocale>

using namespace kalvora;
using namespace kalvora::test;

namespace {

const QString Frequency = QStringLiteral("144.750 MHz");
const QString Locator = QStringLiteral("AA00AA");

// A started station on a test platform, its second tick driven by hand.
struct StationRig {
    explicit StationRig(TestPlatform& t, QTime time = QTime(20, 15, 30))
        : t(t), station(*t.store, t.platform.programFolder, t.platform.now, t.platform.screens) {
        t.clock.setTime(time);
        station.start();
        station.stop();
    }
    // Ticks at each second from the clock's current one up to `second` of the same or the next
    // minute, and returns the second line after each tick, keyed by second.
    QMap<int, QString> tickUntil(int second) {
        QMap<int, QString> seen;
        for (;;) {
            station.Timer1_Timer();
            const int now = t.clock.time().second();
            seen[now] = station.secondLine();
            if (now == second)
                return seen;
            t.clock = t.clock.addSecs(1);
        }
    }
    void skip(int seconds) { t.clock = t.clock.addSecs(seconds); }
    TestPlatform& t;
    Station station;
};

// The second line from `from` to `to` as a string of F (frequency), L (locator) and - (other).
QString lineLetters(const QMap<int, QString>& seen, int from, int to, const QString& frequency,
                    const QString& locator) {
    QString letters;
    for (int s = from; s <= to; ++s)
        letters += seen[s] == frequency ? QLatin1Char('F')
                   : seen[s] == locator ? QLatin1Char('L')
                                        : QLatin1Char('-');
    return letters;
}

} // namespace

class StationTest : public QObject {
    Q_OBJECT
private slots:
    void alternation_frequencyUntilFive_thenTwoSecondsEach();
    void alternation_swap59WrapsToOne_andASkippedSwapComesAMinuteLater();
    void alternation_typedTextsAndAnEmptyLocator();
    void wallSecondBeat_armsForJustAfterTheNextSecond();
    void oneClock_drivesTheTickerAndAFrameBeat_withoutDrift();
    void timeAndDate_followTheRegionalFormats_data();
    void timeAndDate_followTheRegionalFormats();
    void storedTickerSettings_reachTheTickerOncePerWrite();
    void onAir_followsShownPatternsSideAndOutputScreen();
    void patternCaptions_followTheStation_evenWhileHidden();
    void doors_announceExactlyWhatChanged_data();
    void doors_announceExactlyWhatChanged();
};

void StationTest::alternation_frequencyUntilFive_thenTwoSecondsEach() {
    TestPlatform t;
    StationRig rig(t);
    QCOMPARE(rig.station.swapSecond(), 5);
    QCOMPARE(rig.station.altToggle(), 1);
    QMap<int, QString> seen = rig.tickUntil(59);
    QCOMPARE(lineLetters(seen, 30, 59, Frequency, Locator), QString(30, QLatin1Char('F')));
    rig.skip(1);
    seen = rig.tickUntil(20);
    QCOMPARE(lineLetters(seen, 0, 20, Frequency, Locator), QStringLiteral("FFFFFLLFFLLFFLLFFLLFF"));
}

void StationTest::alternation_swap59WrapsToOne_andASkippedSwapComesAMinuteLater() {
    TestPlatform t;
    StationRig rig(t, QTime(20, 15, 0));
    rig.tickUntil(58); // 27 swaps since second 5: the locator shows, the next swap at 59
    QCOMPARE(rig.station.swapSecond(), 59);
    QCOMPARE(rig.station.altToggle(), 0);
    rig.skip(1);
    rig.tickUntil(59);
    QCOMPARE(rig.station.secondLine(), Frequency);
    QCOMPARE(rig.station.swapSecond(), 1);
    rig.skip(1);
    QCOMPARE(lineLetters(rig.tickUntil(3), 0, 3, Frequency, Locator), QStringLiteral("FLLF"));
    QCOMPARE(rig.station.swapSecond(), 5);

    // Second 5 never gets a tick: nothing swaps until second 5 of the next minute.
    rig.skip(1);
    rig.tickUntil(4);
    rig.skip(2);
    QMap<int, QString> seen = rig.tickUntil(59);
    QCOMPARE(lineLetters(seen, 6, 59, Frequency, Locator), QString(54, QLatin1Char('F')));
    rig.skip(1);
    seen = rig.tickUntil(11);
    QCOMPARE(lineLetters(seen, 4, 11, Frequency, Locator), QStringLiteral("FLLFFLLF"));
}

void StationTest::alternation_typedTextsAndAnEmptyLocator() {
    TestPlatform t;
    StationRig rig(t, QTime(20, 15, 4));
    rig.tickUntil(5);
    QCOMPARE(rig.station.secondLine(), Locator);
    // A frequency typed while the locator shows replaces it at once, and is stored.
    rig.station.setText(2, QStringLiteral("1252 MHz"));
    QCOMPARE(rig.station.secondLine(), QStringLiteral("1252 MHz"));
    QCOMPARE(t.storedValue(QStringLiteral("Text2")), QStringLiteral("1252 MHz"));
    rig.skip(1);
    rig.station.setText(5, QStringLiteral("JO22KD"));
    QCOMPARE(
        lineLetters(rig.tickUntil(9), 6, 9, QStringLiteral("1252 MHz"), QStringLiteral("JO22KD")),
        QStringLiteral("FFFL"));
    rig.station.setText(5, QString());
    rig.skip(1);
    QCOMPARE(lineLetters(rig.tickUntil(14), 10, 14, QStringLiteral("1252 MHz"), QString()),
             QStringLiteral("-FFLL")); // the old locator stays until the next swap
}

void StationTest::wallSecondBeat_armsForJustAfterTheNextSecond() {
    QDateTime now(QDate(2026, 12, 8), QTime(20, 15, 30, 700));
    StationClock clock([&] { return now; });
    Beat timer(clock, Beat::Kind::WallSecond);
    timer.start();
    // 300 ms to the change of the second, plus the margin, not a fixed 1000 ms.
    QVERIFY(timer.remainingMs() > 250 && timer.remainingMs() <= 302);
    // After a tick that came 40 ms late, the next one is aimed at the next second again.
    now = QDateTime(QDate(2026, 12, 8), QTime(20, 15, 31, 40));
    QSignalSpy ticks(&timer, &Beat::timeout);
    QVERIFY(ticks.wait(1000));
    QVERIFY(timer.remainingMs() > 900 && timer.remainingMs() <= 962);
    timer.stop();
    QVERIFY(!timer.isActive());
}

// The ticker's steps and a frame output's frames come from the same clock, each on its own
// moments counted from its start: over 600 ms a 20 ms beat fires 30 times and a 40 ms one 15,
// whatever the event loop's own lateness, and a handler that blocks for 130 ms costs the
// beats their missed moments, not a burst of catch-up firings.
void StationTest::oneClock_drivesTheTickerAndAFrameBeat_withoutDrift() {
    TestPlatform t;
    StationClock clock(t.platform.now);
    Beat steps(clock), frames(clock);
    int stepCount = 0, frameCount = 0;
    connect(&steps, &Beat::timeout, this, [&] { ++stepCount; });
    connect(&frames, &Beat::timeout, this, [&] { ++frameCount; });
    frames.setPeriod(40);
    steps.start(20);
    frames.start();
    QTest::qWait(610);
    QVERIFY2(std::abs(stepCount - 30) <= 1, qPrintable(QString::number(stepCount)));
    QVERIFY2(std::abs(frameCount - 15) <= 1, qPrintable(QString::number(frameCount)));
    QCOMPARE(steps.missed() + frames.missed(), 0);

    Beat blocker(clock);
    connect(&blocker, &Beat::timeout, this, [&] { QTest::qSleep(130); });
    blocker.start(1000);
    const int framesBefore = frameCount;
    QTest::qWait(1200);
    QVERIFY(frames.missed() >= 1);
    QVERIFY2(std::abs(frameCount - framesBefore + frames.missed() - 30) <= 2,
             qPrintable(QStringLiteral("%1 frames, %2 missed")
                            .arg(frameCount - framesBefore)
                            .arg(frames.missed())));
}

void StationTest::timeAndDate_followTheRegionalFormats_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    // The C locale's date; Windows has none, and shows the user's (the tests set nl-NL).
#ifndef Q_OS_WIN
    QTest::newRow("C") << QByteArray("C") << QStringLiteral("23:59:58")
                       << QStringLiteral("12/31/26");
#endif
    QTest::newRow("en_US") << QByteArray("en_US.UTF-8") << QStringLiteral("11:59:58 PM")
                           << QStringLiteral("12/31/2026");
    QTest::newRow("nl_NL") << QByteArray("nl_NL.UTF-8") << QStringLiteral("23:59:58")
                           << QStringLiteral("31-12-26");
}

void StationTest::timeAndDate_followTheRegionalFormats() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, time);
    QFETCH(QString, date);
    const QByteArray before = std::setlocale(LC_TIME, nullptr);
    if (!std::setlocale(LC_TIME, locale.constData()))
        QSKIP("the locale is not installed (scripts/setup-debian.sh makes it)");
    TestPlatform t;
    StationRig rig(t);
    t.clock = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58));
    rig.tickUntil(58);
    const QString shownTime = rig.station.timeText();
    const QString shownDate = rig.station.dateText();
    std::setlocale(LC_TIME, before.constData());
    QCOMPARE(shownTime, time);
    QCOMPARE(shownDate, date);
}

// The dialog's Save reaches the ticker through the store's announcement of what it wrote: the
// new look at once, without a read of the file; a station key leaves the ticker alone.
void StationTest::storedTickerSettings_reachTheTickerOncePerWrite() {
    TestPlatform t({{"tt_enabled", "1"}, {"tt_width", "6000"}});
    t.writeTickerFile("ab");
    StationRig rig(t);
    QSignalSpy applied(&rig.station, &Station::tickerSettingsChanged);
    QCOMPARE(rig.station.tickerSettings().TtWidth, 6000);
    rig.station.setText(1, QStringLiteral("PI6ATV"));
    QCOMPARE(applied.count(), 0);
    // Another program changes a key in the file; the station goes by what its own store
    // announces, not by reading the file again.
    SettingsStore(t.iniPath()).WriteSetting(QStringLiteral("tt_width"), QStringLiteral("9000"));
    QVERIFY(t.store->WriteSettings({{QStringLiteral("tt_fontsize"), QStringLiteral("12")},
                                    {QStringLiteral("tt_backcolor"), QStringLiteral("255")}}));
    QCOMPARE(applied.count(), 1);
    QCOMPARE(rig.station.tickerSettings().TtHeight, 324);
    QCOMPARE(rig.station.tickerSettings().backColor, QColor(255, 0, 0));
    QCOMPARE(rig.station.tickerSettings().TtWidth, 6000);
    QCOMPARE(rig.station.tickerStrip().size().height(), 22);
}

void StationTest::onAir_followsShownPatternsSideAndOutputScreen() {
    TestPlatform t;
    const ScreenInfo primary{QStringLiteral("Operator"), QString(), QRect(0, 0, 1280, 1024),
                             QSize(1280, 1024), true};
    const ScreenInfo output{QStringLiteral("Transmitter"), QString(), QRect(1280, 0, 808, 608),
                            QSize(808, 608), false};
    t.screens = QList<ScreenInfo>{primary, output};
    StationRig rig(t);
    Station& station = rig.station;
    QSignalSpy requested(&station, &Station::cardRequested);
    const auto onAir = [&] { return station.onAir().card; };
    QCOMPARE(onAir(), QString());
    QVERIFY(station.onAir().whyNothing.contains(QStringLiteral("nothing on air")));
    station.showCard(Cards::ColourBars);
    station.showCard(Cards::TestCard);
    station.showCard(QStringLiteral("3")); // no such card: nothing happens
    QCOMPARE(requested.count(), 2);
    QCOMPARE(onAir(), Cards::TestCard);
    station.setCardShown(Cards::TestCard, false); // a click on pattern 1's picture
    QCOMPARE(onAir(), Cards::ColourBars);
    station.showCard(Cards::TestCard);
    station.Wissel_Scherm();
    QCOMPARE(onAir(), QString());
    QCOMPARE(station.streamedCard(), Cards::TestCard); // a stream sends the card in front
    QVERIFY(station.onAir().whyNothing.contains(QStringLiteral("Scherm")));
    station.Wissel_Scherm();
    station.chooseOutputScreen(QStringLiteral("Elsewhere"));
    QVERIFY(station.onAir().whyNothing.contains(QStringLiteral("not connected")));
    station.chooseOutputScreen(QString());
    QCOMPARE(onAir(), Cards::TestCard);
}

void StationTest::patternCaptions_followTheStation_evenWhileHidden() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 4));
    Program p(t);
    p.station.stop();
    QVERIFY(p.pattern1().isHidden());
    p.station.Timer1_Timer();
    t.clock = t.clock.addSecs(1);
    p.station.Timer1_Timer();
    QCOMPARE(p.pattern1().Label2->text(), Locator);
    QCOMPARE(p.pattern1().Label3->text(), regionalLongTime(t.clock));
    QCOMPARE(p.pattern1().Label4->text(), regionalShortDate(t.clock));
    QCOMPARE(p.pattern2().Label2->text(), Frequency); // pattern 2 has no alternation
}

// Every change of what is on air goes through one of the Station's methods; each announces
// what it changed, and nothing else, so that every view (the panel, the windows, the frame
// outputs, later a schedule or a remote) can follow it without asking again.
using Door = std::function<void(Station&)>;
Q_DECLARE_METATYPE(Door)

void StationTest::doors_announceExactlyWhatChanged_data() {
    QTest::addColumn<Door>("door");
    QTest::addColumn<QStringList>("announced");
    const auto row = [](const char* name, Door door, QStringList announced) {
        QTest::newRow(name) << door << announced;
    };
    row("a call sign", [](Station& s) { s.setText(1, QStringLiteral("PI6ATV")); }, {"textChanged"});
    row("the same call sign", [](Station& s) { s.setText(1, s.text(1)); }, {});
    row("the frequency", [](Station& s) { s.setText(2, QStringLiteral("145.5")); },
        {"textChanged", "secondLineChanged"});
    row("the locator", [](Station& s) { s.setText(5, QStringLiteral("JO22")); }, {"textChanged"});
    row("a card", [](Station& s) { s.showCard(Cards::ColourBars); },
        {"cardRequested", "onAirChanged"});
    row("no such card", [](Station& s) { s.showCard(QStringLiteral("7")); }, {});
    row("a card taken down", [](Station& s) { s.setCardShown(Cards::TestCard, false); },
        {"onAirChanged"});
    row("Scherm", [](Station& s) { s.Wissel_Scherm(); }, {"outputChanged", "onAirChanged"});
    row("an output screen", [](Station& s) { s.chooseOutputScreen(QStringLiteral("TV")); },
        {"outputChanged", "onAirChanged"});
    row("a picture size", [](Station& s) { s.chooseOutputScale(OutputScale::Fill); },
        {"outputChanged"});
    row("the ticker off", [](Station& s) { s.toggleTicker(); },
        {"tickerToggled", "tickerOnChanged"});
    row("ticker settings stored",
        [](Station& s) { s.store().WriteSetting(QStringLiteral("tt_speed"), QStringLiteral("9")); },
        {"tickerSettingsChanged"});
    row("a station key stored",
        [](Station& s) { s.store().WriteSetting(QStringLiteral("Text4"), QStringLiteral("x")); },
        {});
    row("a second", [](Station& s) { s.Timer1_Timer(); }, {"timeChanged"});
    row("the contest card for pattern 1", [](Station& s) { s.chooseCard(Cards::Contest); },
        {"chosenCardChanged", "pattern1CardChanged", "onAirChanged"});
    row("a card that is not there for pattern 1",
        [](Station& s) { s.chooseCard(QStringLiteral("gone.png")); }, {});
    row("a contest number", [](Station& s) { s.setContest(QStringLiteral("13cm"), 5); },
        {"contestChanged"});
    row("a band that is not one", [](Station& s) { s.setContest(QStringLiteral("2m"), 5); }, {});
    row("a picture's clock", [](Station& s) { s.setShowsClock(QStringLiteral("a.png"), true); },
        {"clockShownChanged"});
}

void StationTest::doors_announceExactlyWhatChanged() {
    QFETCH(Door, door);
    QFETCH(QStringList, announced);
    TestPlatform t({{"tt_enabled", "1"}});
    t.writeTickerFile("on air");
    StationRig rig(t);
    rig.station.showCard(Cards::TestCard);
    std::map<QString, std::unique_ptr<QSignalSpy>> spies;
    const QMetaObject& meta = Station::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            spies[QString::fromLatin1(meta.method(i).name())] =
                std::make_unique<QSignalSpy>(&rig.station, meta.method(i));
    door(rig.station);
    QStringList heard;
    for (const auto& [name, spy] : spies)
        if (!spy->isEmpty())
            heard << QStringLiteral("%1 x%2").arg(name).arg(spy->count());
    QStringList expected;
    for (const QString& name : announced)
        expected << name + QStringLiteral(" x1");
    expected.sort();
    QCOMPARE(heard, expected);
}

QTEST_MAIN(StationTest)
#include "station_test.moc"
