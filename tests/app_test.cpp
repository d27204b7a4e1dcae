#include "ProgramFixture.h"
#include "ScreenPictures.h"
#include "app/Form1.h"
#include "app/Preview.h"
#include "app/WindowRegistry.h"
#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "pattern/PictureBox.h"
#include "pattern/TickerStrip.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora::test;
using kalvora::Form1;
using kalvora::ScreenSide;
using kalvora::WindowRegistry;
namespace Cards = kalvora::Cards;

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void preview_showsWhatIsOnAir_andComesBackWhereItWas();
    void scaledOutput_bothWindowsShowThePatternInFront_andThePreviewTellsTheTruth();
    void warning_comesUpOverTheWindowItConcerns();
    void uitgang_choosesTheOutputScreen_andFollowsScreensThatComeAndGo();
    void tickerFolder_neverASystemFolder_evenForRoot_data();
    void tickerFolder_neverASystemFolder_evenForRoot();
    void emptyStore_showsInitialFieldsAndCaptions();
    void panel_layoutMatchesTheTable();
    void startUp_placesHiddenPatternsOnSecondScreen_andSchermToggles();
    void typingIntoText1_reachesCaptionAndStoreAfterEachKey();
    void clearedText3_isStoredEmpty_andComesBackEmpty();
    void typingIntoText5_changesNoCaption();
    void storedFields_comeBackAtStart_andCaptionsDropPlaceholders();
    void kalvora1ThenKalvora2_showsBoth_pattern2InFront();
    void pictureClick_hidesPattern1_captionClickDoesNot();
    void longCallSign_widensBoxAroundItsCentre();
    void afsluiten_closesPanelAndPatterns_andProgramEnds();
    void patternClosedFromOutside_onlyHides_andKeepsItsCaptions();
    void closeBox_takesPatternsDown_butLeavesOtherWindows();
};

void AppTest::emptyStore_showsInitialFieldsAndCaptions() {
    TestPlatform t;
    Program p(t);
    QCOMPARE(p.panel.Text1->text(), QStringLiteral("QQ0ABC"));
    QCOMPARE(p.panel.Text2->text(), QStringLiteral("144.750 MHz"));
    QCOMPARE(p.panel.Text3->text(), QStringLiteral("QQ0ABC"));
    QCOMPARE(p.panel.Text4->text(), QStringLiteral("144.750 MHz"));
    QCOMPARE(p.panel.Text5->text(), QStringLiteral("AA00AA"));
    QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("QQ0ABC"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("144.750 MHz"));
    // The pattern 2 placeholders' leading blanks are gone: the captions are the fields.
    QCOMPARE(p.pattern2().Label1->text(), QStringLiteral("QQ0ABC"));
    QCOMPARE(p.pattern2().Label2->text(), QStringLiteral("144.750 MHz"));
    // Pattern 1's load reported its inner size in twips.
    QCOMPARE(p.panel.Label1->text(), QStringLiteral("9120"));
    QCOMPARE(p.panel.Label2->text(), QStringLiteral("12120"));
    QCOMPARE(p.panel.Text6->text(), QStringLiteral("5"));
    QCOMPARE(p.station.altToggle(), 1);
    // Start-up stores nothing on an empty store.
    QVERIFY(!t.storeHas(QStringLiteral("Text1")));
}

void AppTest::panel_layoutMatchesTheTable() {
    TestPlatform t;
    // With the ticker enabled, so that its button is shown and takes its place in the order.
    t.store->WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("1"));
    Program p(t);
    QCOMPARE(p.panel.windowTitle(), QStringLiteral("Kalvora Generator"));
    QCOMPARE(p.panel.client->size(), QSize(182, 194));
    QCOMPARE(p.panel.height(), p.panel.menuBar->height() + 194);
    QVERIFY(!(p.panel.windowFlags() & Qt::WindowMinMaxButtonsHint));
    const QStringList menus = {p.panel.menuBar->actions().at(0)->text(), p.panel.mnu_TT->text(),
                               p.panel.mnu_Info->text()};
    // With their keys underlined: Alt+B, Alt+T, Alt+I; Alt+A in the menu.
    QCOMPARE(menus, QStringList({"&Bestand", "&TickerTape", "&Info"}));
    QCOMPARE(p.panel.mnu_afsluiten->text(), QStringLiteral("&Afsluiten"));
    // Centred on the primary screen.
    QVERIFY(qAbs(p.panel.frameGeometry().center().x() - 640) <= 2);
    // The controls below the client area are out of sight and out of the keyboard's reach.
    for (QWidget* hidden :
         {static_cast<QWidget*>(p.panel.Label1), static_cast<QWidget*>(p.panel.Label2),
          p.panel.Picture2, static_cast<QWidget*>(p.panel.Text6)})
        QVERIFY2(hidden->visibleRegion().isEmpty(), qPrintable(hidden->objectName()));
    QCOMPARE(p.panel.Text6->focusPolicy(), Qt::NoFocus);
    // Keyboard order, starting at "Kalvora 1".
    QTRY_COMPARE(QApplication::focusWidget(), p.panel.Command1);
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"Command1", "Command2", "Command3", "Text1", "Text2", "Text3",
                                 "Text4", "Text5", "Command4"}));
}

void AppTest::startUp_placesHiddenPatternsOnSecondScreen_andSchermToggles() {
    TestPlatform t;
    Program p(t);
    QCOMPARE(p.station.screenSide(), ScreenSide::Right);
    QCOMPARE(p.pattern1().pos(), QPoint(1280, 0));
    QCOMPARE(p.pattern2().pos(), QPoint(1280, 0));
    QVERIFY(!p.pattern1().isVisible());
    QVERIFY(!p.pattern2().isVisible());
    QCOMPARE(p.pattern1().size(), QSize(808, 608));

    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QCOMPARE(p.station.screenSide(), ScreenSide::Left);
    QCOMPARE(p.pattern1().pos(), QPoint(0, 0));
    QCOMPARE(p.pattern2().pos(), QPoint(0, 0));
    QVERIFY(!p.pattern1().isVisible());

    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QCOMPARE(p.station.screenSide(), ScreenSide::Right);
    QCOMPARE(p.pattern1().pos(), QPoint(1280, 0));
    QCOMPARE(p.pattern2().pos(), QPoint(1280, 0));

    // Shown on the transmitter's screen, borderless, at its full size.
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&p.pattern1()));
    QCOMPARE(p.pattern1().screen()->name(), QStringLiteral("Transmitter"));
    QCOMPARE(p.pattern1().frameGeometry(), QRect(1280, 0, 808, 608));
}

void AppTest::typingIntoText1_reachesCaptionAndStoreAfterEachKey() {
    TestPlatform t;
    Program p(t);
    p.panel.Text1->selectAll();
    QTest::keyClick(p.panel.Text1, Qt::Key_Delete);
    QString typed;
    for (const QChar key : QStringLiteral("PA3X")) {
        QTest::keyClicks(p.panel.Text1, QString(key));
        typed += key;
        QCOMPARE(p.pattern1().Label1->text(), typed);
        QCOMPARE(t.storedValue(QStringLiteral("Text1")), typed);
    }
    // Frequency typed into Text2 replaces pattern 1's second line at once.
    QTest::keyClick(p.panel.Text2, Qt::Key_End);
    QTest::keyClicks(p.panel.Text2, QStringLiteral("5"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("144.750 MHz5"));
    QCOMPARE(t.storedValue(QStringLiteral("Text2")), QStringLiteral("144.750 MHz5"));
    // Pattern 2's fields go to pattern 2 only.
    QTest::keyClick(p.panel.Text4, Qt::Key_End);
    QTest::keyClicks(p.panel.Text4, QStringLiteral("!"));
    QCOMPARE(p.pattern2().Label2->text(), QStringLiteral("144.750 MHz!"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("144.750 MHz5"));
}

void AppTest::clearedText3_isStoredEmpty_andComesBackEmpty() {
    TestPlatform t;
    {
        Program p(t);
        p.panel.Text3->selectAll();
        QTest::keyClick(p.panel.Text3, Qt::Key_Backspace);
        QCOMPARE(p.pattern2().Label1->text(), QString());
        QVERIFY(t.storeHas(QStringLiteral("Text3")));
        QCOMPARE(t.storedValue(QStringLiteral("Text3")), QString());
    }
    Program again(t);
    QCOMPARE(again.panel.Text3->text(), QString());
    QCOMPARE(again.pattern2().Label1->text(), QString());
    QCOMPARE(again.panel.Text1->text(), QStringLiteral("QQ0ABC"));
}

void AppTest::typingIntoText5_changesNoCaption() {
    TestPlatform t;
    Program p(t);
    QTest::keyClick(p.panel.Text5, Qt::Key_End);
    QTest::keyClicks(p.panel.Text5, QStringLiteral("B"));
    QCOMPARE(t.storedValue(QStringLiteral("Text5")), QStringLiteral("AA00AAB"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("144.750 MHz"));
    QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("QQ0ABC"));
}

void AppTest::storedFields_comeBackAtStart_andCaptionsDropPlaceholders() {
    TestPlatform t({{"Text1", "PI4ATV"},
                    {"Text2", "1252 MHz, FM"},
                    {"Text3", " PI4ATV"},
                    {"Text5", "JO22KD"}});
    Program p(t);
    QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("PI4ATV"));
    QCOMPARE(p.pattern1().Label2->text(), QStringLiteral("1252 MHz, FM"));
    QCOMPARE(p.pattern2().Label1->text(), QStringLiteral(" PI4ATV"));
    QCOMPARE(p.panel.Text5->text(), QStringLiteral("JO22KD"));
    QCOMPARE(t.storedValue(QStringLiteral("Text2")), QStringLiteral("1252 MHz, FM"));
}

void AppTest::kalvora1ThenKalvora2_showsBoth_pattern2InFront() {
    TestPlatform t;
    Program p(t);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&p.pattern2()));
    QVERIFY(p.pattern1().isVisible());
    QVERIFY(p.pattern2().isVisible());
    QVERIFY(p.pattern1().windowHandle() && p.pattern2().windowHandle());
    // Showing a shown window only brings it to the front (the offscreen platform cannot stack
    // windows or keep the keyboard: the smoke test checks both on a real X server).
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QVERIFY(p.pattern1().isVisible());
    QCOMPARE(p.pattern1().pos(), QPoint(1280, 0));
}

void AppTest::pictureClick_hidesPattern1_captionClickDoesNot() {
    TestPlatform t;
    Program p(t);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&p.pattern1()));
    kalvora::Display& d = p.pattern1();
    QTest::mouseClick(d.Label1, Qt::LeftButton);
    QTest::mouseClick(d.Label3, Qt::LeftButton);
    QTest::mouseClick(d.Picture1, Qt::LeftButton);
    QVERIFY(d.isVisible());
    // Clicks anywhere on pattern 2 do nothing.
    QTest::mouseClick(p.pattern2().Image1, Qt::LeftButton);
    QTest::mouseClick(p.pattern2().Label1, Qt::LeftButton);
    QVERIFY(p.pattern2().isVisible());

    QTest::mouseClick(d.Image1, Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(!d.isVisible());
    QVERIFY(p.pattern2().isVisible());
    // Hidden, not gone: shown again unchanged.
    QCOMPARE(p.windows.loadedDisplay(), &d);
    QCOMPARE(d.Label1->text(), QStringLiteral("QQ0ABC"));
}

void AppTest::longCallSign_widensBoxAroundItsCentre() {
    TestPlatform t;
    Program p(t);
    kalvora::Caption* callSign = p.pattern1().Label1;
    const QRect before = callSign->geometry();
    const QRect frequencyBox = p.pattern1().Label2->geometry();
    p.panel.Text1->setText(QStringLiteral("QQ0ABC/PORTABLE"));
    const QRect after = callSign->geometry();
    QVERIFY(after.width() > before.width());
    QVERIFY(qAbs(after.center().x() - before.center().x()) <= 1);
    QCOMPARE(after.top(), before.top());
    QCOMPARE(p.pattern1().Label2->geometry(), frequencyBox);
    // Many rounds of typing and correcting, of odd and even widths, and the box is back where
    // it was: its centre never creeps.
    for (int round = 0; round < 10; ++round) {
        for (const char* text : {"Q", "QQ0", "QQ0AB", "PA3XYZ/P", "I", "QQ0ABCD"})
            p.panel.Text1->setText(QString::fromLatin1(text));
        p.panel.Text1->setText(QStringLiteral("QQ0ABC"));
    }
    QCOMPARE(callSign->geometry(), before);
    // Pattern 2's bar grows to the right from the left edge.
    p.panel.Text3->setText(QStringLiteral("QQ0ABC/PORTABLE"));
    QCOMPARE(p.pattern2().Label1->x(), 0);
    QVERIFY(p.pattern2().Label1->width() > 200);
}

void AppTest::afsluiten_closesPanelAndPatterns_andProgramEnds() {
    TestPlatform t;
    Program p(t);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    p.panel.mnu_afsluiten->trigger();
    QVERIFY(!p.windows.loadedDisplay());
    QVERIFY(!p.windows.loadedPattern2());
    QVERIFY(!p.windows.loadedForm1());
    QCOMPARE(p.lastWindowGone, 1);
}

void AppTest::closeBox_takesPatternsDown_butLeavesOtherWindows() {
    TestPlatform t;
    Program p(t);
    p.panel.mnu_Info->trigger();
    QVERIFY(p.windows.loadedAbout());
    p.panel.close();
    QVERIFY(!p.windows.loadedDisplay());
    QVERIFY(!p.windows.loadedPattern2());
    QVERIFY(!p.windows.loadedForm1());
    QCOMPARE(p.lastWindowGone, 0);
}

void AppTest::patternClosedFromOutside_onlyHides_andKeepsItsCaptions() {
    TestPlatform t;
    Program p(t);
    p.panel.Text1->setText(QStringLiteral("PI6ATV"));
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    kalvora::Display& pattern1 = p.pattern1();
    pattern1.close(); // as the window system would
    QCOMPARE(p.windows.loadedDisplay(), &pattern1);
    QVERIFY(pattern1.isHidden());
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QCOMPARE(pattern1.Label1->text(), QStringLiteral("PI6ATV"));
    QCOMPARE(pattern1.pos(), QPoint(1280, 0));
}

void AppTest::tickerFolder_neverASystemFolder_evenForRoot_data() {
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("beside");
#ifndef Q_OS_WIN // system folders by name; on Windows what counts is whether a file can be made
    QTest::newRow("/usr/bin") << QStringLiteral("/usr/bin") << false;
    QTest::newRow("/usr/local/bin") << QStringLiteral("/usr/local/bin") << false;
#endif
    QTest::newRow("/opt/kalvora") << QStringLiteral("/opt/kalvora") << false;
    QTest::newRow("a folder of the operator's") << QString() << true;
}

void AppTest::tickerFolder_neverASystemFolder_evenForRoot() {
    QFETCH(QString, programFolder);
    QFETCH(bool, beside);
    QTemporaryDir own;
    const QString program = programFolder.isEmpty() ? own.path() : programFolder;
    const QString data = own.filePath(QStringLiteral("data/Kalvora"));
    QCOMPARE(kalvora::Platform::tickerFolderFor(program, data), beside ? program : data);
    QCOMPARE(QFileInfo(data).isDir(), !beside);
}

void AppTest::uitgang_choosesTheOutputScreen_andFollowsScreensThatComeAndGo() {
    TestPlatform t;
    Program p(t);
    // The menu lists automatic (chosen) and both screens.
    emit p.panel.mnu_uitgang->aboutToShow();
    QStringList offered;
    for (const QAction* action : p.panel.mnu_uitgang->actions())
        if (!action->isSeparator())
            offered << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString());
    QCOMPARE(offered, QStringList({"&Automatisch *", "Primary, 1280 x 1024",
                                   "Transmitter, 1024 x 768", "Beeld &1:1 (808 x 608) *",
                                   "Beeld &passend op het scherm", "Beeld &schermvullend"}));
    // The patterns sit on the second screen as always; choosing the primary screen as the
    // output moves them there, and Scherm swaps between it and the primary: the same place.
    QAction* primary = p.panel.mnu_uitgang->actions().at(2);
    primary->trigger();
    QCOMPARE(t.storedValue(QStringLiteral("output_screen")), QStringLiteral("Primary"));
    QCOMPARE(p.pattern1().pos(), QPoint(0, 0));
    QCOMPARE(p.pattern2().pos(), QPoint(0, 0));

    // The transmitter's screen moves below the primary one and is chosen.
    t.screens =
        QList<kalvora::ScreenInfo>{{"Primary", {}, {0, 0, 1280, 1024}, {1280, 1024}, true},
                                   {"Transmitter", {}, {0, 1024, 1024, 768}, {1024, 768}, false}};
    p.station.chooseOutputScreen(QStringLiteral("Transmitter"));
    QCOMPARE(p.pattern1().pos(), QPoint(0, 1024));
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QCOMPARE(p.pattern1().pos(), QPoint(0, 0));
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QCOMPARE(p.pattern1().pos(), QPoint(0, 1024));

    // Unplugged: to the operator's screen, still shown; plugged in again: back on it.
    t.screens->removeLast();
    p.station.screensChanged();
    QCOMPARE(p.pattern1().pos(), QPoint(0, 0));
    QVERIFY(p.pattern1().isVisible());
    QVERIFY(!p.pattern2().isVisible());
    emit p.panel.mnu_uitgang->aboutToShow();
    // Automatisch, a line, the primary screen, then the chosen one that is away.
    const QAction* away = p.panel.mnu_uitgang->actions().at(3);
    QCOMPARE(away->text(), QStringLiteral("Transmitter (niet aangesloten)"));
    QVERIFY(away->isChecked());
    t.screens->append({"Transmitter", {}, {0, 1024, 1024, 768}, {1024, 768}, false});
    p.station.screensChanged();
    QCOMPARE(p.pattern1().pos(), QPoint(0, 1024));
    // Every screen gone: nothing crashes, the windows stay.
    t.screens->clear();
    p.station.screensChanged();
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QVERIFY(p.pattern1().isVisible());

    // The choice comes back at the next start.
    Program again(t);
    QCOMPARE(again.pattern1().pos(), QPoint(0, 0)); // no screen, so the operator's corner
    t.screens.reset(); // the offscreen screens: "Transmitter" right of the primary
    again.station.screensChanged();
    QCOMPARE(again.pattern1().pos(), QPoint(1280, 0));
}

void AppTest::preview_showsWhatIsOnAir_andComesBackWhereItWas() {
    TestPlatform t;
    {
        Program p(t);
        p.panel.mnu_voorbeeld->trigger();
        kalvora::Preview* preview = p.windows.loadedPreview();
        QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
        preview->setGeometry(100, 120, 404, 304);
        const auto shown = [&] { return grabbed(*preview); };
        const auto scaled = [](QWidget& pattern) {
            return grabbed(pattern).scaled(404, 304, Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
        };
        // Nothing on air: black, with words in the middle.
        QImage picture = shown();
        QCOMPARE(picture.pixel(10, 10), qRgb(0, 0, 0));
        bool words = false;
        for (int x = 100; x < 300; ++x)
            words =
                words || qGray(picture.pixel(x, 152)) > 128 || qGray(picture.pixel(x, 150)) > 128;
        QVERIFY(words);
        // Each pattern as it goes on air, the one in front when both are.
        QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
        const double one = meanChannelDifference(shown(), scaled(p.pattern1()));
        QVERIFY2(one < 8, qPrintable(QString::number(one)));
        QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
        const double two = meanChannelDifference(shown(), scaled(p.pattern2()));
        QVERIFY2(two < 8, qPrintable(QString::number(two)));
        QVERIFY(meanChannelDifference(shown(), scaled(p.pattern1())) > 20);
        p.panel.mnu_afsluiten->trigger();
        QVERIFY(!p.windows.loadedPreview());
    }
    QCOMPARE(t.storedValue(QStringLiteral("preview_geometry")), QStringLiteral("100,120,404,304"));
    Program again(t);
    again.panel.mnu_voorbeeld->trigger();
    QCOMPARE(again.windows.loadedPreview()->geometry(), QRect(100, 120, 404, 304));
}

void AppTest::scaledOutput_bothWindowsShowThePatternInFront_andThePreviewTellsTheTruth() {
    // A preview stored far larger than any screen opens no larger than the screens together.
    TestPlatform t({{"output_scale", "fit"}, {"preview_geometry", "0,0,100000,100000"}});
    Program p(t);
    p.panel.mnu_voorbeeld->trigger();
    QVERIFY(p.windows.loadedPreview()->width() <= 1280 + 1024);
    QVERIFY(p.windows.loadedPreview()->height() <= 1024);
    const auto onScreen = [](QWidget& window) { return window.grab().toImage(); };
    // Both up, each in turn in front: whichever window a window manager stacks on top, the
    // transmitter shows the pattern chosen last.
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QCOMPARE(onScreen(p.pattern2()), onScreen(p.pattern1()));
    QCOMPARE(p.station.onAir().card, Cards::TestCard);
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    QCOMPARE(onScreen(p.pattern1()), onScreen(p.pattern2()));
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    // A click on pattern 1's picture through the window below takes pattern 1 down, and that
    // window shows its own pattern again.
    const QImage mirrored = onScreen(p.pattern2());
    QTest::mouseClick(&p.pattern2(), Qt::LeftButton, {}, p.pattern2().rect().center());
    QVERIFY(!p.pattern1().isVisible());
    QCOMPARE(p.station.onAir().card, Cards::ColourBars);
    QVERIFY(onScreen(p.pattern2()) != mirrored);
    // After Scherm the transmitter shows nothing of ours, and the preview says so.
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QVERIFY(p.station.onAir().card.isEmpty());
    QVERIFY(p.station.onAir().whyNothing.contains(QStringLiteral("Scherm")));

    // Automatisch with the output screen left of the primary: the patterns go to it, fitted,
    // never onto the primary screen over the panel.
    t.screens =
        QList<kalvora::ScreenInfo>{{"Primary", {}, {1024, 0, 1280, 1024}, {1280, 1024}, true},
                                   {"Transmitter", {}, {0, 0, 1024, 768}, {1024, 768}, false}};
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    QCOMPARE(p.pattern2().geometry(), QRect(0, 0, 1024, 768));
    QCOMPARE(p.station.onAir().card, Cards::ColourBars);
}

void AppTest::warning_comesUpOverTheWindowItConcerns() {
    TestPlatform t;
    const kalvora::Platform real = kalvora::Platform::system(t.store.get(), t.dir.path());
    QWidget window;
    window.resize(300, 200);
    // Warned while it loads, before it is placed and shown, as the ticker dialog does.
    real.warn(&window, QStringLiteral("Kalvora"), QStringLiteral("TickerTape.txt cannot be read"));
    window.move(700, 500);
    window.show();
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window.findChild<QMessageBox*>()) && box->isVisible());
    // Beside it, not over it, and on the screen.
    const QRect placed = box->frameGeometry();
    QVERIFY2(placed.adjusted(-16, -16, 16, 16).intersects(window.frameGeometry()) &&
                 !placed.intersects(window.frameGeometry()) &&
                 QRect(0, 0, 1280, 1024).contains(placed),
             qPrintable(QStringLiteral("box at %1,%2").arg(box->x()).arg(box->y())));
}

QTEST_MAIN(AppTest)
#include "app_test.moc"
