#include "TestSupport.h"
#include "pattern/TickerStrip.h"
#include "settings/SettingsStore.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerFile.h"
#include "ticker/TickerLine.h"
#include "ticker/TickerScroller.h"
#include "ticker/TickerSettings.h"

#include <QFile>
#include <QPainter>
#include <QSet>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

// Pattern 1's visible strip, recording what the scroller does to it.
struct RecordingStrip : TickerStrip {
    void showColumns(const OffscreenStrip& source, int sourceX) override {
        offsets << sourceX;
        TickerStrip::showColumns(source, sourceX);
    }
    void setStripVisible(bool visible) override {
        this->visible = visible;
        TickerStrip::setStripVisible(visible);
    }
    QList<int> offsets;
    bool visible = true;
};

TickerSettings enabledSettings(int extraBlanks = 0, int speedMs = 50) {
    TickerSettings s;
    s.enabled = true;
    s.TtRegellengte = std::int16_t(extraBlanks);
    s.intervalMs = speedMs;
    return s;
}

// A scroller on a real off-screen strip and a visible one, as on pattern 1: dark letters on
// white, 24 points. Given a text, it is started on it, its timer stopped: the test steps.
struct Rig {
    explicit Rig(TestPlatform& t, TickerSettings s = enabledSettings(),
                 const QByteArray& text = QByteArray())
        : clock(t.platform.now), scroller(offscreen, clock, t.platform.programFolder) {
        offscreen.resize(QSize(802, 43));
        offscreen.setFontName(QStringLiteral("arial"));
        offscreen.setFontSize(24);
        strip.resize(802, 43);
        strip.setBackColor(Qt::white);
        scroller.settings = s;
        scroller.setView(&strip);
        if (text.isNull())
            return;
        t.writeTickerFile(text);
        scroller.Start_TT();
        scroller.Timer3.stop();
    }
    // Steps until the first drawn character changes; returns the offsets copied meanwhile.
    QList<int> stepThroughCharacter() {
        const int start = scroller.StartChar;
        strip.offsets.clear();
        while (scroller.StartChar == start)
            scroller.Timer3_Timer();
        return strip.offsets;
    }
    // Columns of the visible strip that hold some ink.
    QList<bool> inked() const {
        const QImage& image = strip.image();
        QList<bool> columns(image.width(), false);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                columns[x] = columns[x] || qGray(image.pixel(x, y)) < 160;
        return columns;
    }
    StationClock clock;
    OffscreenStrip offscreen;
    RecordingStrip strip;
    TickerScroller scroller;
};

QList<int> range(int from, int to) {
    QList<int> values;
    for (int i = from; i <= to; ++i)
        values << i;
    return values;
}

} // namespace

class TickerTest : public QObject {
    Q_OBJECT
private slots:
    void load_joinsLinesAndDropsBreaks_data();
    void load_joinsLinesAndDropsBreaks();
    void load_missingFile_isEmpty();
    void load_hugeFile_readsFirstMebibyteOnly();
    void withLeadingBlanks_putsBlanksInFront();
    void write_storesExactBytes_andKeepsWhatCp1252CannotHold();
    void write_unwritableFolder_failsAndKeepsOldFile();

    void settings_defaultsAndRounding();
    void settings_badValuesFallBackOrClamp();

    void motion_characterStaysForWidthMinusOneTicks();
    void motion_restartPrintsNewTextOnSecondLine();
    void motion_oneCharacterText_restartsAtIt();
    void start_emptyOrMissingFile_hidesStripAndStopsTimer();
    void start_speedZero_neverFires();
    void start_disabled_changesNothing_andEndOfTextStopsTimer();
    void settingsRead_lookAtOnce_speedAtNextRun_andAStoppedTickerStarts();
    void button_togglesStrip_andScrollerKeepsStepping();
    void offscreen_printReachesTheRightEdge_andMovesToTheNextLine();
    void offscreen_printStopsAfterBoundedWork_whateverTheGlyphWidths_data();
    void offscreen_printStopsAfterBoundedWork_whateverTheGlyphWidths();
    void pixels_eachStepShiftsByOneOrTwo();
    void pixels_textEntersAtTheRightEdgeColumnByColumn();
    void characterOutsideTheBmp_isOneGlyph_leavesInOneAdvance_glyphsFollowColourAndFont();
    void line_cellsAreClustersAndRightToLeftWords_inTheOrderTheEyeMeetsThem_data();
    void line_cellsAreClustersAndRightToLeftWords_inTheOrderTheEyeMeetsThem();
    void print_marksAndRightToLeftText_lookAsTheTextEngineDrawsThem_data();
    void print_marksAndRightToLeftText_lookAsTheTextEngineDrawsThem();
};

void TickerTest::load_joinsLinesAndDropsBreaks_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF") << QByteArray("ab\r\ncd") << QStringLiteral("abcd");
    QTest::newRow("final break") << QByteArray("ab\r\ncd\r\n") << QStringLiteral("abcd");
    QTest::newRow("LF only") << QByteArray("ab\ncd\n") << QStringLiteral("abcd");
    QTest::newRow("lone CR") << QByteArray("ab\rcd") << QStringLiteral("abcd");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("only breaks") << QByteArray("\r\n\r\n\n") << QString();
    QTest::newRow("only blanks") << QByteArray("   ") << QStringLiteral("   ");
    QTest::newRow("cp1252") << QByteArray("\x80 \x93hi\x94 caf\xE9 \xFF")
                            << QStringLiteral("€ “hi” café ÿ");
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF\xE2\x9C\x93 73\r\n")
                               << QStringLiteral("✓ 73");
    QTest::newRow("utf-8 without a mark")
        << QByteArray("caf\xC3\xA9 \xE2\x9C\x93\r\n73") << QStringLiteral("café ✓73");
    // Bytes that are no valid UTF-8 stay Windows-1252, even where some would be.
    QTest::newRow("cp1252 that starts like utf-8")
        << QByteArray("\xC3\xA9t\xE9") << QStringLiteral("Ã©té");
    QTest::newRow("utf-16 bom") << QByteArray("\xFF\xFE"
                                              "a\0\r\0\n\0b\0",
                                              10)
                                << QStringLiteral("ab");
}

void TickerTest::load_joinsLinesAndDropsBreaks() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    TestPlatform t;
    t.writeTickerFile(bytes);
    const TickerFile::Loaded loaded = TickerFile::load(t.tickerPath());
    QCOMPARE(loaded.text, text);
    QVERIFY(!loaded.truncated);
}

void TickerTest::load_missingFile_isEmpty() {
    TestPlatform t;
    QCOMPARE(TickerFile::load(t.tickerPath()).text, QString());
    QCOMPARE(TickerFile::pathIn(QStringLiteral("/opt/kalvora/")),
             QStringLiteral("/opt/kalvora/TickerTape.txt"));
    QCOMPARE(TickerFile::pathIn(QStringLiteral("/opt/kalvora")),
             QStringLiteral("/opt/kalvora/TickerTape.txt"));
}

void TickerTest::load_hugeFile_readsFirstMebibyteOnly() {
    TestPlatform t;
    QByteArray line(99, 'x');
    line += '\n';
    t.writeTickerFile(line.repeated(11000)); // 1.1 MB
    const TickerFile::Loaded loaded = TickerFile::load(t.tickerPath());
    QVERIFY(loaded.truncated);
    QVERIFY(loaded.text.size() <= TickerFile::MaxReadBytes);
    QVERIFY(loaded.text.size() > TickerFile::MaxReadBytes * 9 / 10);
}

void TickerTest::withLeadingBlanks_putsBlanksInFront() {
    QCOMPARE(TickerFile::withLeadingBlanks(QStringLiteral("abcd"), 0),
             QString(29, QLatin1Char(' ')) + QStringLiteral("abcd"));
    QCOMPARE(TickerFile::withLeadingBlanks(QStringLiteral("abcd"), 50).size(), 83);
    QVERIFY(TickerFile::withLeadingBlanks(QStringLiteral("abcd"), 50)
                .startsWith(QString(79, ' ') + 'a'));
    QCOMPARE(TickerFile::withLeadingBlanks(QStringLiteral("x"), -5).size(), 30);
    QCOMPARE(TickerFile::withLeadingBlanks(QString(), 50), QString());
}

void TickerTest::write_storesExactBytes_andKeepsWhatCp1252CannotHold() {
    TestPlatform t;
    QVERIFY(TickerFile::write(t.tickerPath(), QStringLiteral("ab\r\ncd")).ok);
    QCOMPARE(t.tickerFileBytes(), QByteArray("ab\r\ncd"));
    QVERIFY(TickerFile::write(t.tickerPath(), QStringLiteral("€ café")).ok);
    QCOMPARE(t.tickerFileBytes(), QByteArray("\x80 caf\xE9"));
    // A character Windows-1252 lacks: the whole text goes out as UTF-8 and reads back whole.
    const QString text = QStringLiteral("Привет ✓ 73 café");
    QVERIFY(TickerFile::write(t.tickerPath(), text).ok);
    QVERIFY(t.tickerFileBytes().startsWith("\xEF\xBB\xBF"));
    QCOMPARE(TickerFile::load(t.tickerPath()).text, text);
    // A file kept in UTF-8 without a mark stays UTF-8; one in Windows-1252 stays that.
    t.writeTickerFile("caf\xC3\xA9");
    QVERIFY(TickerFile::write(t.tickerPath(), QStringLiteral("café 73")).ok);
    QCOMPARE(t.tickerFileBytes(), QByteArray("caf\xC3\xA9 73"));
    t.writeTickerFile("caf\xE9");
    QVERIFY(TickerFile::write(t.tickerPath(), QStringLiteral("café 73")).ok);
    QCOMPARE(t.tickerFileBytes(), QByteArray("caf\xE9 73"));
}

void TickerTest::write_unwritableFolder_failsAndKeepsOldFile() {
    TestPlatform t;
    t.writeTickerFile("old text");
    // A path below a file cannot be written by anyone, root included.
    const TickerFile::WriteResult result = TickerFile::write(
        t.tickerPath() + QStringLiteral("/TickerTape.txt"), QStringLiteral("new"));
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(t.tickerFileBytes(), QByteArray("old text"));
}

void TickerTest::settings_defaultsAndRounding() {
    TestPlatform t;
    TickerSettings s = readTickerSettings(*t.store);
    QCOMPARE(s.TtHeight, 648);
    QCOMPARE(s.TtWidth, 12030);
    QCOMPARE(s.TtRegellengte, 50);
    QCOMPARE(s.intervalMs, 50);
    QVERIFY(!s.enabled);
    QCOMPARE(s.backColor, QColor(Qt::white));
    QCOMPARE(s.foreColor, QColor(Qt::black));
    QCOMPARE(s.TtFont, QStringLiteral("arial"));
    QCOMPARE(s.position, 0.0);
    t.store->WriteSetting(QStringLiteral("tt_fontsize"), QStringLiteral("10.5"));
    t.store->WriteSetting(QStringLiteral("tt_backcolor"), QStringLiteral("255"));
    t.store->WriteSetting(QStringLiteral("tt_forecolor"), QStringLiteral("16711680"));
    s = readTickerSettings(*t.store);
    QCOMPARE(s.TtHeight, 284);
    QCOMPARE(s.backColor, QColor(255, 0, 0));
    QCOMPARE(s.foreColor, QColor(0, 0, 255));
}

void TickerTest::settings_badValuesFallBackOrClamp() {
    TestPlatform t;
    const auto with = [&](const char* key, const char* value) {
        t.store->WriteSetting(QString::fromLatin1(key), QString::fromLatin1(value));
        return readTickerSettings(*t.store);
    };
    QCOMPARE(with("tt_regellengte", "lots").TtRegellengte, 50);
    QCOMPARE(with("tt_regellengte", "99999").TtRegellengte, 32767);
    QCOMPARE(with("tt_width", "0").TtWidth, 1);
    QCOMPARE(with("tt_width", "wide").TtWidth, 12030);
    QCOMPARE(with("tt_fontsize", "0").TtHeight, 648);
    QCOMPARE(with("tt_fontsize", "5000").TtHeight, 32751);
    QCOMPARE(with("tt_backcolor", "-1").backColor, QColor(Qt::white));
    QCOMPARE(with("tt_backcolor", "16777216").backColor, QColor(Qt::white));
    QCOMPARE(with("tt_forecolor", "red").foreColor, QColor(Qt::black));
    QCOMPARE(with("tt_speed", "fast").intervalMs, 50);
    QCOMPARE(with("tt_speed", "70000").intervalMs, 65535);
    QCOMPARE(with("tt_speed", "-5").intervalMs, 0);
    QVERIFY(!with("tt_enabled", "yes").enabled);
    QCOMPARE(with("tt_position", "high").position, 0.0);
}

void TickerTest::motion_characterStaysForWidthMinusOneTicks() {
    TestPlatform t;
    t.writeTickerFile("Wil");
    Rig rig(t);
    rig.scroller.Start_TT();
    QCOMPARE(rig.scroller.StartChar, 1);
    QCOMPARE(rig.scroller.StopChar, 32);
    // The very first character also gets offset 0, since StartX starts at 0.
    const int blank = rig.offscreen.textWidth(QLatin1Char(' '));
    QCOMPARE(rig.stepThroughCharacter(), range(0, blank - 1));
    // Every later character: offsets 1 .. w-1, that is w-1 ticks.
    for (int i = 2; i <= 29; ++i)
        QCOMPARE(rig.stepThroughCharacter(), range(1, blank - 1));
    const int w = rig.offscreen.textWidth(QLatin1Char('W'));
    QCOMPARE(rig.scroller.TickerText.at(rig.scroller.StartChar - 1), QLatin1Char('W'));
    QCOMPARE(rig.stepThroughCharacter(), range(1, w - 1));
    // A character no wider than 2 pixels advances after a single tick.
    rig.offscreen.setFontSize(4);
    QVERIFY(rig.offscreen.textWidth(QLatin1Char('i')) <= 2);
    QCOMPARE(rig.stepThroughCharacter(), QList<int>{1});
}

void TickerTest::motion_restartPrintsNewTextOnSecondLine() {
    TestPlatform t;
    t.writeTickerFile("AB");
    Rig rig(t);
    rig.scroller.Start_TT();
    t.writeTickerFile("XYZ");
    while (rig.scroller.StartChar < 30)
        rig.scroller.Timer3_Timer();
    rig.stepThroughCharacter();
    // The advance that makes the last character first has restarted with the new text.
    QCOMPARE(rig.scroller.StartChar, 1);
    QCOMPARE(rig.scroller.TickerText, QString(29, QLatin1Char(' ')) + QStringLiteral("XYZ"));
    QCOMPARE(rig.scroller.StopChar, 32);
    QCOMPARE(rig.scroller.StartX, 1);
    // The old last character on the first line, the new text printed below it.
    QCOMPARE(rig.offscreen.printPosition().y(), 2 * rig.offscreen.lineHeight());
    // The next advance prints the new text from its second character.
    const int blank = rig.offscreen.textWidth(QLatin1Char(' '));
    QCOMPARE(rig.stepThroughCharacter(), range(1, blank - 1));
    QCOMPARE(rig.scroller.StartChar, 2);
    QCOMPARE(rig.offscreen.printPosition().y(), rig.offscreen.lineHeight());
    QVERIFY(rig.scroller.Timer3.isActive());
}

void TickerTest::motion_oneCharacterText_restartsAtIt() {
    TestPlatform t;
    t.writeTickerFile("Q");
    Rig rig(t, enabledSettings(3));
    rig.scroller.Start_TT();
    QCOMPARE(rig.scroller.TickerText, QString(32, QLatin1Char(' ')) + QLatin1Char('Q'));
    int restarts = 0;
    int previous = rig.scroller.StartChar;
    for (int tick = 0; tick < 2000 && restarts < 2; ++tick) {
        rig.scroller.Timer3_Timer();
        if (rig.scroller.StartChar < previous)
            ++restarts;
        previous = rig.scroller.StartChar;
        QVERIFY(rig.scroller.StartChar <= 33);
    }
    QCOMPARE(restarts, 2);
}

void TickerTest::start_emptyOrMissingFile_hidesStripAndStopsTimer() {
    TestPlatform t;
    Rig rig(t);
    rig.scroller.Timer3.start(50);
    rig.scroller.setTickerOn(true);
    rig.scroller.Start_TT();
    QVERIFY(!rig.strip.visible);
    QVERIFY(!rig.scroller.TickerOn);
    QVERIFY(!rig.scroller.Timer3.isActive());
    t.writeTickerFile("\r\n");
    rig.scroller.Start_TT();
    QVERIFY(!rig.scroller.Timer3.isActive());
    t.writeTickerFile("   ");
    rig.scroller.Start_TT();
    QVERIFY(rig.strip.visible);
    QVERIFY(rig.scroller.TickerOn);
    QVERIFY(rig.scroller.Timer3.isActive());
    QCOMPARE(rig.scroller.Timer3.interval(), 50);
}

void TickerTest::start_speedZero_neverFires() {
    TestPlatform t;
    t.writeTickerFile("text");
    Rig rig(t, enabledSettings(0, 0));
    rig.scroller.Start_TT();
    QVERIFY(rig.scroller.TickerOn);
    QTest::qWait(60);
    QVERIFY(rig.strip.offsets.isEmpty());
    QVERIFY(!rig.scroller.Timer3.isActive());
}

void TickerTest::start_disabled_changesNothing_andEndOfTextStopsTimer() {
    TestPlatform t;
    t.writeTickerFile("ab");
    Rig rig(t);
    rig.scroller.Start_TT();
    // Disabled while the text runs: it runs to its end, then the timer stops.
    rig.scroller.settings.enabled = false;
    t.writeTickerFile("a much longer text that must not be loaded");
    for (int tick = 0; tick < 1000 && rig.scroller.Timer3.isActive(); ++tick)
        rig.scroller.Timer3_Timer();
    QVERIFY(!rig.scroller.Timer3.isActive());
    QCOMPARE(rig.scroller.StartChar, rig.scroller.StopChar);
    QCOMPARE(rig.scroller.TickerText.size(), 31);
    QVERIFY(rig.scroller.TickerOn);
}

void TickerTest::settingsRead_lookAtOnce_speedAtNextRun_andAStoppedTickerStarts() {
    TestPlatform t;
    t.writeTickerFile("ab");
    t.store->WriteSettings({{QStringLiteral("tt_enabled"), QStringLiteral("1")},
                            {QStringLiteral("tt_speed"), QStringLiteral("40")}});
    Rig rig(t);
    const RecordingStrip& strip = rig.strip;
    QVERIFY(rig.scroller.Lees_TT_Settings(readTickerSettings(*t.store), 608));
    rig.scroller.Start_TT();
    QCOMPARE(rig.scroller.Timer3.interval(), 40);

    t.store->WriteSettings({{QStringLiteral("tt_speed"), QStringLiteral("10")},
                            {QStringLiteral("tt_fontsize"), QStringLiteral("12")},
                            {QStringLiteral("tt_position"), QStringLiteral("150")},
                            {QStringLiteral("tt_backcolor"), QStringLiteral("255")}});
    QVERIFY(rig.scroller.Lees_TT_Settings(readTickerSettings(*t.store), 608));
    QCOMPARE(strip.geometry(), QRect(0, 608 - 10 - 22, 802, 22));
    QCOMPARE(strip.backColor(), QColor(255, 0, 0));
    QCOMPARE(rig.offscreen.size(), QSize(802, 22));
    QCOMPARE(rig.offscreen.font().pointSizeF(), 12.0);
    QCOMPARE(rig.scroller.Timer3.interval(), 40);
    QVERIFY(rig.scroller.Timer3.isActive());
    rig.scroller.startIfEnabledAndStopped(); // running: no restart
    QCOMPARE(rig.scroller.StartChar, 1);
    rig.scroller.Start_TT();
    QCOMPARE(rig.scroller.Timer3.interval(), 10);

    // Disabled, the text runs out and the ticker stops; enabled again, it starts at once.
    t.store->WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("0"));
    QVERIFY(!rig.scroller.Lees_TT_Settings(readTickerSettings(*t.store), 608));
    QVERIFY(strip.isHidden());
    for (int tick = 0; tick < 1000 && rig.scroller.Timer3.isActive(); ++tick)
        rig.scroller.Timer3_Timer();
    QVERIFY(!rig.scroller.Timer3.isActive());
    t.store->WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("1"));
    QVERIFY(rig.scroller.Lees_TT_Settings(readTickerSettings(*t.store), 608));
    rig.scroller.startIfEnabledAndStopped();
    QVERIFY(rig.scroller.Timer3.isActive());
    QCOMPARE(rig.scroller.StartChar, 1);
}

void TickerTest::button_togglesStrip_andScrollerKeepsStepping() {
    TestPlatform t;
    t.writeTickerFile("abc");
    Rig rig(t);
    QList<bool> announced;
    connect(&rig.scroller, &TickerScroller::tickerOnChanged, this,
            [&](bool on) { announced << on; });
    rig.scroller.Start_TT();
    rig.scroller.Command4_Click();
    QVERIFY(!rig.strip.visible);
    QVERIFY(!rig.scroller.TickerOn);
    QVERIFY(rig.scroller.Timer3.isActive());
    const int startX = rig.scroller.StartX;
    rig.scroller.Timer3_Timer();
    QCOMPARE(rig.scroller.StartX, startX + 1);
    rig.scroller.Command4_Click();
    QVERIFY(rig.strip.visible);
    QCOMPARE(announced, QList<bool>({true, false, true}));
}

void TickerTest::offscreen_printReachesTheRightEdge_andMovesToTheNextLine() {
    OffscreenStrip strip;
    strip.resize(QSize(100, 30));
    strip.setBackColor(Qt::white);
    strip.setForeColor(Qt::black);
    strip.setFontName(QStringLiteral("arial"));
    strip.setFontSize(12);
    strip.clear();
    const QString text = QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
    strip.print(text, 1);
    QCOMPARE(strip.printPosition(), QPoint(0, strip.lineHeight()));
    // Text reaches the right edge.
    bool inkAtRight = false;
    for (int y = 0; y < 30; ++y)
        inkAtRight |= qGray(strip.image().pixel(98, y)) < 128;
    QVERIFY(inkAtRight);
    // A second print lands on the next line, below the first.
    strip.print(text, 1);
    QCOMPARE(strip.printPosition(), QPoint(0, 2 * strip.lineHeight()));
}

void TickerTest::offscreen_printStopsAfterBoundedWork_whateverTheGlyphWidths_data() {
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero-width characters") << 24.0 << QString(300000, QChar(0x200B));
    QTest::newRow("font size 0.01") << 0.01 << QString(1000000, QLatin1Char('W'));
}

void TickerTest::offscreen_printStopsAfterBoundedWork_whateverTheGlyphWidths() {
    QFETCH(double, points);
    QFETCH(QString, text);
    OffscreenStrip strip;
    strip.resize(QSize(802, 43));
    strip.setFontName(QStringLiteral("arial"));
    strip.setFontSize(points);
    strip.clear();
    QCOMPARE(strip.textWidth(text.at(0)), 0);
    QVERIFY(strip.print(text, 1) <= strip.image().width() + 2);
}

void TickerTest::pixels_eachStepShiftsByOneOrTwo() {
    TestPlatform t;
    Rig rig(t, enabledSettings(0),
            "ATV test 0123456789 - PI6ATV JO22 - Welcome, Ready; AVAWAY Tj fi");
    TickerScroller& scroller = rig.scroller;
    const TickerStrip& visible = rig.strip;
    // Run past the leading blanks so that real text is on the strip.
    bool advanced = false;
    for (int tick = 0; tick < 300; ++tick) {
        const int startChar = scroller.StartChar;
        scroller.Timer3_Timer();
        advanced = startChar != scroller.StartChar;
    }
    QImage previous = visible.image().copy();
    int previousOffset = advanced ? 0 : scroller.StartX - 1;
    int checked = 0, characterChanges = 0;
    for (int tick = 0; tick < 400; ++tick) {
        const int startChar = scroller.StartChar;
        const int offset = scroller.StartX;
        scroller.Timer3_Timer();
        const QImage current = visible.image();
        // The copy comes before the advance, so the 2-pixel step shows one frame later.
        const int shift = advanced ? 2 : 1;
        characterChanges += shift == 2;
        // Columns that were on the strip before; those entering at the right are new.
        const int comparable = 802 - previousOffset - shift;
        for (int y = 0; y < current.height(); ++y) {
            for (int x = 0; x < comparable; ++x) {
                if (current.pixel(x, y) != previous.pixel(x + shift, y))
                    QFAIL(qPrintable(QStringLiteral("tick %1: pixel %2,%3 did not move by %4")
                                         .arg(tick)
                                         .arg(x)
                                         .arg(y)
                                         .arg(shift)));
            }
        }
        ++checked;
        previous = current.copy();
        previousOffset = offset;
        advanced = startChar != scroller.StartChar;
    }
    QCOMPARE(checked, 400);
    QVERIFY(characterChanges > 15);
}

// The text must come in at the right edge as smoothly as it leaves at the left: the blank band
// there may never be wider than the gap between two letters.
void TickerTest::pixels_textEntersAtTheRightEdgeColumnByColumn() {
    TestPlatform t;
    Rig rig(t, enabledSettings(), QByteArray(200, 'M'));
    while (rig.scroller.StartChar <= 29) // the leading blanks
        rig.scroller.Timer3_Timer();
    const QList<bool> full = rig.inked();
    int widestGap = 0, gap = 0;
    for (const bool ink : full) {
        gap = ink ? 0 : gap + 1;
        widestGap = std::max(widestGap, gap);
    }
    QVERIFY(widestGap < 10);
    for (int step = 0; step < 300; ++step) {
        rig.scroller.Timer3_Timer();
        const QList<bool> columns = rig.inked();
        const int band = int(columns.size() - 1 - columns.lastIndexOf(true));
        QVERIFY2(band <= widestGap, qPrintable(QStringLiteral("step %1: %2 blank columns at the "
                                                              "right edge")
                                                   .arg(step)
                                                   .arg(band)));
    }
}

void TickerTest::characterOutsideTheBmp_isOneGlyph_leavesInOneAdvance_glyphsFollowColourAndFont() {
    const QString pair = QStringLiteral("\U0001D54F"); // 𝕏, two QChars
    OffscreenStrip strip;
    strip.resize(QSize(200, 43));
    strip.setFontName(QStringLiteral("DejaVu Sans"));
    strip.setFontSize(24);
    strip.clear();
    strip.print(QStringLiteral("a") + pair + QStringLiteral("b"), 1);
    // Drawn as the whole character, exactly where the widths put it.
    QImage expected(strip.image().size(), QImage::Format_RGB32);
    expected.fill(strip.backColor());
    {
        QPainter painter(&expected);
        painter.setFont(strip.font());
        painter.setPen(strip.foreColor());
        const int baseline = QFontMetrics(strip.font(), &expected).ascent();
        const int a = strip.textWidth(QLatin1Char('a'));
        painter.drawText(QPoint(0, baseline), QStringLiteral("a"));
        painter.drawText(QPoint(a, baseline), pair);
        painter.drawText(QPoint(a + strip.characterWidth(pair, 0), baseline), QStringLiteral("b"));
    }
    QCOMPARE(strip.image(), expected);
    QCOMPARE(strip.characterWidth(pair, 1), 0);
    // Characters are drawn once and kept, but a new colour or font draws them anew.
    const auto inkOf = [&strip] {
        QSet<QRgb> colours;
        for (int y = 0; y < strip.image().height(); ++y)
            for (int x = 0; x < 60; ++x)
                colours << strip.image().pixel(x, y);
        return colours;
    };
    strip.setForeColor(Qt::red);
    strip.clear();
    strip.print(QStringLiteral("a"), 1);
    QVERIFY(inkOf().contains(qRgb(255, 0, 0)));
    QVERIFY(!inkOf().contains(qRgb(0, 0, 0)));
    const QImage small = strip.image();
    strip.setFontSize(40);
    strip.clear();
    strip.print(QStringLiteral("a"), 1);
    QVERIFY(strip.image() != small);

    TestPlatform t;
    Rig rig(t, enabledSettings(), (QStringLiteral("a") + pair + QStringLiteral("bcd")).toUtf8());
    rig.scroller.StartChar = 30; // the 'a'
    while (rig.scroller.StartChar == 30)
        rig.scroller.Timer3_Timer();
    QCOMPARE(rig.scroller.StartChar, 31);
    while (rig.scroller.StartChar == 31)
        rig.scroller.Timer3_Timer();
    QCOMPARE(rig.scroller.TickerText.at(rig.scroller.StartChar - 1), QLatin1Char('b'));
}

void TickerTest::line_cellsAreClustersAndRightToLeftWords_inTheOrderTheEyeMeetsThem_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QStringList>("shown"); // cells left to right; "r:" drawn right to left
    QTest::newRow("plain") << QStringLiteral("QQ0 ABC")
                           << QStringList{"Q", "Q", "0", " ", "A", "B", "C"};
    QTest::newRow("combining mark")
        << QStringLiteral("cafe\u0301!") << QStringList{"c", "a", "f", "e\u0301", "!"};
    QTest::newRow("outside the BMP")
        << QStringLiteral("a\U0001D54Fb") << QStringList{"a", "\U0001D54F", "b"};
    QTest::newRow("Hebrew words in a line")
        << QStringLiteral("AB \u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD CD")
        << QStringList{
               "A", "B", " ", "r:\u05E2\u05D5\u05DC\u05DD", " ", "r:\u05E9\u05DC\u05D5\u05DD",
               " ", "C", "D"};
    QTest::newRow("numbers in and after Hebrew")
        << QStringLiteral("7 \u05D0 12 \u05D1 3.")
        << QStringList{"7", " ", "r:3", " ", "r:\u05D1", " ", "r:12", " ", "r:\u05D0", "."};
    QTest::newRow("Arabic word, marks kept")
        << QStringLiteral("\u0645\u064E\u0631\u062D\u0628\u0627")
        << QStringList{"r:\u0645\u064E\u0631\u062D\u0628\u0627"};
    const QString longWord = QString(40, QChar(0x05D0));
    QTest::newRow("word longer than a cell")
        << longWord << QStringList{"r:" + longWord.mid(32), "r:" + longWord.left(32)};
}

void TickerTest::line_cellsAreClustersAndRightToLeftWords_inTheOrderTheEyeMeetsThem() {
    QFETCH(QString, written);
    QFETCH(QStringList, shown);
    const TickerLine line(written);
    QStringList cells;
    for (qsizetype i = 0; i < line.size(); i += std::max(1, line.cellLength(i)))
        cells << (line.isRightToLeft(i) ? QStringLiteral("r:") : QString()) +
                     line.cell(i).toString();
    QCOMPARE(cells, shown);
    QCOMPARE(line.size(), written.size());
}

void TickerTest::print_marksAndRightToLeftText_lookAsTheTextEngineDrawsThem_data() {
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("asTheEngineDrawsIt");
    // How far apart the two may be: well below what drawing the letters one by one in storage
    // order, as the strip once did, gives (0.063, 0.60 clipped, 1.22, 0.91).
    QTest::addColumn<double>("mostApart");
    const QString dejaVu = QStringLiteral("DejaVu Sans");
    QTest::newRow("decomposed e acute")
        << dejaVu << QStringLiteral("cafe\u0301") << QStringLiteral("caf\u00E9") << 0.03;
    // Its mark lies outside the bounding box this font gives the pair.
    QTest::newRow("decomposed, another font")
        << QStringLiteral("Liberation Sans") << QStringLiteral("cafe\u0301 e\u0301")
        << QStringLiteral("caf\u00E9 \u00E9") << 0.2;
    const QString arabic =
        QStringLiteral("\u0633\u0644\u0627\u0645 \u0639\u0644\u064A\u0643\u0645");
    QTest::newRow("Arabic, joined") << dejaVu << arabic << arabic << 0.1;
    const QString hebrew =
        QStringLiteral("TV \u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD 73");
    QTest::newRow("Hebrew in a Latin line") << dejaVu << hebrew << hebrew << 0.35;
}

// What the strip prints comes close to what Qt's text engine draws for the whole line; only
// the rounding of each cell's advance differs.
void TickerTest::print_marksAndRightToLeftText_lookAsTheTextEngineDrawsThem() {
    QFETCH(QString, font);
    QFETCH(QString, written);
    QFETCH(QString, asTheEngineDrawsIt);
    QFETCH(double, mostApart);
    OffscreenStrip strip;
    strip.resize(QSize(400, 43));
    strip.setFontName(font);
    strip.setFontSize(20);
    QImage engine(strip.image().size(), QImage::Format_RGB32);
    engine.fill(strip.backColor());
    {
        QPainter painter(&engine);
        painter.setFont(strip.font());
        painter.setPen(strip.foreColor());
        painter.drawText(QPoint(0, QFontMetrics(strip.font(), &engine).ascent()),
                         asTheEngineDrawsIt);
    }
    strip.clear();
    strip.print(written, 1);
    // The share of inked pixels whose grey level differs by more than a quarter, seen at a
    // third of the size: where a text engine puts a glyph a pixel further, it is the same.
    const auto small = [](const QImage& image) {
        return image.scaled(image.size() / 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage a = small(strip.image()), b = small(engine);
    int differing = 0, inked = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            inked += qGray(a.pixel(x, y)) < 128 || qGray(b.pixel(x, y)) < 128;
            differing += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64;
        }
    const double apart = double(differing) / std::max(1, inked);
    QVERIFY2(apart < mostApart, qPrintable(QStringLiteral("%1 apart").arg(apart)));
}

QTEST_MAIN(TickerTest)
#include "ticker_test.moc"
