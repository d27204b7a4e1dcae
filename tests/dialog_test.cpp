#include "ProgramFixture.h"
#include "pattern/Caption.h"
#include "pattern/OnAirFrames.h"
#include "pattern/TickerStrip.h"
#include "ticker/TickerSettings.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace kalvora;
using namespace kalvora::test;

namespace {

Frm_Tickertape& openDialog(Program& p) {
    return p.openFromMenu(p.panel.mnu_TT, &WindowRegistry::loadedTickerDialog);
}

void doubleClickEntry(Fonts& picker, int row) {
    QListWidget* list = picker.List1;
    const QRect cell = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList storedTickerKeys(const TestPlatform& t) {
    QStringList present;
    for (const TickerKey* key : TickerKeys::All)
        if (t.storeHas(key->key()))
            present << key->key() + QLatin1Char('=') + t.storedValue(key->key());
    return present;
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT
private slots:
    void emptyStore_showsTheDialogsDefaults();
    void twoLineFile_opensAsOneRun_andSecondMenuOnlyRaises();
    void save_writesExactBytesAndKeys_appliesAtOnce_andCloses();
    void closeBox_writesNothing();
    void checkBox_switchesBothFrames();
    void colours_confirmedThenCancelled_changesOnlyTheFirstSwatch();
    void badNumbers_areNotSaved_andTheFieldIsNamed();
    void greyedOutFields_neverBlockTheSave();
    void fontPicker_listsEveryFontOnce_andHandsOverThePick();
    void fontPicker_closeBoxOrEmptyPick();
    void fontPicker_pickAfterSave_loadsDialogUnseen();
    void saveIntoReadOnlyFolder_showsMessage_keepsEverything();
    void fullDisk_keystrokeAndSave_keepFilesAndEdits();
    void settingsNotStored_dialogStaysOpen_andSaysSo();
    void longText_savesAsTyped_acrossTheShownParagraphs();
    void fontPicker_pickAfterPanelClosed_showsTheDialog();
    void tickerFileIsAFolder_saysSaveCannotReplaceIt_andSaveDoesNot();
};

void DialogTest::emptyStore_showsTheDialogsDefaults() {
    TestPlatform t;
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QCOMPARE(d.windowTitle(), QStringLiteral("TickerTape Settings"));
    QCOMPARE(d.size(), QSize(282, 461));
    QCOMPARE(d.tt_speed->text(), QStringLiteral("50"));
    QVERIFY(!d.tt_enabled->isChecked());
    QCOMPARE(d.tt_regellengte->text(), QStringLiteral("50"));
    QCOMPARE(d.tt_position->text(), QStringLiteral("0"));
    QCOMPARE(Frm_Tickertape::swatchColor(d.Picture1), QColor(Qt::black));
    QCOMPARE(Frm_Tickertape::swatchColor(d.Picture2), QColor(Qt::white));
    QCOMPARE(d.tt_fontsize->text(), QStringLiteral("24"));
    QCOMPARE(d.tt_font->text(), QStringLiteral("arial"));
    QVERIFY(!d.Frame1->isEnabled());
    QVERIFY(!d.Frame2->isEnabled());
    QVERIFY(d.tt_enabled->isEnabled());
    QVERIFY(d.Command1->isEnabled());
    QCOMPARE(d.Text1->toPlainText(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), d.Command1);
    QCOMPARE(d.Command1->geometry(), QRect(200, 416, 65, 33));
    QCOMPARE(d.tt_fontsize->parentWidget(), d.Frame1);
    QCOMPARE(d.Text1->parentWidget(), d.Frame2);
}

void DialogTest::twoLineFile_opensAsOneRun_andSecondMenuOnlyRaises() {
    TestPlatform t;
    t.writeTickerFile("first line\r\nsecond line\r\n");
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QCOMPARE(d.Text1->toPlainText(), QStringLiteral("first linesecond line"));
    d.tt_speed->setText(QStringLiteral("20"));
    Frm_Tickertape& again = openDialog(p);
    QCOMPARE(&again, &d);
    QCOMPARE(again.tt_speed->text(), QStringLiteral("20"));
}

void DialogTest::save_writesExactBytesAndKeys_appliesAtOnce_andCloses() {
    TestPlatform t;
    Program p(t);
    // A frame output running meanwhile (the panel's stream) takes the new look as well.
    OnAirFrames frames(p.station, 25);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.tt_enabled, Qt::LeftButton);
    QVERIFY(d.tt_enabled->isChecked());
    QTest::keyClicks(d.Text1, QStringLiteral("ab"));
    QTest::keyClick(d.Text1, Qt::Key_Return);
    QTest::keyClicks(d.Text1, QStringLiteral("cd"));
    d.tt_position->setText(QStringLiteral("150"));
    d.tt_fontsize->setText(QStringLiteral("12"));
    d.tt_font->setText(QStringLiteral("Liberation Serif"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);

    QCOMPARE(t.tickerFileBytes(), QByteArray("ab\r\ncd"));
    QCOMPARE(storedTickerKeys(t),
             QStringList({"tt_speed=50", "tt_enabled=1", "tt_regellengte=50", "tt_fontsize=12",
                          "tt_font=Liberation Serif", "tt_position=150", "tt_backcolor=0",
                          "tt_forecolor=16777215"}));
    QVERIFY(!p.windows.loadedTickerDialog());
    // Pattern 1's strips took the new look at once: white on black, 12 pt, raised 150 twips.
    TickerStrip& strip = *p.pattern1().Picture1;
    QCOMPARE(strip.backColor(), QColor(Qt::black));
    QCOMPARE(p.station.tickerStrip().backColor(), QColor(Qt::black));
    QCOMPARE(p.station.tickerStrip().foreColor(), QColor(Qt::white));
    QCOMPARE(p.station.tickerStrip().font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(strip.height(), 22); // 324 twips
    QCOMPARE(strip.geometry().bottom() + 1, 608 - 10);
    // The blank lead-in of the stream's strip, a few frames on: the new background.
    QVERIFY(frames.ticker().stripVisible());
    for (int index = 1; index < 20; ++index)
        frames.frameAt(index);
    QCOMPARE(QColor(frames.frameAt(20).pixel(5, strip.geometry().center().y())), QColor(Qt::black));
    QVERIFY(!strip.isHidden());
    QVERIFY(!p.panel.Command4->isHidden());
    QCOMPARE(p.panel.Command4->text(), QStringLiteral("TickerTape uit"));

    // Unchecked stores "0"; the width key is never written.
    Frm_Tickertape& again = openDialog(p);
    QCOMPARE(again.Text1->toPlainText(), QStringLiteral("abcd"));
    QTest::mouseClick(again.tt_enabled, Qt::LeftButton);
    QTest::mouseClick(again.Command1, Qt::LeftButton);
    QCOMPARE(t.storedValue(QStringLiteral("tt_enabled")), QStringLiteral("0"));
    QVERIFY(!t.storeHas(QStringLiteral("tt_width")));
    QVERIFY(p.pattern1().Picture1->isHidden());
    QVERIFY(p.panel.Command4->isHidden());
}

void DialogTest::closeBox_writesNothing() {
    TestPlatform t;
    t.writeTickerFile("keep me");
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    d.tt_speed->setText(QStringLiteral("10"));
    d.Text1->setPlainText(QStringLiteral("lost"));
    d.close();
    QVERIFY(!p.windows.loadedTickerDialog());
    QCOMPARE(t.tickerFileBytes(), QByteArray("keep me"));
    QVERIFY(storedTickerKeys(t).isEmpty());
}

void DialogTest::checkBox_switchesBothFrames() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QVERIFY(d.Frame1->isEnabled() && d.Frame2->isEnabled());
    // What the operator sees of the text box and a green field, ticked and unticked.
    const auto looks = [&d] {
        return std::pair(d.Text1->viewport()->grab().toImage(), d.tt_speed->grab().toImage());
    };
    const auto editable = looks();
    QTest::mouseClick(d.tt_enabled, Qt::LeftButton);
    QVERIFY(!d.Frame1->isEnabled() && !d.Frame2->isEnabled());
    QVERIFY(!d.tt_speed->isEnabled() && !d.Text1->isEnabled() && !d.Command2->isEnabled());
    // Greyed out, they must not look editable: the white box is no longer white, and the green
    // letters fade.
    const auto greyed = looks();
    const QPoint inside(5, 5);
    QCOMPARE(editable.first.pixelColor(inside), QColor(Qt::white));
    QVERIFY(greyed.first.pixelColor(inside).lightness() < 220);
    QVERIFY(greyed.second != editable.second);
    QTest::mouseClick(d.tt_enabled, Qt::LeftButton);
    QVERIFY(d.Frame1->isEnabled() && d.Frame2->isEnabled());
    QCOMPARE(looks().second, editable.second);
}

void DialogTest::colours_confirmedThenCancelled_changesOnlyTheFirstSwatch() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    t.colourAnswers = {QColor(255, 0, 0), std::nullopt};
    QTest::mouseClick(d.Command2, Qt::LeftButton);
    QTest::mouseClick(d.Command3, Qt::LeftButton);
    QCOMPARE(Frm_Tickertape::swatchColor(d.Picture1), QColor(255, 0, 0));
    QCOMPARE(Frm_Tickertape::swatchColor(d.Picture2), QColor(Qt::white));
    // The chooser opened first at black, then at the colour last confirmed here.
    QCOMPARE(t.colourInitials, QList<QColor>({Qt::black, QColor(255, 0, 0)}));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QCOMPARE(t.storedValue(QStringLiteral("tt_backcolor")), QStringLiteral("255"));
    QCOMPARE(t.storedValue(QStringLiteral("tt_forecolor")), QStringLiteral("16777215"));
}

void DialogTest::badNumbers_areNotSaved_andTheFieldIsNamed() {
    TestPlatform t;
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.tt_enabled, Qt::LeftButton);
    d.Text1->setPlainText(QStringLiteral("new text"));
    const QList<std::pair<QLineEdit*, QString>> bad = {
        {d.tt_speed, "fast"},        {d.tt_speed, "70000"}, {d.tt_speed, "-0.6"},
        {d.tt_regellengte, "40000"}, {d.tt_fontsize, "0"},  {d.tt_fontsize, "2000"},
        {d.tt_position, "high"},     {d.tt_position, "1e9"}};
    for (const auto& [field, value] : bad) {
        const QString good = field->text();
        field->setText(value);
        t.warnings.clear();
        QTest::mouseClick(d.Command1, Qt::LeftButton);
        QCOMPARE(t.warnings.size(), 1);
        const QString label = field == d.tt_speed         ? "Speed"
                              : field == d.tt_regellengte ? "Regel Lengte"
                              : field == d.tt_fontsize    ? "Font Size"
                                                          : "Position";
        QVERIFY2(t.warnings.first().contains(label), qPrintable(t.warnings.first()));
        QCOMPARE(p.windows.loadedTickerDialog(), &d);
        QCOMPARE(field->text(), value);
        field->setText(good);
    }
    QVERIFY(storedTickerKeys(t).isEmpty());
    QVERIFY(!QFile::exists(t.tickerPath()));
    // What the conversions accept is stored as the field shows it: a decimal comma, blanks,
    // and halves that round to a whole number (12.5 ms steps every 12 ms).
    d.tt_fontsize->setText(QStringLiteral(" 10,5 "));
    d.tt_speed->setText(QStringLiteral("12.5"));
    d.tt_regellengte->setText(QStringLiteral("-0.5"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QVERIFY(!p.windows.loadedTickerDialog());
    QCOMPARE(p.station.tickerSettings().TtHeight, 284);
    QCOMPARE(t.storedValue(QStringLiteral("tt_speed")), QStringLiteral("12.5"));
    QCOMPARE(p.station.tickerSettings().intervalMs, 12);
}

void DialogTest::greyedOutFields_neverBlockTheSave() {
    TestPlatform t;
    t.store->WriteSettings({{QStringLiteral("tt_speed"), QStringLiteral("fast")},
                            {QStringLiteral("tt_fontsize"), QStringLiteral("huge")}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QVERIFY(!d.tt_speed->isEnabled());
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QVERIFY(t.warnings.isEmpty());
    QVERIFY(!p.windows.loadedTickerDialog());
    QCOMPARE(t.storedValue(QStringLiteral("tt_speed")), QStringLiteral("fast"));
}

void DialogTest::fontPicker_listsEveryFontOnce_andHandsOverThePick() {
    TestPlatform t({{"tt_enabled", "1"}});
    t.fonts = QStringList{"Alpha Sans", "Beta Serif", "C059 [UKWN]", "C059 [urw]",
                          "A Font With A Very Long Family Name"};
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.Command4, Qt::LeftButton);
    Fonts* picker = p.windows.loadedFonts();
    QVERIFY(picker && picker->isVisible());
    QVERIFY(picker->windowFlags() & Qt::Tool);
    QCOMPARE(picker->windowTitle(), QStringLiteral("Fonts"));
    QStringList listed;
    for (int row = 0; row < picker->List1->count(); ++row)
        listed << picker->List1->item(row)->text();
    QCOMPARE(listed, QStringList({"Alpha Sans", "Beta Serif", "C059",
                                  "A Font With A Very Long Family Name"}));
    doubleClickEntry(*picker, 3);
    QCOMPARE(d.tt_font->text(), QStringLiteral("A Font With A Very Long Family Name"));
    // The field shows the start of the name.
    QCOMPARE(d.tt_font->cursorPosition(), 0);
    QVERIFY(!p.windows.loadedFonts());
    QVERIFY(!t.storeHas(QStringLiteral("tt_font")));
}

void DialogTest::fontPicker_closeBoxOrEmptyPick() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.Command4, Qt::LeftButton);
    p.windows.loadedFonts()->close();
    QVERIFY(!p.windows.loadedFonts());
    QCOMPARE(d.tt_font->text(), QStringLiteral("arial"));
    // A double-click where there is no entry, with nothing selected, hands over "".
    QTest::mouseClick(d.Command4, Qt::LeftButton);
    Fonts& picker = *p.windows.loadedFonts();
    const QPoint belowEntries(20, picker.List1->viewport()->height() - 5);
    QTest::mouseDClick(picker.List1->viewport(), Qt::LeftButton, {}, belowEntries);
    QCOMPARE(d.tt_font->text(), QString());
    QVERIFY(!p.windows.loadedFonts());
}

void DialogTest::fontPicker_pickAfterSave_loadsDialogUnseen() {
    TestPlatform t({{"tt_enabled", "1"}, {"tt_speed", "30"}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.Command4, Qt::LeftButton);
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QVERIFY(!p.windows.loadedTickerDialog());
    const QStringList storedBefore = storedTickerKeys(t);
    doubleClickEntry(*p.windows.loadedFonts(), 1);
    Frm_Tickertape* unseen = p.windows.loadedTickerDialog();
    QVERIFY(unseen);
    QVERIFY(!unseen->isVisible());
    QCOMPARE(unseen->tt_font->text(), QStringLiteral("Beta Serif"));
    QCOMPARE(unseen->tt_speed->text(), QStringLiteral("30"));
    QCOMPARE(storedTickerKeys(t), storedBefore);
    // The menu shows it with the picked name; the load step does not run again.
    QCOMPARE(&openDialog(p), unseen);
    QCOMPARE(unseen->tt_font->text(), QStringLiteral("Beta Serif"));
}

void DialogTest::saveIntoReadOnlyFolder_showsMessage_keepsEverything() {
#ifndef Q_OS_WIN
    if (geteuid() == 0) {
        // Root writes anywhere; run this case again as an ordinary user.
        const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"));
        if (runuser.isEmpty())
            QSKIP("running as root and runuser is missing: cannot make a folder read-only");
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(runuser,
                    {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                     QCoreApplication::applicationFilePath(),
                     QStringLiteral("saveIntoReadOnlyFolder_showsMessage_keepsEverything")});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        if (output.contains("SKIP"))
            QSKIP(output.constData());
        QVERIFY2(child.exitCode() == 0, output.constData());
        return;
    }
#endif
    TestPlatform t({{"tt_speed", "40"}});
    t.writeTickerFile("old text");
    QFile::setPermissions(t.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(t.dir.path()).isWritable())
        QSKIP("this file system ignores the read-only permission");
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    d.Text1->setPlainText(QStringLiteral("new text"));
    d.tt_speed->setText(QStringLiteral("10"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QFile::setPermissions(t.dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(t.warnings.size(), 1);
    QVERIFY2(t.warnings.first().contains(QStringLiteral("TickerTape.txt")),
             qPrintable(t.warnings.first()));
    QCOMPARE(p.windows.loadedTickerDialog(), &d);
    QCOMPARE(d.Text1->toPlainText(), QStringLiteral("new text"));
    QCOMPARE(t.tickerFileBytes(), QByteArray("old text"));
    QCOMPARE(storedTickerKeys(t), QStringList({"tt_speed=40"}));
}

void DialogTest::fullDisk_keystrokeAndSave_keepFilesAndEdits() {
    TestPlatform t;
    SmallDisk disk(t.dir.path());
    KALVORA_REQUIRE_SMALL_DISK(disk);
    t.store->WriteSettings({{QStringLiteral("Text1"), QStringLiteral("PI6ATV")},
                            {QStringLiteral("tt_enabled"), QStringLiteral("1")}});
    t.writeTickerFile(QByteArray("CQ ATV ").repeated(1400));
    QFile ini(t.iniPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray oldIni = ini.readAll();
    ini.close();
    QStringList storeMessages;
    t.store->setFailureHandler([&](const QString& message) { storeMessages << message; });
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    disk.fill();

    p.panel.Text1->end(false);
    QTest::keyClicks(p.panel.Text1, QStringLiteral("X"));
    QCOMPARE(p.pattern1().Label1->text(), QStringLiteral("PI6ATVX"));
    QCOMPARE(storeMessages.size(), 1);

    d.Text1->setPlainText(QStringLiteral("new text"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QCOMPARE(t.warnings.size(), 1);
    QVERIFY2(t.warnings.first().contains(QStringLiteral("No space left")),
             qPrintable(t.warnings.first()));
    QCOMPARE(p.windows.loadedTickerDialog(), &d);
    QCOMPARE(d.Text1->toPlainText(), QStringLiteral("new text"));
    QCOMPARE(t.tickerFileBytes(), QByteArray("CQ ATV ").repeated(1400));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), oldIni);
}

void DialogTest::settingsNotStored_dialogStaysOpen_andSaysSo() {
    TestPlatform t;
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QVERIFY(QDir().mkdir(t.iniPath())); // the settings file cannot be read, so it is not written
    QTest::mouseClick(d.tt_enabled, Qt::LeftButton);
    d.tt_speed->setText(QStringLiteral("30"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QCOMPARE(t.warnings.size(), 1);
    QVERIFY2(t.warnings.first().contains(QStringLiteral("settings could not be saved")),
             qPrintable(t.warnings.first()));
    QCOMPARE(p.windows.loadedTickerDialog(), &d);
    QCOMPARE(d.tt_speed->text(), QStringLiteral("30"));
    QVERIFY(!p.station.tickerSettings().enabled);
}

// A long text is shown in paragraphs so that typing stays quick; the paragraphs must not reach
// the file, while a line break the operator types must.
void DialogTest::longText_savesAsTyped_acrossTheShownParagraphs() {
    QByteArray text;
    for (int i = 0; text.size() < 9000; ++i)
        text += "word" + QByteArray::number(i) + ' ';
    TestPlatform t({{"tt_enabled", "1"}});
    t.writeTickerFile(text);
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QVERIFY(d.Text1->blockCount() > 1);
    QTextCursor cursor = d.Text1->textCursor();

    // Backspace at the start of a shown paragraph takes the blank before it.
    cursor.setPosition(d.Text1->document()->begin().next().position());
    d.Text1->setTextCursor(cursor);
    const qsizetype firstSplit = d.Text1->document()->begin().length() - 1;
    QTest::keyClick(d.Text1, Qt::Key_Backspace);
    text.remove(firstSplit - 1, 1);
    // Enter in the middle of the text is a line break in the file.
    cursor = d.Text1->textCursor();
    cursor.setPosition(5000);
    d.Text1->setTextCursor(cursor);
    const qsizetype at = 5000 - d.Text1->textCursor().blockNumber();
    QTest::keyClick(d.Text1, Qt::Key_Return);
    QTest::keyClicks(d.Text1, QStringLiteral("CQ"));
    text.insert(at, "\r\nCQ");

    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QVERIFY(!p.windows.loadedTickerDialog());
    QCOMPARE(t.tickerFileBytes(), text);
}

void DialogTest::fontPicker_pickAfterPanelClosed_showsTheDialog() {
    TestPlatform t({{"tt_enabled", "1"}});
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QTest::mouseClick(d.Command4, Qt::LeftButton);
    d.close();
    p.panel.mnu_afsluiten->trigger();
    QVERIFY(p.windows.loadedFonts());
    doubleClickEntry(*p.windows.loadedFonts(), 0);
    Frm_Tickertape* shown = p.windows.loadedTickerDialog();
    QVERIFY(shown && shown->isVisible());
    QCOMPARE(shown->tt_font->text(), QStringLiteral("Alpha Sans"));
    shown->close();
    QCOMPARE(p.lastWindowGone, 1);
}

void DialogTest::tickerFileIsAFolder_saysSaveCannotReplaceIt_andSaveDoesNot() {
    TestPlatform t({{"tt_enabled", "1"}});
    QVERIFY(QDir().mkdir(t.tickerPath()));
    Program p(t);
    Frm_Tickertape& d = openDialog(p);
    QCOMPARE(t.warnings.size(), 1);
    QVERIFY2(t.warnings.first().contains(QStringLiteral("cannot store")) &&
                 !t.warnings.first().contains(QStringLiteral("replaces")),
             qPrintable(t.warnings.first()));
    d.Text1->setPlainText(QStringLiteral("new text"));
    QTest::mouseClick(d.Command1, Qt::LeftButton);
    QCOMPARE(t.warnings.size(), 2);
    QCOMPARE(p.windows.loadedTickerDialog(), &d);
    QVERIFY(QFileInfo(t.tickerPath()).isDir());
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
