#include "ProgramFixture.h"
#include "pattern/Caption.h"
#include "pattern/PatternClock.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <clocale>

using namespace kalvora;
using namespace kalvora::test;

namespace {

const QString Frequency = QStringLiteral("144.750 MHz");
const QString Locator = QStringLiteral("AA00AA");

// Drives Timer1 by hand, one tick per second of a set clock.
struct Clock {
    Clock(TestPlatform& t, Program& p) : t(t), p(p) { p.panel.Timer1->stop(); }
    // Ticks at each second from the clock's current one up to `second` of the same or the next
    // minute, and returns the second line after each tick, keyed by second.
    QMap<int, QString> tickUntil(int second) {
        QMap<int, QString> seen;
        for (;;) {
            p.panel.Timer1_Timer();
            const int now = t.clock.time().second();
            seen[now] = p.pattern1().Label2->text();
            if (now == second)
                return seen;
            t.clock = t.clock.addSecs(1);
        }
    }
    void skip(int seconds) { t.clock = t.clock.addSecs(seconds); }
    TestPlatform& t;
    Program& p;
};

} // namespace

class ClockTest : public QObject {
    Q_OBJECT
private slots:
    void startAtSecond30_frequencyUntilFive_thenAlternates();
    void second59_withSwap59_showsFrequency_andWrapsToOne();
    void skippedSwapSecond_swapsAMinuteLater();
    void typedFrequencyShowsAtOnce_locatorAtNextLocatorSwap();
    void emptyLocator_blanksTheLine();
    void timeAndDate_followTheClock_evenWhileHidden_pattern2Untouched();
    void secondTimer_armsForJustAfterTheNextSecond();
    void timeAndDate_followTheRegionalFormats_data();
    void timeAndDate_followTheRegionalFormats();
};

void ClockTest::startAtSecond30_frequencyUntilFive_thenAlternates() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 30));
    Program p(t);
    Clock clock(t, p);
    QMap<int, QString> seen = clock.tickUntil(59);
    for (int s = 30; s <= 59; ++s)
        QCOMPARE(seen[s], Frequency);
    clock.skip(1);
    seen = clock.tickUntil(20);
    for (int s = 0; s <= 4; ++s)
        QCOMPARE(seen[s], Frequency);
    QCOMPARE(seen[5], Locator);
    QCOMPARE(seen[6], Locator);
    QCOMPARE(seen[7], Frequency);
    QCOMPARE(seen[8], Frequency);
    QCOMPARE(seen[9], Locator);
    QCOMPARE(seen[17], Locator);
    QCOMPARE(seen[19], Frequency);
}

void ClockTest::second59_withSwap59_showsFrequency_andWrapsToOne() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 59));
    Program p(t);
    Clock clock(t, p);
    p.panel.Text6->setText(QStringLiteral("59"));
    p.panel.AltToggle = 0;
    p.pattern1().Label2->setCaption(Locator);
    clock.tickUntil(59);
    QCOMPARE(p.pattern1().Label2->text(), Frequency);
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("1"));
    clock.skip(1);
    const QMap<int, QString> seen = clock.tickUntil(3);
    QCOMPARE(seen[0], Frequency);
    QCOMPARE(seen[1], Locator);
    QCOMPARE(seen[3], Frequency);
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("5"));
}

void ClockTest::skippedSwapSecond_swapsAMinuteLater() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 2));
    Program p(t);
    Clock clock(t, p);
    clock.tickUntil(4);
    clock.skip(2); // second 5 never gets a tick
    QMap<int, QString> seen = clock.tickUntil(59);
    for (int s = 6; s <= 59; ++s)
        QCOMPARE(seen[s], Frequency);
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("5"));
    clock.skip(1);
    seen = clock.tickUntil(11);
    QCOMPARE(seen[4], Frequency);
    QCOMPARE(seen[5], Locator);
    QCOMPARE(seen[7], Frequency);
    QCOMPARE(seen[9], Locator);
    QCOMPARE(seen[11], Frequency);
}

void ClockTest::typedFrequencyShowsAtOnce_locatorAtNextLocatorSwap() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 4));
    Program p(t);
    Clock clock(t, p);
    clock.tickUntil(5);
    QCOMPARE(p.pattern1().Label2->text(), Locator);
    // A frequency typed while the locator shows replaces it at once.
    p.panel.Text2->setText(QStringLiteral("1252 MHz"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("1252 MHz"));
    clock.skip(1);
    p.panel.Text5->setText(QStringLiteral("JO22KD"));
    QMap<int, QString> seen = clock.tickUntil(9);
    QCOMPARE(seen[6], QStringLiteral("1252 MHz"));
    QCOMPARE(seen[7], QStringLiteral("1252 MHz"));
    QCOMPARE(seen[8], QStringLiteral("1252 MHz"));
    QCOMPARE(seen[9], QStringLiteral("JO22KD"));
}

void ClockTest::emptyLocator_blanksTheLine() {
    TestPlatform t;
    t.clock.setTime(QTime(20, 15, 4));
    Program p(t);
    Clock clock(t, p);
    p.panel.Text5->clear();
    const QMap<int, QString> seen = clock.tickUntil(12);
    QCOMPARE(seen[5], QString());
    QCOMPARE(seen[6], QString());
    QCOMPARE(seen[7], Frequency);
    QCOMPARE(seen[8], Frequency);
    QCOMPARE(seen[9], QString());
}

void ClockTest::timeAndDate_followTheClock_evenWhileHidden_pattern2Untouched() {
    TestPlatform t;
    Program p(t);
    Clock clock(t, p);
    QVERIFY(p.pattern1().isHidden());
    t.clock = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58));
    clock.tickUntil(58);
    QCOMPARE(p.pattern1().Label3->text(), regionalLongTime(t.clock));
    QCOMPARE(p.pattern1().Label3->text(), QStringLiteral("23:59:58"));
    // The C locale's date; Windows has none, and shows the user's (the tests set nl-NL).
#ifdef Q_OS_WIN
    const QString lastDay = QStringLiteral("31-12-2026"), firstDay = QStringLiteral("1-1-2027");
#else
    const QString lastDay = QStringLiteral("12/31/26"), firstDay = QStringLiteral("01/01/27");
#endif
    QCOMPARE(p.pattern1().Label4->text(), lastDay);
    clock.skip(2);
    clock.tickUntil(0);
    QCOMPARE(p.pattern1().Label3->text(), QStringLiteral("00:00:00"));
    QCOMPARE(p.pattern1().Label4->text(), firstDay);
    for (int i = 0; i < 70; ++i) {
        clock.skip(1);
        p.panel.Timer1_Timer();
    }
    QCOMPARE(p.pattern2().Label1->text(), QStringLiteral("QQ0ABC"));
    QCOMPARE(p.pattern2().Label2->text(), Frequency);
}

void ClockTest::timeAndDate_followTheRegionalFormats_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    QTest::newRow("en_US") << QByteArray("en_US.UTF-8") << QStringLiteral("11:59:58 PM")
                           << QStringLiteral("12/31/2026");
    QTest::newRow("nl_NL") << QByteArray("nl_NL.UTF-8") << QStringLiteral("23:59:58")
                           << QStringLiteral("31-12-26");
}

void ClockTest::timeAndDate_followTheRegionalFormats() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, time);
    QFETCH(QString, date);
    const QByteArray before = std::setlocale(LC_TIME, nullptr);
    if (!std::setlocale(LC_TIME, locale.constData()))
        QSKIP("the locale is not installed (scripts/setup-debian.sh makes it)");
    TestPlatform t;
    Program p(t);
    Clock clock(t, p);
    t.clock = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58));
    clock.tickUntil(58);
    const QString shownTime = p.pattern1().Label3->text();
    const QString shownDate = p.pattern1().Label4->text();
    std::setlocale(LC_TIME, before.constData());
    QCOMPARE(shownTime, time);
    QCOMPARE(shownDate, date);
}

void ClockTest::secondTimer_armsForJustAfterTheNextSecond() {
    QDateTime now(QDate(2026, 12, 8), QTime(20, 15, 30, 700));
    SecondTimer timer([&] { return now; });
    timer.start();
    // 300 ms to the change of the second, plus the margin, not a fixed 1000 ms.
    QVERIFY(timer.remainingMs() > 250 && timer.remainingMs() <= 302);
    // After a tick that came 40 ms late, the next one is aimed at the next second again.
    now = QDateTime(QDate(2026, 12, 8), QTime(20, 15, 31, 40));
    QSignalSpy ticks(&timer, &SecondTimer::timeout);
    QVERIFY(ticks.wait(1000));
    QVERIFY(timer.remainingMs() > 900 && timer.remainingMs() <= 962);
    timer.stop();
    QVERIFY(!timer.isActive());
}

QTEST_MAIN(ClockTest)
#include "clock_test.moc"
