#include "ProgramFixture.h"
#include "about/Credits.h"
#include "about/Frm_info.h"

#include <QLabel>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

Frm_info& openAbout(Program& p) {
    Frm_info& about = p.openFromMenu(p.panel.mnu_Info, &WindowRegistry::loadedAbout);
    // The test drives the scroll by hand.
    about.Timer2.stop();
    return about;
}

void tick(Frm_info& about, int times) {
    for (int i = 0; i < times; ++i)
        about.Timer2_Timer();
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void layout_andCredits();
    void scrollsByItself_onceShown();
    void closesItselfOnTick470_not469();
    void exit_closesAtAnyTick_andReopeningStartsAtTheTop();
    void infoTwice_doesNotRestart();
    void creditsNeverTakeTheFocus();
    void link_callsTheLauncher_andKeepsScrolling();
};

void AboutTest::layout_andCredits() {
    TestPlatform t;
    Program p(t);
    Frm_info& about = openAbout(p);
    QCOMPARE(about.size(), QSize(288, 202));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.Timer2.interval(), 20);
    QCOMPARE(about.Image1->pixmap().size(), QSize(103, 77));
    QCOMPARE(about.Label5->text(), QStringLiteral("ATV Kalvra  V2.1"));
    QCOMPARE(about.Label3->text(), Credits::AuthorCallSign);
    const QStringList lines = about.Text1->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 22); // 21 lines, each ended by CR LF
    QCOMPARE(lines.at(4), QStringLiteral("Kalvora Generator"));
    QCOMPARE(lines.at(11), Credits::AuthorCallSign);
    QCOMPARE(lines.at(12), Credits::Town + QStringLiteral(", ") + Credits::Locator);
    QCOMPARE(lines.at(15), QString(17, QLatin1Char('_')));
    QCOMPARE(lines.at(20), Credits::EMail);
    // The credits cover the viewport and hide the call sign and rule under them.
    QCOMPARE(about.Text1->geometry(), QRect(0, 0, 174, 305));
    QCOMPARE(about.Picture1->children().last(), about.Text1);
}

void AboutTest::scrollsByItself_onceShown() {
    TestPlatform t;
    Program p(t);
    p.panel.mnu_Info->trigger();
    Frm_info* about = p.windows.loadedAbout();
    QVERIFY(about);
    // 20 ms a step, 10 twips each: a quarter of a second moves the credits up a good way.
    QTRY_VERIFY_WITH_TIMEOUT(about->text1Top() <= -100.0, 3000);
    QVERIFY(about->Text1->y() < 0);
}

void AboutTest::closesItselfOnTick470_not469() {
    TestPlatform t;
    Program p(t);
    Frm_info& about = openAbout(p);
    tick(about, 469);
    QCOMPARE(about.text1Top(), -4690.0);
    QCOMPARE(about.Text1->y(), -313); // nearest pixel
    QCOMPARE(p.windows.loadedAbout(), &about);
    tick(about, 1);
    QVERIFY(!p.windows.loadedAbout());
}

void AboutTest::exit_closesAtAnyTick_andReopeningStartsAtTheTop() {
    TestPlatform t;
    Program p(t);
    Frm_info& about = openAbout(p);
    tick(about, 123);
    QTest::mouseClick(about.Label1, Qt::LeftButton);
    QVERIFY(!p.windows.loadedAbout());
    Frm_info& again = openAbout(p);
    QCOMPARE(again.text1Top(), 0.0);
    QCOMPARE(again.Text1->y(), 0);
}

void AboutTest::infoTwice_doesNotRestart() {
    TestPlatform t;
    Program p(t);
    Frm_info& about = openAbout(p);
    tick(about, 50);
    p.panel.mnu_Info->trigger();
    QCOMPARE(p.windows.loadedAbout(), &about);
    QCOMPARE(about.text1Top(), -500.0);
}

void AboutTest::creditsNeverTakeTheFocus() {
    TestPlatform t;
    Program p(t);
    Frm_info& about = openAbout(p);
    QTest::mouseClick(about.Text1, Qt::LeftButton, {}, QPoint(80, 40));
    QVERIFY(!about.Text1->hasFocus());
    QCOMPARE(about.Text1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(about.Text1->textInteractionFlags(), Qt::NoTextInteraction);
    QVERIFY(!about.Text1->hasSelectedText());
}

void AboutTest::link_callsTheLauncher_andKeepsScrolling() {
    TestPlatform t;
    t.launcherWorks = false; // a browser that does not start changes nothing here
    Program p(t);
    Frm_info& about = openAbout(p);
    tick(about, 10);
    QTest::mouseClick(about.Label2, Qt::LeftButton);
    QCOMPARE(t.openedUrls, QList<QUrl>({QUrl(Credits::WebAddress)}));
    QCOMPARE(p.windows.loadedAbout(), &about);
    tick(about, 10);
    QCOMPARE(about.text1Top(), -200.0);
}

QTEST_MAIN(AboutTest)
#include "about_test.moc"
