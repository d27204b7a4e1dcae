#include "ProgramFixture.h"
#include "about/Frm_info.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

// The program by keyboard alone: menus, closing, picking and leaving fields.
class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void menus_openWithAltBAndF10_andCtrlQEnds();
    void escape_closesEachDialog_data();
    void escape_closesEachDialog();
    void enter_picksTheFont();
    void tab_leavesTheTickerText_withoutATab();
    void quitWithAnUnseenDialog_endsTheProgram();
};

void KeyboardTest::menus_openWithAltBAndF10_andCtrlQEnds() {
    TestPlatform t;
    Program p(t);
    QTRY_COMPARE(QApplication::activeWindow(), &p.panel);
    for (const QKeyCombination key : {QKeyCombination(Qt::AltModifier, Qt::Key_B),
                                      QKeyCombination(Qt::NoModifier, Qt::Key_F10)}) {
        QTest::keyClick(&p.panel, key.key(), key.keyboardModifiers());
        QTRY_VERIFY(QApplication::activePopupWidget());
        QCOMPARE(QApplication::activePopupWidget()->objectName(), QStringLiteral("mnu_bestand"));
        QApplication::activePopupWidget()->close();
    }
    QTest::keyClick(&p.panel, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!p.windows.anyWindowLoaded());
    QCOMPARE(p.lastWindowGone, 1);
}

void KeyboardTest::escape_closesEachDialog_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("ticker settings") << QStringLiteral("Frm_Tickertape");
    QTest::newRow("font picker") << QStringLiteral("Fonts");
    QTest::newRow("about") << QStringLiteral("Frm_info");
}

void KeyboardTest::escape_closesEachDialog() {
    QFETCH(QString, window);
    TestPlatform t({{"tt_enabled", "1"}});
    t.writeTickerFile("kept");
    Program p(t);
    LoadedWindow* shown = nullptr;
    if (window == QLatin1String("Fonts"))
        shown = &p.windows.fonts();
    else if (window == QLatin1String("Frm_info"))
        shown = &p.windows.about();
    else
        shown = &p.windows.tickerDialog();
    shown->showInFront();
    QVERIFY(QTest::qWaitForWindowActive(shown));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : shown,
                    Qt::Key_Escape);
    QVERIFY(!p.windows.loadedTickerDialog() && !p.windows.loadedFonts() &&
            !p.windows.loadedAbout());
    // Closing is not saving.
    QCOMPARE(t.tickerFileBytes(), QByteArray("kept"));
}

void KeyboardTest::enter_picksTheFont() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& dialog = p.windows.tickerDialog();
    dialog.showInFront();
    dialog.Command4_Click();
    Fonts* picker = p.windows.loadedFonts();
    QVERIFY(picker && QTest::qWaitForWindowActive(picker));
    picker->List1->setFocus();
    picker->List1->setCurrentRow(1);
    QTest::keyClick(picker->List1, Qt::Key_Return);
    QVERIFY(!p.windows.loadedFonts());
    QCOMPARE(dialog.tt_font->text(), t.fonts.at(1));
}

void KeyboardTest::tab_leavesTheTickerText_withoutATab() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& dialog = p.windows.tickerDialog();
    dialog.showInFront();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.Text1->setFocus();
    QTest::keyClicks(dialog.Text1, QStringLiteral("CQ"));
    QTest::keyClick(dialog.Text1, Qt::Key_Tab);
    QCOMPARE(dialog.Text1->toPlainText(), QStringLiteral("CQ"));
    QCOMPARE(QApplication::focusWidget(), dialog.tt_enabled);
}

void KeyboardTest::quitWithAnUnseenDialog_endsTheProgram() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    p.windows.tickerDialog().showInFront();
    p.windows.tickerDialog().Command4_Click();
    p.windows.tickerDialog().Command1_Click(); // saved and gone; the picker stays
    QListWidget* list = p.windows.loadedFonts()->List1;
    list->setCurrentRow(0);
    p.windows.loadedFonts()->List1_DblClick(); // loads the dialog again, unseen
    QVERIFY(p.windows.loadedTickerDialog() && !p.windows.loadedTickerDialog()->isVisible());
    p.panel.mnu_afsluiten->trigger();
    QVERIFY(!p.windows.anyWindowLoaded());
    QCOMPARE(p.lastWindowGone, 1);
}

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
