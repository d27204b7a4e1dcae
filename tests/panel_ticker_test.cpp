#include "ProgramFixture.h"
#include "ScreenPictures.h"
#include "pattern/FrameRenderer.h"
#include "pattern/OnAirFrames.h"
#include "pattern/TickerStrip.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

// How many pixels the strip's content moved left from `before` to `after`, exactly (every
// pixel), or -1 when no shift of up to 8 pixels explains it.
int exactShift(const QImage& before, const QImage& after) {
    for (int shift = 0; shift <= 8; ++shift) {
        bool same = true;
        for (int y = 0; same && y < after.height(); ++y)
            for (int x = 0; same && x + shift < after.width() - 8; ++x)
                same = after.pixel(x, y) == before.pixel(x + shift, y);
        if (same)
            return shift;
    }
    return -1;
}

} // namespace

class PanelTickerTest : public QObject {
    Q_OBJECT
private slots:
    void emptyStore_givesDefaultStrips_disabled();
    void fontSizeAndPosition_sizeAndRaiseTheStrip();
    void badValues_leaveStartUpComplete();
    void enabledWithText_runsOnPattern1_andButtonToggles();
    void enabledWithoutFile_buttonNamesItsNextAction();
    void lees_enabledAgain_showsStripAndButtonWhateverTickerOn();
    void frames_drawOnlyWhatChanged_andEqualTheWindow();
    void onAirFrames_followThePanel_tickerEvenOnEveryFrame();
};

void PanelTickerTest::emptyStore_givesDefaultStrips_disabled() {
    TestPlatform t;
    Program p(t);
    const TickerSettings& s = p.station.tickerSettings();
    QCOMPARE(s.TtHeight, 648);
    QCOMPARE(s.TtWidth, 12030);
    TickerStrip& strip = *p.pattern1().Picture1;
    QCOMPARE(strip.size(), QSize(802, 43));
    QCOMPARE(p.station.tickerStrip().size(), QSize(802, 43));
    QCOMPARE(strip.geometry().bottom() + 1, p.pattern1().height());
    QCOMPARE(strip.x(), 0);
    QCOMPARE(strip.backColor(), QColor(Qt::white));
    QCOMPARE(p.station.tickerStrip().backColor(), QColor(Qt::white));
    QCOMPARE(p.station.tickerStrip().foreColor(), QColor(Qt::black));
    QCOMPARE(p.station.tickerStrip().font().family(), QStringLiteral("arial"));
    QCOMPARE(p.station.tickerStrip().font().pointSizeF(), 24.0);
    QVERIFY(p.station.tickerStrip().font().bold());
    QVERIFY(strip.isHidden());
    QVERIFY(p.panel.Command4->isHidden());
    QVERIFY(!p.station.screenTicker().Timer3.isActive());
}

void PanelTickerTest::fontSizeAndPosition_sizeAndRaiseTheStrip() {
    TestPlatform t({{"tt_fontsize", "10.5"}, {"tt_position", "300"}});
    Program p(t);
    QCOMPARE(p.station.tickerSettings().TtHeight, 284);
    TickerStrip& strip = *p.pattern1().Picture1;
    QCOMPARE(strip.height(), 19);
    QCOMPARE(strip.geometry().bottom() + 1, 608 - 20);
    QCOMPARE(p.station.tickerStrip().font().pointSizeF(), 10.5);
}

void PanelTickerTest::badValues_leaveStartUpComplete() {
    TestPlatform t;
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, const char*>>{{"tt_regellengte", "many"},
                                                                    {"tt_width", "99999"},
                                                                    {"tt_fontsize", "-3"},
                                                                    {"tt_backcolor", "99999999999"},
                                                                    {"tt_forecolor", "blue"},
                                                                    {"tt_speed", "x"},
                                                                    {"tt_enabled", "1"},
                                                                    {"tt_position", "up"}})
        t.store->WriteSetting(QString::fromLatin1(key), QString::fromLatin1(value));
    t.writeTickerFile("still running");
    Program p(t);
    // Every step of the start-up ran.
    QCOMPARE(p.station.screenSide(), ScreenSide::Right);
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("5"));
    QCOMPARE(p.station.altToggle(), 1);
    QVERIFY(p.station.screenTicker().Timer3.isActive());
    QCOMPARE(p.station.screenTicker().Timer3.interval(), 50);
    QCOMPARE(p.pattern1().Picture1->width(), 2184); // 32767 twips
    QCOMPARE(p.pattern1().Picture1->backColor(), QColor(Qt::white));
    // The store still holds what was there: nothing is "repaired" behind the operator's back.
    QCOMPARE(t.storedValue(QStringLiteral("tt_speed")), QStringLiteral("x"));
}

void PanelTickerTest::enabledWithText_runsOnPattern1_andButtonToggles() {
    TestPlatform t({{"tt_enabled", "1"}, {"tt_regellengte", "0"}, {"tt_speed", "5"}});
    t.writeTickerFile("PI6ATV on air");
    Program p(t);
    TickerStrip& strip = *p.pattern1().Picture1;
    QVERIFY(!strip.isHidden());
    QVERIFY(!p.panel.Command4->isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
    // The real timer moves the text onto the visible strip.
    QTRY_VERIFY_WITH_TIMEOUT(hasInk(strip.image(), QColor(Qt::white).rgb()), 5000);

    QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    QVERIFY(strip.isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape aan"));
    const int startChar = p.station.screenTicker().StartChar;
    QTRY_VERIFY(p.station.screenTicker().StartChar != startChar); // still stepping while hidden
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    QVERIFY(!strip.isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
}

void PanelTickerTest::enabledWithoutFile_buttonNamesItsNextAction() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    TickerStrip& strip = *p.pattern1().Picture1;
    QVERIFY(strip.isHidden());
    QVERIFY(!p.station.screenTicker().TickerOn);
    QVERIFY(!p.panel.Command4->isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape aan"));
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    QVERIFY(!strip.isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
    QVERIFY(!p.station.screenTicker().Timer3.isActive());
}

void PanelTickerTest::lees_enabledAgain_showsStripAndButtonWhateverTickerOn() {
    TestPlatform t({{"tt_enabled", "1"}});
    t.writeTickerFile("abc");
    Program p(t);
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton); // off
    t.store->WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("0"));
    p.station.Lees_TT_Settings();
    QVERIFY(p.panel.Command4->isHidden());
    QVERIFY(p.pattern1().Picture1->isHidden());
    QVERIFY(p.station.screenTicker().Timer3.isActive()); // runs on unseen
    t.store->WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("1"));
    t.store->WriteSetting(QStringLiteral("tt_backcolor"), QStringLiteral("255"));
    p.station.Lees_TT_Settings();
    QVERIFY(!p.pattern1().Picture1->isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
    QCOMPARE(p.pattern1().Picture1->backColor(), QColor(255, 0, 0));
}

// A frame put together from the cached picture and captions and the moving strip must be the
// window's own pixels at every moment: after ticker steps, a clock tick, typing, the strip
// switched off and on, and the strip moved by a saved position.
void PanelTickerTest::frames_drawOnlyWhatChanged_andEqualTheWindow() {
    TestPlatform t({{"tt_enabled", "1"}, {"tt_speed", "0"}, {"tt_regellengte", "0"}});
    t.writeTickerFile("Frames from the cache");
    Program p(t);
    FrameRenderer renderer(p.pattern1(), p.pattern1().Picture1);
    const auto whole = [&] {
        QImage image(p.pattern1().size(), QImage::Format_RGB32);
        p.pattern1().render(&image);
        return image;
    };
    QCOMPARE(renderer.frame(), whole());
    for (int step = 0; step < 60; ++step)
        p.station.Timer3_Timer();
    QCOMPARE(renderer.frame(), whole());
    QCOMPARE(renderer.redraws(), 1); // the steps drew no caption again

    p.station.Timer1_Timer();
    QCOMPARE(renderer.frame(), whole());
    p.panel.Text1->setText(QStringLiteral("PI6ATV/P"));
    QCOMPARE(renderer.frame(), whole());
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton); // strip off
    QCOMPARE(renderer.frame(), whole());
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton); // and on
    QCOMPARE(renderer.frame(), whole());
    t.store->WriteSetting(QStringLiteral("tt_position"), QStringLiteral("900"));
    p.station.Lees_TT_Settings();
    p.station.Timer3_Timer();
    QCOMPARE(renderer.frame(), whole());
    display2& two = p.pattern2();
    FrameRenderer bars(two, nullptr);
    p.panel.Text3->setText(QStringLiteral("PA3XYZ"));
    QImage twoWhole(two.size(), QImage::Format_RGB32);
    two.render(&twoWhole);
    QCOMPARE(bars.frame(), twoWhole);
}

// The one frame path, as the panel's stream uses it: the ticker moves the same whole pixels on
// every frame (whatever the screens' timer-driven ticker does meanwhile), the operator's switch
// to Kalvora 2 is in the very next frame, drawn whole, and the on/off button counts here too.
void PanelTickerTest::onAirFrames_followThePanel_tickerEvenOnEveryFrame() {
    TestPlatform t({{"tt_enabled", "1"}, {"tt_regellengte", "0"}, {"tt_speed", "15"}});
    t.writeTickerFile(QByteArray("Frames step evenly - ").repeated(10));
    Program p(t);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    OnAirFrames frames(p.station, 25);
    const QRect strip = p.pattern1().Picture1->geometry();
    // 40 ms a frame at 15 ms a pixel: the nearest whole number, 3 pixels, on every frame.
    QImage before = frames.frameAt(1).copy(strip);
    QVERIFY(!frames.takeChangedRows()); // the first frame goes whole
    for (qint64 index = 2; index < 60; ++index) {
        const QImage after = frames.frameAt(index).copy(strip);
        QCOMPARE(exactShift(before, after), 3);
        const std::optional<FrameSource::RowRanges> rows = frames.takeChangedRows();
        QVERIFY(rows && !rows->isEmpty());
        for (const auto& [first, last] : *rows) // nothing but the strip moved
            QVERIFY(first >= strip.top() && last <= strip.bottom() + 1);
        before = after;
    }
    // An output that never asks (raw frames) is left no growing list: one range, the strip.
    for (qint64 index = 60; index < 260; ++index)
        frames.frameAt(index);
    const std::optional<FrameSource::RowRanges> unasked = frames.takeChangedRows();
    QVERIFY(unasked);
    QCOMPARE(*unasked, FrameSource::RowRanges({{strip.top(), strip.bottom() + 1}}));

    p.panel.Text3->setText(QStringLiteral("QQ0ABC/P"));
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    const QImage bars = frames.frameAt(260);
    QVERIFY(!frames.takeChangedRows());
    QImage screen(bars.size(), QImage::Format_RGB32);
    p.pattern2().stage()->render(&screen);
    QCOMPARE(bars, screen);
    QCOMPARE(frames.callSign(), QStringLiteral("QQ0ABC/P"));

    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QVERIFY(frames.frameAt(261) != bars);
    QCOMPARE(frames.card(), Cards::TestCard);
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton); // ticker strip off
    QVERIFY(!frames.ticker().stripVisible());
    QVERIFY(frames.frameAt(262).copy(strip) != before);
    // A stream started while the strip is off starts with it off.
    QVERIFY(!OnAirFrames(p.station, 25).ticker().stripVisible());
}

QTEST_MAIN(PanelTickerTest)
#include "panel_ticker_test.moc"
