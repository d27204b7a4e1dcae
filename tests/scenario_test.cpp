#include "ProgramFixture.h"
#include "ScreenPictures.h"
#include "about/Frm_info.h"
#include "pattern/Caption.h"
#include "pattern/TickerStrip.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// What pattern 1 shows at its bottom edge, where the ticker runs.
QColor bottomEdge(kalvora::Display& pattern) {
    return pattern.grab().toImage().pixelColor(400, 606);
}

// Steps the ticker by hand (the real timer is stopped each time the text starts) until the
// text restarts; returns how many steps that took.
int runToRestart(Station& station) {
    const TickerScroller& ticker = station.screenTicker();
    station.stop();
    int steps = 0;
    for (int previous = ticker.StartChar; steps < 20000; ++steps) {
        station.Timer3_Timer();
        station.stop();
        if (ticker.StartChar < previous)
            return steps;
        previous = ticker.StartChar;
    }
    return -1;
}

} // namespace

class ScenarioTest : public QObject {
    Q_OBJECT
private slots:
    void operatorsFirstEvening_andEverythingComesBack();
};

void ScenarioTest::operatorsFirstEvening_andEverythingComesBack() {
    TestPlatform t;
    t.fonts = {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
               QStringLiteral("Liberation Serif")};
    {
        Program p(t);
        // Station details.
        retype(p.panel.Text1, QStringLiteral("PI6ATV"));
        retype(p.panel.Text2, QStringLiteral("1252 MHz"));
        retype(p.panel.Text5, QStringLiteral("JO22KD"));
        QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("PI6ATV"));
        QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("1252 MHz"));
        QCOMPARE(p.pattern2().Label1->text(), QStringLiteral("QQ0ABC"));

        // On air on the second screen, then over to the primary and back.
        QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(&p.pattern1()));
        QCOMPARE(p.pattern1().screen()->name(), QStringLiteral("Transmitter"));
        QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
        QCOMPARE(p.pattern1().pos(), QPoint(0, 0));
        QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
        QCOMPARE(p.pattern1().pos(), QPoint(1280, 0));

        // The ticker: enabled, a text, a font from the picker, colours, saved.
        Frm_Tickertape& dialog =
            p.openFromMenu(p.panel.mnu_TT, &WindowRegistry::loadedTickerDialog);
        QTest::mouseClick(dialog.tt_enabled, Qt::LeftButton);
        QTest::keyClicks(dialog.Text1, QStringLiteral("Good evening from PI6ATV"));
        retype(dialog.tt_speed, QStringLiteral("20"));
        retype(dialog.tt_regellengte, QStringLiteral("0"));
        QTest::mouseClick(dialog.Command4, Qt::LeftButton);
        Fonts& picker = *p.windows.loadedFonts();
        const QRect serif = picker.List1->visualItemRect(picker.List1->item(2));
        QTest::mouseClick(picker.List1->viewport(), Qt::LeftButton, {}, serif.center());
        QTest::mouseDClick(picker.List1->viewport(), Qt::LeftButton, {}, serif.center());
        QCOMPARE(dialog.tt_font->text(), QStringLiteral("Liberation Serif"));
        t.colourAnswers = {Blue, Yellow};
        QTest::mouseClick(dialog.Command2, Qt::LeftButton);
        QTest::mouseClick(dialog.Command3, Qt::LeftButton);
        QTest::mouseClick(dialog.Command1, Qt::LeftButton);
        QVERIFY(!p.windows.loadedTickerDialog());
        QCOMPARE(t.tickerFileBytes(), QByteArray("Good evening from PI6ATV"));
        // The strip is there in its new colours at once, and starts scrolling at once.
        QCOMPARE(bottomEdge(p.pattern1()), Blue);
        QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
        QVERIFY(p.station.screenTicker().Timer3.isActive());
        QCOMPARE(p.station.screenTicker().TickerText,
                 QString(29, QLatin1Char(' ')) + QStringLiteral("Good evening from PI6ATV"));

        QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
        QVERIFY(p.pattern2().isVisible());
        p.panel.mnu_afsluiten->trigger();
        QVERIFY(!p.windows.anyWindowLoaded());
        QCOMPARE(p.lastWindowGone, 1);
    }
    {
        // The next evening: the ticker runs through its text and picks up a new one.
        Program p(t);
        QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("PI6ATV"));
        QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
        QVERIFY(p.station.screenTicker().Timer3.isActive());
        QCOMPARE(p.station.screenTicker().Timer3.interval(), 20);
        t.writeTickerFile("Second text\r\n");
        QVERIFY(runToRestart(p.station) > 100);
        QCOMPARE(p.station.screenTicker().TickerText,
                 QString(29, ' ') + QStringLiteral("Second text"));
        // Letters in yellow on blue reach the screen.
        QVERIFY(pixelsOf(p.pattern1().Picture1->image(), Yellow.rgb()) > 20);
        QCOMPARE(bottomEdge(p.pattern1()), Blue);

        QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
        QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape aan"));
        QVERIFY(bottomEdge(p.pattern1()) != Blue);
        QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
        QCOMPARE(bottomEdge(p.pattern1()), Blue);

        // The About window runs its credits and goes by itself.
        p.panel.mnu_Info->trigger();
        Frm_info& about = *p.windows.loadedAbout();
        about.Timer2.stop();
        for (int tick = 0; tick < 470; ++tick)
            about.Timer2_Timer();
        QVERIFY(!p.windows.loadedAbout());

        QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
        QVERIFY(p.pattern2().isVisible());
        p.panel.mnu_afsluiten->trigger();
        QVERIFY(!p.windows.anyWindowLoaded());
    }
    // And once more: everything the operator set is there.
    Program p(t);
    QCOMPARE(p.panel.Text1->text(), QStringLiteral("PI6ATV"));
    QCOMPARE(p.panel.Text2->text(), QStringLiteral("1252 MHz"));
    QCOMPARE(p.panel.Text5->text(), QStringLiteral("JO22KD"));
    QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("PI6ATV"));
    QCOMPARE(p.station.tickerStrip().font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(p.station.screenTicker().TickerText, QString(29, ' ') + QStringLiteral("Second text"));
    Frm_Tickertape& dialog = p.openFromMenu(p.panel.mnu_TT, &WindowRegistry::loadedTickerDialog);
    QVERIFY(dialog.tt_enabled->isChecked());
    QCOMPARE(dialog.tt_speed->text(), QStringLiteral("20"));
    QCOMPARE(dialog.Text1->toPlainText(), QStringLiteral("Second text"));
    QCOMPARE(Frm_Tickertape::swatchColor(dialog.Picture1), Blue);
    QCOMPARE(Frm_Tickertape::swatchColor(dialog.Picture2), Yellow);
}

QTEST_MAIN(ScenarioTest)
#include "scenario_test.moc"
