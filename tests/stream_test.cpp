// The network stream, checked with real parts on loopback: FFmpeg's own tools decode what was
// sent, nginx with its RTMP module and srt-live-transmit take it in, and the program with
// windows keeps its picture while a server goes and comes.
#include "InstalledProgram.h"
#include "ProgramFixture.h"
#include "app/Broadcast.h"
#include "app/CommandLine.h"
#include "app/Frm_Uitzenden.h"
#include "pattern/Caption.h"
#include "stream/StreamSettings.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>

using namespace kalvora;
using namespace kalvora::test;

namespace {

QString tool(const char* name) {
    return QStandardPaths::findExecutable(
        QString::fromLatin1(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

#define REQUIRE_TOOL(name)                                                                         \
    if (tool(name).isEmpty())                                                                      \
        QSKIP(name " is not installed (scripts/setup-debian.sh installs it)");

// A command line written out: "a b c" as its words.
QStringList words(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// What a tool prints on standard output. The event loop runs meanwhile: a stream sent from
// this process goes on.
QByteArray output(const QString& program, const QStringList& arguments, int timeoutMs = 30000) {
    QProcess process;
    process.start(program, arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return process.readAllStandardOutput();
}

// ffprobe's description of a stream, as key=value lines.
QString probe(const QString& source) {
    return QString::fromUtf8(
        output(tool("ffprobe"),
               words(QStringLiteral("-v error -show_streams -show_programs -of flat")) << source));
}

// A loopback port nothing listens on now.
quint16 freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// nginx with its RTMP module on a loopback port, its files in `folder`; gone with the object.
// (Its master takes its workers with it when terminated.)
struct RtmpServer {
    static constexpr auto Module = "/usr/lib/nginx/modules/ngx_rtmp_module.so";
    static bool available() {
        return !tool("nginx").isEmpty() && QFile::exists(QLatin1String(Module));
    }
    RtmpServer(const QString& folder, quint16 port) {
        QFile config(folder + QStringLiteral("/nginx.conf"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("load_module %1;\ndaemon off;\npid %2/nginx.pid;\n"
                                    "error_log %2/error.log;\nevents { worker_connections 32; }\n"
                                    "rtmp { server { listen 127.0.0.1:%3; application live { "
                                    "live on; } } }\n")
                         .arg(QLatin1String(Module), folder)
                         .arg(port)
                         .toUtf8());
        config.close();
        nginx.start(tool("nginx"),
                    {QStringLiteral("-c"), config.fileName(), QStringLiteral("-p"), folder});
        nginx.waitForStarted();
    }
    ~RtmpServer() {
        nginx.terminate();
        nginx.waitForFinished(5000);
    }
    QProcess nginx;
};

// The program streaming for `seconds`, then stopped as a station stops it (SIGTERM).
void streamFor(const Installed& kalvora, const QStringList& arguments, double seconds) {
    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    process.start(kalvora.executable, QStringList{QStringLiteral("--stream")} + arguments);
    process.waitForStarted();
    QTest::qWait(int(seconds * 1000));
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
}

// The decoded frames of a file, in grey.
QList<QImage> decodedFrames(const QString& file, QSize size) {
    const QByteArray raw =
        output(tool("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                           QStringLiteral("-i"), file} +
                                   words(QStringLiteral("-f rawvideo -pix_fmt gray -")));
    QList<QImage> frames;
    const qsizetype bytes = qsizetype(size.width()) * size.height();
    for (qsizetype at = 0; at + bytes <= raw.size(); at += bytes)
        frames << QImage(reinterpret_cast<const uchar*>(raw.constData() + at), size.width(),
                         size.height(), size.width(), QImage::Format_Grayscale8)
                      .copy();
    return frames;
}

// How far the ticker strip's text moved left from `before` to `after`: the shift that matches
// best, or -1 where the strip holds too little to tell (its blank lead-in).
int tickerShift(const QImage& before, const QImage& after) {
    const int top = 568, bottom = 604, left = 20, right = 760;
    int contrast = 0;
    for (int x = left; x < right; ++x)
        contrast = std::max(
            contrast, std::abs(qGray(before.pixel(x, 586)) - qGray(before.pixel(x + 1, 586))));
    if (contrast < 60)
        return -1;
    int best = -1;
    double bestDifference = 1e9;
    for (int shift = 0; shift <= 8; ++shift) {
        double difference = 0;
        for (int y = top; y < bottom; y += 2)
            for (int x = left; x < right; ++x)
                difference +=
                    std::abs(qGray(before.pixel(x + shift, y)) - qGray(after.pixel(x, y)));
        if (difference < bestDifference) {
            bestDifference = difference;
            best = shift;
        }
    }
    return best;
}

// An envelope decoder for Morse: keyed and silent runs of 5 ms windows, measured in units of
// the shortest keyed run. Returns the signs heard (letters apart by a blank) and the words per
// minute they were sent at.
std::pair<QString, double> decodeMorse(const QByteArray& samples, int rate) {
    const auto* pcm = reinterpret_cast<const qint16*>(samples.constData());
    const qsizetype count = samples.size() / 2, window = rate / 200;
    QList<std::pair<bool, int>> runs; // keyed?, windows
    for (qsizetype at = 0; at + window <= count; at += window) {
        double energy = 0;
        for (qsizetype i = at; i < at + window; ++i)
            energy += double(pcm[i]) * pcm[i];
        const bool keyed = std::sqrt(energy / window) > 1000;
        if (!runs.isEmpty() && runs.last().first == keyed)
            ++runs.last().second;
        else
            runs.append({keyed, 1});
    }
    int unit = INT_MAX;
    for (const auto& [keyed, length] : runs)
        if (keyed)
            unit = std::min(unit, length);
    QString signs;
    for (const auto& [keyed, length] : runs) {
        const double units = double(length) / unit;
        if (keyed)
            signs += units < 2 ? QLatin1Char('.') : QLatin1Char('-');
        else if (units >= 2 && units < 40 && !signs.isEmpty())
            signs += QLatin1Char(' ');
    }
    return {signs.trimmed(), 1.2 / (unit * 0.005)};
}

} // namespace

class StreamTest : public QObject {
    Q_OBJECT
private slots:
    void muxRate_fromTheChannel_data();
    void muxRate_fromTheChannel();
    void transportStream_asReceiversSeeIt();
    void decodedFrames_tickerMovesEvenly_clockEachSecond_data();
    void decodedFrames_tickerMovesEvenly_clockEachSecond();
    void udp_constantBitrateWithinOnePercent();
    void rtmpAndSrt_intoRealServers();
    void morseIdent_decodesToTheCallSign();
    void badAddressOrOptions_sayWhy_beforeAnythingIsOpened();
    void windowsProgram_keepsItsPicture_retries_andResumes();
};

void StreamTest::muxRate_fromTheChannel_data() {
    QTest::addColumn<QString>("symbolRate");
    QTest::addColumn<QString>("fec");
    QTest::addColumn<QString>("modulation");
    QTest::addColumn<qint64>("muxRate"); // 0: the channel has no such code rate
    QTest::addColumn<qint64>("tolerance");
    // The figures DATV station software publishes.
    const struct {
        const char *name, *symbols, *fec, *modulation;
        qint64 muxRate, tolerance;
    } rows[] = {
        {"DVB-S 250k 3/4", "250k", "3/4", "dvbs", 345588, 1},
        {"DVB-S2 QPSK 333k 2/3", "333k", "2/3", "dvbs2-qpsk", 440310, 1},
        {"DVB-S2 QPSK 1.5M 4/5", "1.5M", "4/5", "dvbs2-qpsk", 2381000, 1000},
        {"DVB-S2 8PSK 2M 2/3", "2000000", "2/3", "dvbs2-8psk", qint64(2e6 * 42960 / 21690), 1},
        {"8PSK has no 1/2", "1M", "1/2", "dvbs2-8psk", 0, 0},
        {"DVB-S has no 3/5", "1M", "3/5", "dvbs", 0, 0},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.symbols) << QString::fromLatin1(row.fec)
                                << QString::fromLatin1(row.modulation) << row.muxRate
                                << row.tolerance;
}

void StreamTest::muxRate_fromTheChannel() {
    QFETCH(QString, symbolRate);
    QFETCH(QString, fec);
    QFETCH(QString, modulation);
    QFETCH(qint64, muxRate);
    QFETCH(qint64, tolerance);
    const CommandLine line = parseCommandLine(
        words(QStringLiteral("kalvora --ts-rate --symbol-rate %1 --fec %2 --modulation %3")
                  .arg(symbolRate, fec, modulation)));
    if (muxRate == 0) {
        QCOMPARE(line.exitCode, 2);
        QVERIFY(line.message.contains(QStringLiteral("not a code rate")));
        return;
    }
    QVERIFY2(line.options, qPrintable(line.message));
    QVERIFY(std::abs(line.options->stream.muxRate - muxRate) <= tolerance);
    // The video gets what the stream leaves: (rate - 60 kbit/s) x 0.725.
    QCOMPARE(line.options->stream.effectiveVideoBitrate(),
             qint64((line.options->stream.muxRate - 60000) * 0.725));
}

void StreamTest::transportStream_asReceiversSeeIt() {
    REQUIRE_TOOL("ffprobe");
    Installed kalvora;
    kalvora.writeSettings("Text1=PI6ATV\n");
    const QString file = kalvora.dir.filePath(QStringLiteral("pal.ts"));
    streamFor(kalvora,
              QStringList{file, QStringLiteral("--service-provider"), QStringLiteral("ATV Club")} +
                  words(QStringLiteral("--size 720x576 --audio tone --muxrate 1.5M")),
              3);
    const QString seen = probe(file);
    for (const char* expected :
         {"programs.program.0.program_id=1", "programs.program.0.pmt_pid=4095",
          "programs.program.0.tags.service_name=\"PI6ATV\"",
          "programs.program.0.tags.service_provider=\"ATV Club\"", "streams.stream.0.id=\"0x100\"",
          "streams.stream.0.codec_name=\"h264\"", "streams.stream.0.width=720",
          "streams.stream.0.height=576", "streams.stream.0.sample_aspect_ratio=\"16:15\"",
          "streams.stream.0.display_aspect_ratio=\"4:3\"", "streams.stream.0.r_frame_rate=\"25/1\"",
          "streams.stream.0.has_b_frames=0", "streams.stream.1.id=\"0x101\"",
          "streams.stream.1.codec_name=\"aac\""})
        QVERIFY2(seen.contains(QLatin1String(expected)), expected);
}

void StreamTest::decodedFrames_tickerMovesEvenly_clockEachSecond_data() {
    QTest::addColumn<int>("fps");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("pixels");      // per frame
    QTest::addColumn<int>("framesApart"); // frames per pixel, when slower than one a frame
    QTest::newRow("25 fps, 20 ms") << 25 << "20" << 2 << 1;
    QTest::newRow("25 fps, 10 ms") << 25 << "10" << 4 << 1;
    QTest::newRow("50 fps, 20 ms") << 50 << "20" << 1 << 1;
    QTest::newRow("50 fps, 50 ms") << 50 << "50" << 0 << 3; // 2.5 frames: 1 pixel every 3
}

void StreamTest::decodedFrames_tickerMovesEvenly_clockEachSecond() {
    REQUIRE_TOOL("ffmpeg");
    QFETCH(int, fps);
    QFETCH(QString, speed);
    QFETCH(int, pixels);
    QFETCH(int, framesApart);
    Installed kalvora;
    kalvora.writeSettings(
        "Text1=PI6ATV\ntt_enabled=1\ntt_regellengte=0\ntt_speed=" + speed.toLatin1() + "\n");
    QFile ticker(kalvora.dir.filePath(QStringLiteral("TickerTape.txt")));
    QVERIFY(ticker.open(QIODevice::WriteOnly));
    ticker.write(QByteArray("Welcome to the PI6ATV test transmission ").repeated(20));
    ticker.close();
    const QString file = kalvora.dir.filePath(QStringLiteral("ticker.ts"));
    streamFor(
        kalvora,
        QStringList{file} +
            words(QStringLiteral("--fps %1 --video-bitrate 12M --keyframe-seconds 0.2").arg(fps)),
        4.5);
    QList<QImage> frames = decodedFrames(file, QSize(808, 608));
    QVERIFY2(frames.size() >= 3 * fps, qPrintable(QString::number(frames.size())));
    frames.removeLast(); // cut off mid-frame when the stream was stopped

    QList<int> shifts;
    for (qsizetype i = 1; i < frames.size(); ++i)
        shifts << tickerShift(frames[i - 1], frames[i]);
    QList<int> measured;
    for (const int shift : shifts)
        if (shift >= 0)
            measured << shift;
    QVERIFY2(measured.size() > frames.size() / 2, qPrintable(QString::number(measured.size())));
    if (framesApart == 1) {
        QVERIFY2(
            std::all_of(measured.begin(), measured.end(), [&](int s) { return s == pixels; }),
            qPrintable(QStringLiteral("shifts %1").arg(QString::number(measured.count(pixels)))));
    } else {
        // One pixel on every third frame, none between: the moves lie exactly that far apart.
        QList<qsizetype> moves;
        for (qsizetype i = 0; i < shifts.size(); ++i) {
            QVERIFY(shifts[i] <= 1);
            if (shifts[i] == 1)
                moves << i;
        }
        QVERIFY(moves.size() > 10);
        for (qsizetype i = 1; i < moves.size(); ++i)
            QCOMPARE(moves[i] - moves[i - 1], framesApart);
    }

    // The time caption changes once a second.
    QList<qsizetype> changes;
    const QRect time(524, 282, 136, 36);
    // A change of the last digit alone is a hundred pixels or more: counted, not averaged
    // (the encoder's first frames differ in a dozen or so).
    for (qsizetype i = 1; i < frames.size(); ++i) {
        int changedPixels = 0;
        for (int y = time.top(); y <= time.bottom(); ++y)
            for (int x = time.left(); x <= time.right(); ++x)
                changedPixels += std::abs(frames[i].constScanLine(y)[x] -
                                          frames[i - 1].constScanLine(y)[x]) > 48;
        if (changedPixels > 60)
            changes << i;
    }
    // (A tick may land a frame or two early or late on a busy machine; on average, a second.)
    QVERIFY2(changes.size() >= frames.size() / fps - 1,
             qPrintable(QString::number(changes.size())));
    for (qsizetype i = 1; i < changes.size(); ++i)
        QVERIFY(std::abs(changes[i] - changes[i - 1] - fps) <= 3);
    const double meanSpacing = double(changes.last() - changes.first()) / (changes.size() - 1);
    QVERIFY2(std::abs(meanSpacing - fps) <= 1, qPrintable(QString::number(meanSpacing)));
}

void StreamTest::udp_constantBitrateWithinOnePercent() {
    Installed kalvora;
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
    receiver.setReadBufferSize(4 << 20);
    QProcess process;
    process.setProcessEnvironment(kalvora.environment);
    process.start(
        kalvora.executable,
        words(
            QStringLiteral("--stream udp://127.0.0.1:%1 --muxrate 2M").arg(receiver.localPort())));
    QElapsedTimer clock;
    QList<qint64> bytesPerSecond;
    QSet<qint64> datagramSizes;
    while (bytesPerSecond.size() < 23 && (clock.isValid() ? clock.elapsed() < 30000 : true)) {
        if (!receiver.waitForReadyRead(3000))
            break;
        while (receiver.hasPendingDatagrams()) {
            const qint64 size = receiver.pendingDatagramSize();
            receiver.readDatagram(nullptr, 0);
            if (!clock.isValid())
                clock.start();
            const qsizetype second = qsizetype(clock.elapsed() / 1000);
            while (bytesPerSecond.size() <= second)
                bytesPerSecond << 0;
            bytesPerSecond[second] += size;
            datagramSizes << size;
        }
    }
    process.terminate();
    process.waitForFinished(10000);
    QVERIFY2(bytesPerSecond.size() >= 23, qPrintable(QString::number(bytesPerSecond.size())));
    QCOMPARE(datagramSizes, QSet<qint64>{1316}); // 7 packets of 188 bytes
    // 20 whole seconds after the first two, in which the mux settles. (At 2 Mbit/s a datagram is
    // half a per cent, so a datagram that falls into the next second's count still fits.)
    for (qsizetype second = 2; second < 22; ++second) {
        const double rate = bytesPerSecond[second] * 8.0;
        QVERIFY2(std::abs(rate - 2e6) <= 2e4,
                 qPrintable(QStringLiteral("second %1: %2 bit/s").arg(second).arg(rate)));
    }
}

void StreamTest::rtmpAndSrt_intoRealServers() {
    REQUIRE_TOOL("srt-live-transmit");
    REQUIRE_TOOL("ffprobe");
    if (!RtmpServer::available())
        QSKIP("nginx or its RTMP module is not installed (nginx-light, libnginx-mod-rtmp)");
    Installed kalvora;
    const quint16 rtmpPort = freePort(), srtPort = freePort();
    const QString rtmp = QStringLiteral("rtmp://127.0.0.1:%1/live/atv").arg(rtmpPort);
    QString pulled;
    {
        RtmpServer server(kalvora.dir.path(), rtmpPort);
        QProcess sender;
        sender.setProcessEnvironment(kalvora.environment);
        sender.start(kalvora.executable,
                     words(QStringLiteral("--stream %1 --audio silence").arg(rtmp)));
        QTest::qWait(2000);
        pulled = probe(rtmp);
        sender.terminate();
        sender.waitForFinished(10000);
    }
    for (const char* expected : {"codec_name=\"h264\"", "codec_name=\"aac\"", "width=808"})
        QVERIFY2(pulled.contains(QLatin1String(expected)), qPrintable(pulled));

    const QString received = kalvora.dir.filePath(QStringLiteral("srt.ts"));
    QProcess listener;
    listener.setStandardOutputFile(received);
    listener.start(
        tool("srt-live-transmit"),
        words(QStringLiteral("-q srt://127.0.0.1:%1?mode=listener file://con").arg(srtPort)));
    QVERIFY(listener.waitForStarted());
    QTest::qWait(500);
    streamFor(kalvora, {QStringLiteral("srt://127.0.0.1:%1").arg(srtPort)}, 3);
    listener.terminate();
    listener.waitForFinished(5000);
    const QString overSrt = probe(received);
    QVERIFY2(overSrt.contains(QLatin1String("programs.program.0.pmt_pid=4095")) &&
                 overSrt.contains(QLatin1String("codec_name=\"h264\"")),
             qPrintable(overSrt));
}

void StreamTest::morseIdent_decodesToTheCallSign() {
    REQUIRE_TOOL("ffmpeg");
    Installed kalvora;
    kalvora.writeSettings("Text1=PI6ATV/P\n");
    const QString file = kalvora.dir.filePath(QStringLiteral("ident.ts"));
    streamFor(kalvora, {file, QStringLiteral("--audio"), QStringLiteral("ident")}, 7.5);
    const QByteArray sound =
        output(tool("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                           QStringLiteral("-i"), file} +
                                   words(QStringLiteral("-vn -ac 1 -ar 8000 -f s16le -")));
    QVERIFY(sound.size() > 8000 * 2 * 5);
    const auto [signs, wordsPerMinute] = decodeMorse(sound, 8000);
    // P I 6 A T V / P, as the Morse code has them.
    QCOMPARE(signs, QStringLiteral(".--. .. -.... .- - ...- -..-. .--."));
    QVERIFY2(wordsPerMinute <= 20.5 && wordsPerMinute > 15,
             qPrintable(QString::number(wordsPerMinute)));
}

void StreamTest::badAddressOrOptions_sayWhy_beforeAnythingIsOpened() {
    Installed kalvora;
    const struct {
        const char* arguments;
        int exitCode;
        const char* said;
    } cases[] = {
        {"--stream gopherx://127.0.0.1/x", 1, "Protocol not found"},
        {"--stream out.mp4", 2, "neither an address"},
        {"--stream x.ts --codec vp9", 2, "--codec must be"},
        {"--stream x.ts --muxrate lots", 2, "--muxrate must be"},
        {"--stream x.ts --muxrate 200k --video-bitrate 1M", 2, "does not fit"},
        {"--frames --audio tone", 2, "go with --stream"},
    };
    for (const auto& c : cases) {
        QByteArray said;
        QCOMPARE(kalvora.run(words(QString::fromLatin1(c.arguments)), &said), c.exitCode);
        QVERIFY2(said.contains(c.said), said.constData());
    }
    QVERIFY(!QFile::exists(kalvora.dir.filePath(QStringLiteral("x.ts"))));
}

// Bestand > Uitzenden into an RTMP server that is not there yet, then goes away mid-stream:
// the stream says so and tries again while the patterns go on; it resumes when the server is
// back. The address typed in the dialog is what is kept.
void StreamTest::windowsProgram_keepsItsPicture_retries_andResumes() {
    REQUIRE_TOOL("ffprobe");
    if (!RtmpServer::available())
        QSKIP("nginx or its RTMP module is not installed (nginx-light, libnginx-mod-rtmp)");
    const quint16 port = freePort();
    const QString rtmp = QStringLiteral("rtmp://127.0.0.1:%1/live/panel").arg(port);
    TestPlatform t;
    t.clock = QDateTime::currentDateTime();
    Program p(t);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    Frm_Uitzenden& dialog =
        p.openFromMenu(p.panel.mnu_uitzenden, &WindowRegistry::loadedBroadcastDialog);
    dialog.Text1->selectAll();
    QTest::keyClicks(dialog.Text1, rtmp);
    QTest::mouseClick(dialog.Command1, Qt::LeftButton);
    QCOMPARE(t.storedValue(QStringLiteral("stream_url")), rtmp);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Label3->text().contains(QLatin1String("Connection refused")),
                             5000);
    QCOMPARE(dialog.Command1->text(), QStringLiteral("Stop"));
    QVERIFY(p.panel.lbl_uitzenden->isVisible());
    QVERIFY(p.panel.lbl_uitzenden->toolTip().contains(QLatin1String("trying again")));
    // The picture goes on meanwhile.
    const QString before = p.pattern1().Label3->text();
    t.clock = t.clock.addSecs(1);
    QTRY_VERIFY_WITH_TIMEOUT(p.pattern1().Label3->text() != before, 3000);

    for (int round = 0; round < 2; ++round) {
        {
            RtmpServer server(t.dir.path(), port);
            QTRY_VERIFY_WITH_TIMEOUT(dialog.Label3->text().startsWith(QLatin1String("streaming")),
                                     40000);
            QVERIFY(probe(rtmp).contains(QLatin1String("codec_name=\"h264\"")));
        } // the server goes away mid-stream
        QTRY_VERIFY_WITH_TIMEOUT(dialog.Label3->text().contains(QLatin1String("trying again")),
                                 15000);
    }
    QTest::mouseClick(dialog.Command1, Qt::LeftButton);
    QCOMPARE(dialog.Label3->text(), QStringLiteral("not streaming"));
    QVERIFY(p.panel.lbl_uitzenden->isHidden());
}

QTEST_MAIN(StreamTest)
#include "stream_test.moc"
