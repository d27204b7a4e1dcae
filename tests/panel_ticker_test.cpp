#include "ProgramFixture.h"
#include "pattern/FrameRenderer.h"
#include "pattern/TickerStrip.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

bool hasInk(const QImage& image, QRgb background) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                return true;
    return false;
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
};

void PanelTickerTest::emptyStore_givesDefaultStrips_disabled() {
    TestPlatform t;
    Program p(t);
    const TickerSettings& s = p.station.ticker.settings;
    QCOMPARE(s.TtHeight, 648);
    QCOMPARE(s.TtWidth, 12030);
    TickerStrip& strip = *p.pattern1().Picture1;
    QCOMPARE(strip.size(), QSize(802, 43));
    QCOMPARE(p.station.offscreenStrip.size(), QSize(802, 43));
    QCOMPARE(strip.geometry().bottom() + 1, p.pattern1().height());
    QCOMPARE(strip.x(), 0);
    QCOMPARE(strip.backColor(), QColor(Qt::white));
    QCOMPARE(p.station.offscreenStrip.backColor(), QColor(Qt::white));
    QCOMPARE(p.station.offscreenStrip.foreColor(), QColor(Qt::black));
    QCOMPARE(p.station.offscreenStrip.font().family(), QStringLiteral("arial"));
    QCOMPARE(p.station.offscreenStrip.font().pointSizeF(), 24.0);
    QVERIFY(p.station.offscreenStrip.font().bold());
    QVERIFY(strip.isHidden());
    QVERIFY(p.panel.Command4->isHidden());
    QVERIFY(!p.station.ticker.Timer3.isActive());
}

void PanelTickerTest::fontSizeAndPosition_sizeAndRaiseTheStrip() {
    TestPlatform t({{"tt_fontsize", "10.5"}, {"tt_position", "300"}});
    Program p(t);
    QCOMPARE(p.station.ticker.settings.TtHeight, 284);
    TickerStrip& strip = *p.pattern1().Picture1;
    QCOMPARE(strip.height(), 19);
    QCOMPARE(strip.geometry().bottom() + 1, 608 - 20);
    QCOMPARE(p.station.offscreenStrip.font().pointSizeF(), 10.5);
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
    QCOMPARE(p.station.ScreenSide, QStringLiteral("right"));
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("5"));
    QCOMPARE(p.station.AltToggle, 1);
    QVERIFY(p.station.ticker.Timer3.isActive());
    QCOMPARE(p.station.ticker.Timer3.interval(), 50);
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
    const int startChar = p.station.ticker.StartChar;
    QTRY_VERIFY(p.station.ticker.StartChar != startChar); // still stepping while hidden
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    QVERIFY(!strip.isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
}

void PanelTickerTest::enabledWithoutFile_buttonNamesItsNextAction() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    TickerStrip& strip = *p.pattern1().Picture1;
    QVERIFY(strip.isHidden());
    QVERIFY(!p.station.ticker.TickerOn);
    QVERIFY(!p.panel.Command4->isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape aan"));
    QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    QVERIFY(!strip.isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));
    QVERIFY(!p.station.ticker.Timer3.isActive());
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
    QVERIFY(p.station.ticker.Timer3.isActive()); // runs on unseen
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
        p.station.ticker.Timer3_Timer();
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
    p.station.ticker.Timer3_Timer();
    QCOMPARE(renderer.frame(), whole());
    display2& two = p.pattern2();
    FrameRenderer bars(two, nullptr);
    p.panel.Text3->setText(QStringLiteral("PA3XYZ"));
    QImage twoWhole(two.size(), QImage::Format_RGB32);
    two.render(&twoWhole);
    QCOMPARE(bars.frame(), twoWhole);
}

QTEST_MAIN(PanelTickerTest)
#include "panel_ticker_test.moc"
