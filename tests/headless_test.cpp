#include "InstalledProgram.h"
#include "ProgramFixture.h"
#include "ScreenPictures.h"
#include "app/CommandLine.h"
#include "app/Headless.h"
#include "pattern/Caption.h"
#include "pattern/CardWindows.h"
#include "pattern/TickerStrip.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

constexpr int FrameBytes = 808 * 608 * 4;

} // namespace

class HeadlessTest : public QObject {
    Q_OBJECT
private slots:
    void snapshot_emptyStore_equalsTheWindow();
    void snapshot_showsStoredCallSign_andPattern2();
    void ownPicture_andContestCard_fromTheCommandLine();
    void frames_twoSeconds_fiftyFrames_clockAndTickerRunning();
    void frames_closedPipe_endsWithZero();
    void frames_standbyAtStart_sendNothing_logged();
    void badArguments_clearMessage_nonZero_nothingWritten();
    void failingOutput_endsPromptly_saysWhy_keepsTheOldFile_data();
    void failingOutput_endsPromptly_saysWhy_keepsTheOldFile();
    void oddFilesAndNoScreen_neverHangOrCrash_data();
    void oddFilesAndNoScreen_neverHangOrCrash();
    void version_andTheManualPage_sayWhatHelpSays();
    void headlessModes_runOnTheStation_withoutAControlPanel();
};

void HeadlessTest::snapshot_emptyStore_equalsTheWindow() {
    Installed kalvora;
    const QImage snapshot = kalvora.snapshot();
    QCOMPARE(snapshot.size(), QSize(808, 608));
    // Still 808 x 608 when Qt scales everything by 2.
    kalvora.environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    QCOMPARE(kalvora.snapshot().size(), QSize(808, 608));
    kalvora.environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    TestPlatform t;
    Program p(t);
    QCOMPARE(snapshot, grabbed(p.pattern1()));
    // Nothing was stored by taking it.
#ifdef Q_OS_WIN
    QCOMPARE(QFileInfo(kalvora.iniPath()).size(), qint64(11)); // "[settings]\n", untouched
#else
    QVERIFY(!QFile::exists(kalvora.iniPath()));
#endif
}

void HeadlessTest::snapshot_showsStoredCallSign_andPattern2() {
    Installed kalvora;
    const QImage plain = kalvora.snapshot();
    kalvora.writeSettings("Text1=PI6ATV\nText3=PA3ABC\nText4=1252 MHz\n");
    const QImage withCall = kalvora.snapshot();
    const QImage two = kalvora.snapshot({QStringLiteral("--pattern"), QStringLiteral("2")});
    QVERIFY(withCall != plain);
    TestPlatform t({{"Text1", "PI6ATV"}, {"Text3", "PA3ABC"}, {"Text4", "1252 MHz"}});
    Program p(t);
    QCOMPARE(withCall, grabbed(p.pattern1()));
    QCOMPARE(two, grabbed(p.pattern2()));
}

void HeadlessTest::ownPicture_andContestCard_fromTheCommandLine() {
    Installed kalvora;
    kalvora.writeSettings("Text1=PI6ATV\ncontest_band=23cm\ncontest_numbers=23cm=5\n");
    const QDir cards(kalvora.dir.filePath(QStringLiteral("cards")));
    QVERIFY(cards.mkpath(QStringLiteral(".")));
    QImage club(320, 240, QImage::Format_RGB32);
    club.fill(Qt::blue);
    QVERIFY(club.save(cards.filePath(QStringLiteral("club.png"))));
    // By its name in the cards folder, 4:3 in a 16:9 picture: black beside it.
    const QImage still = kalvora.snapshot({QStringLiteral("--pattern"), QStringLiteral("club"),
                                           QStringLiteral("--size"), QStringLiteral("1280x720")});
    QCOMPARE(still.size(), QSize(1280, 720));
    QCOMPARE(still.pixelColor(640, 600), QColor(Qt::blue));
    QCOMPARE(still.pixelColor(60, 600), QColor(Qt::black));
    // A broken one is refused with the reason, and nothing is written.
    QFile broken(cards.filePath(QStringLiteral("broken.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG not really");
    broken.close();
    const QString file = kalvora.dir.filePath(QStringLiteral("broken-still.png"));
    QByteArray errors;
    QCOMPARE(kalvora.run({QStringLiteral("--snapshot"), file, QStringLiteral("--pattern"),
                          QStringLiteral("broken.png")},
                         &errors),
             1);
    QVERIFY2(errors.contains("cannot be shown"), errors.constData());
    QVERIFY(!QFile::exists(file));
    // The contest card for this run: what the settings keep stays as it is.
    const QByteArray before = [&] {
        QFile ini(kalvora.iniPath());
        return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
    }();
    const QImage contest = kalvora.snapshot(
        {QStringLiteral("--pattern"), QStringLiteral("contest"), QStringLiteral("--contest-number"),
         QStringLiteral("42"), QStringLiteral("--band"), QStringLiteral("13cm")});
    QVERIFY(!contest.isNull() &&
            contest != kalvora.snapshot({QStringLiteral("--pattern"), QStringLiteral("contest")}));
    QFile ini(kalvora.iniPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), before);
}

void HeadlessTest::frames_twoSeconds_fiftyFrames_clockAndTickerRunning() {
    Installed kalvora;
    kalvora.writeSettings("tt_enabled=1\ntt_speed=20\ntt_regellengte=0\n");
    QFile text(kalvora.dir.filePath(QStringLiteral("TickerTape.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Frames for the encoder");
    text.close();

    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    process.start(kalvora.executable,
                  {QStringLiteral("--frames"), QStringLiteral("--fps"), QStringLiteral("25")});
    QVERIFY(process.waitForReadyRead(20000));
    // Room for every frame up front: a reader that keeps copying a growing buffer falls
    // behind, and Kalvora rightly drops the frames it cannot take.
    QByteArray stream;
    stream.reserve(60 * FrameBytes);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000) {
        process.waitForReadyRead(int(std::max<qint64>(1, 2000 - clock.elapsed())));
        stream += process.readAllStandardOutput();
    }
    process.kill();
    process.waitForFinished();
    const qsizetype frames = stream.size() / FrameBytes;
    // Wine's pipe holds a few frames ahead of the first read (and so, a second more).
#ifdef Q_OS_WIN
    constexpr int MostFrames = 58;
#else
    constexpr int MostFrames = 52;
#endif
    QVERIFY2(frames >= 48 && frames <= MostFrames, qPrintable(QString::number(frames)));

    const auto frame = [&](qsizetype i) {
        return QImage(reinterpret_cast<const uchar*>(stream.constData()) + i * FrameBytes, 808, 608,
                      QImage::Format_RGB32);
    };
    // The first frame is whole: time, date and ticker text are there.
    QVERIFY(pixelsOf(frame(0).copy(QRect(520, 280, 145, 41)), qRgb(255, 255, 255)) > 0);
    QVERIFY(pixelsOf(frame(0).copy(QRect(136, 280, 169, 41)), qRgb(255, 255, 255)) > 0);
    QVERIFY(pixelsOf(frame(0).copy(QRect(0, 565, 802, 43)), qRgb(0, 0, 0)) > 0);
    // The time caption changes once a second: two or three different times in two seconds.
    QSet<QByteArray> times;
    int tickerMoves = 0;
    for (qsizetype i = 0; i < frames; ++i) {
        const QImage time = frame(i).copy(520, 280, 145, 41);
        times.insert(
            QByteArray(reinterpret_cast<const char*>(time.constBits()), time.sizeInBytes()));
        if (i > 0 && frame(i).copy(0, 565, 802, 43) != frame(i - 1).copy(0, 565, 802, 43))
            ++tickerMoves;
    }
    QVERIFY2(times.size() >= 2 && times.size() <= (MostFrames > 52 ? 4 : 3),
             qPrintable(QString::number(times.size())));
    QVERIFY2(tickerMoves >= frames - 3, qPrintable(QString::number(tickerMoves)));
    QVERIFY(
        !QFile::exists(kalvora.dir.filePath(QStringLiteral("config/Kalvora/Kalvora.ini.lock"))));
}

void HeadlessTest::frames_closedPipe_endsWithZero() {
#ifdef Q_OS_WIN
    QSKIP("runs the program through bash");
#endif
    Installed kalvora;
    QProcess shell;
    shell.setProcessEnvironment(kalvora.environment);
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("\"$0\" --frames | head -c 5000000 > /dev/null; "
                                "exit ${PIPESTATUS[0]}"),
                 kalvora.executable});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
}

// An encoder fed by the frames sends nothing while the station is in standby.
void HeadlessTest::frames_standbyAtStart_sendNothing_logged() {
    Installed kalvora;
    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    process.start(kalvora.executable,
                  {QStringLiteral("--frames"), QStringLiteral("--standby-at-start"),
                   QStringLiteral("--log"), kalvora.dir.filePath(QStringLiteral("log"))});
    QVERIFY(!process.waitForReadyRead(3000));
    QCOMPARE(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished();
    QCOMPARE(process.readAllStandardOutput().size(), 0);
    QFile log(kalvora.dir.filePath(
        QStringLiteral("log/kalvora-%1.log")
            .arg(QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate))));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("Z standby (standby at start)"));
}

void HeadlessTest::badArguments_clearMessage_nonZero_nothingWritten() {
    Installed kalvora;
    const QList<QStringList> mistakes = {
        {"--fps", "25"},
        {"--frames", "--fps", "0"},
        {"--frames", "--fps", "fast"},
        {"--frames", "--pattern", "3"},
        {"--snapshot"},
        {"--snapshot", "a.png", "--frames"},
        {"--bogus"},
        {"--frames", "stray"},
        {"-x"},
        {"stray"},
        {"--snapshot", kalvora.dir.filePath("notes")}, // no picture format in the name
    };
    QFile notes(kalvora.dir.filePath(QStringLiteral("notes")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("the operator's notes");
    notes.close();
    for (const QStringList& arguments : mistakes) {
        QByteArray errors;
        const int code = kalvora.run(arguments, &errors);
        QVERIFY2(code == 2, qPrintable(arguments.join(' ') + " -> " + QString::number(code)));
        QVERIFY2(errors.contains("kalvora: "), errors.constData());
    }
    QVERIFY(!QDir(kalvora.configHome()).exists());
    QVERIFY(notes.open(QIODevice::ReadOnly));
    QCOMPARE(notes.readAll(), QByteArray("the operator's notes"));
    QByteArray errors;
    QCOMPARE(kalvora.run({QStringLiteral("--help")}, &errors), 0);
}

// The output is a shell line, "$0" being the program and "$1" a small disk's folder.
void HeadlessTest::failingOutput_endsPromptly_saysWhy_keepsTheOldFile_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("needsSmallDisk");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("frames to a full device")
        << "\"$0\" --frames > /dev/full" << false << 1 << QByteArray("No space left");
    QTest::newRow("frames to a reader that exits at once")
        << "\"$0\" --frames | true; exit ${PIPESTATUS[0]}" << false << 0 << QByteArray();
    QTest::newRow("frames into a file on a full disk")
        << "\"$0\" --frames > \"$1/out.raw\"" << true << 1 << QByteArray("No space left");
    QTest::newRow("snapshot over a still on a full disk")
        << "\"$0\" --snapshot \"$1/still.png\"" << true << 1 << QByteArray("No space left");
}

void HeadlessTest::failingOutput_endsPromptly_saysWhy_keepsTheOldFile() {
    QFETCH(QString, script);
    QFETCH(bool, needsSmallDisk);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, says);
#ifdef Q_OS_WIN
    QSKIP("runs the program through bash, with /dev/full and tmpfs");
#endif
    Installed kalvora;
    const QString diskFolder = kalvora.dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(diskFolder));
    SmallDisk disk(diskFolder, 1024);
    if (needsSmallDisk) {
        KALVORA_REQUIRE_SMALL_DISK(disk);
        QFile still(diskFolder + QStringLiteral("/still.png"));
        QVERIFY(still.open(QIODevice::WriteOnly));
        still.write(QByteArray("an earlier still"));
        still.close();
        disk.fill();
    }
    QProcess shell;
    shell.setProcessEnvironment(kalvora.environment);
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"), script, kalvora.executable, diskFolder});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), exitCode);
    const QByteArray errors = shell.readAllStandardError();
    QVERIFY2(errors.contains(says), errors.constData());
    QFile still(diskFolder + QStringLiteral("/still.png"));
    if (needsSmallDisk) {
        QVERIFY(still.open(QIODevice::ReadOnly));
        QCOMPARE(still.readAll(), QByteArray("an earlier still"));
    }
}

void HeadlessTest::oddFilesAndNoScreen_neverHangOrCrash_data() {
    QTest::addColumn<QString>("odd");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("says");
    const QStringList snapshot{QStringLiteral("--snapshot"), QStringLiteral("still.png")};
    QTest::newRow("TickerTape.txt a named pipe, snapshot")
        << "pipe" << snapshot << 0 << QByteArray();
    QTest::newRow("TickerTape.txt a named pipe, frames")
        << "pipe" << QStringList{QStringLiteral("--frames")} << 0 << QByteArray();
    QTest::newRow("settings file a folder")
        << "settings folder" << snapshot << 0 << QByteArray("cannot be read");
#ifndef Q_OS_WIN // a Windows desktop always has its screen
    QTest::newRow("no screen") << "no screen" << QStringList() << 1 << QByteArray("no screen");
    QTest::newRow("no display") << "" << QStringList() << 1
                                << QByteArray("cannot open the display");
#endif
}

void HeadlessTest::oddFilesAndNoScreen_neverHangOrCrash() {
    QFETCH(QString, odd);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, says);
    Installed kalvora;
    kalvora.writeSettings("tt_enabled=1\n");
    if (odd == QLatin1String("pipe") &&
        QProcess::execute(QStringLiteral("mkfifo"),
                          {kalvora.dir.filePath(QStringLiteral("TickerTape.txt"))}) != 0)
        QSKIP("mkfifo is not available");
    if (odd == QLatin1String("settings folder")) {
        QVERIFY(QFile::remove(kalvora.iniPath()));
        QVERIFY(QDir().mkdir(kalvora.iniPath()));
    }
    if (odd == QLatin1String("no screen")) {
        const QString none = kalvora.dir.filePath(QStringLiteral("no-screens.json"));
        QFile config(none);
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(R"({"screens": []})");
        config.close();
        kalvora.environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                                   QStringLiteral("offscreen:configfile=") + none);
    }
    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    process.setWorkingDirectory(kalvora.dir.path());
    process.start(kalvora.executable, arguments);
    if (arguments.contains(QStringLiteral("--frames"))) {
        // Frames coming out is the proof that nothing waits on the pipe.
        QVERIFY(process.waitForReadyRead(20000));
        QVERIFY(process.readAllStandardOutput().size() > 0);
        process.kill();
        process.waitForFinished();
        return;
    }
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray errors = process.readAllStandardError();
    QVERIFY2(errors.contains(says), errors.constData());
}

// The manual page is written by hand: every option --help names must be in it, and it must name
// no option the program does not have, and the version it gives must be the program's.
void HeadlessTest::version_andTheManualPage_sayWhatHelpSays() {
    Installed kalvora;
    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    for (const char* option : {"--version", "-v"}) {
        process.start(kalvora.executable, {QString::fromLatin1(option)});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        // Windows' console text ends its lines in CR LF.
        QCOMPARE(process.readAllStandardOutput().replace("\r\n", "\n"),
                 QByteArray("Kalvora " KALVORA_VERSION "\n"));
    }
    process.start(kalvora.executable, {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(30000));
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    QFile page(QStringLiteral(KALVORA_MANUAL_PAGE));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(page.readAll()).remove(QStringLiteral("\\"));
    const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*[a-z]"));
    QSet<QString> inHelp, inManual;
    for (const auto& match : option.globalMatch(help))
        inHelp << match.captured();
    for (const auto& match : option.globalMatch(manual))
        inManual << match.captured();
    inHelp << QStringLiteral("--help"); // the usage does not name itself
    // What ffmpeg's part of the example line names is not ours.
    for (const auto& ffmpeg : option.globalMatch(help.section(QStringLiteral("ffmpeg"), 1)))
        inHelp.remove(ffmpeg.captured());
    for (const auto& ffmpeg : option.globalMatch(manual.section(QStringLiteral("ffmpeg"), 1)))
        inManual.remove(ffmpeg.captured());
    QCOMPARE(inManual, inHelp);
    QVERIFY(manual.contains(QStringLiteral("\"Kalvora " KALVORA_VERSION "\"")));
}

// In this process, so that what is made can be seen: a still (like the frame outputs, which
// start the same way) comes from the station and the one frame path alone: no control panel,
// no window of the registry, and the still is the card's own pixels with the stored call sign.
void HeadlessTest::headlessModes_runOnTheStation_withoutAControlPanel() {
    TestPlatform t({{"Text1", "PI6ATV"}});
    ProgramParts program(t.platform);
    const auto panels = [] {
        int found = 0;
        for (const QWidget* widget : QApplication::allWidgets())
            found += widget->objectName() == QLatin1String("Form1");
        return found;
    };
    Options still;
    still.mode = Options::Mode::Snapshot;
    still.snapshotFile = t.dir.filePath(QStringLiteral("still.png"));
    QCOMPARE(startStation(program.station(), still), 0);
    QCOMPARE(writeSnapshot(program.station(), still), 0);
    QCOMPARE(panels(), 0);
    QVERIFY(!program.windows().anyWindowLoaded());
    const std::unique_ptr<PatternWindow> card = makeCardWindow(Cards::TestCard, program.station());
    static_cast<kalvora::Display&>(*card).Picture1->hide(); // the ticker is off by default
    QImage expected(card->stage()->size(), QImage::Format_RGB32);
    card->stage()->render(&expected);
    QCOMPARE(QImage(still.snapshotFile).convertToFormat(QImage::Format_RGB32), expected);
}

QTEST_MAIN(HeadlessTest)
#include "headless_test.moc"
