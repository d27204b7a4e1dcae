// The stream's rules that need no encoder, so they run in every build: the mux rate from a
// channel, the options refused before anything is opened, the destinations by name, and the
// pacing of the datagrams on a clock the test sets.
#include "app/CommandLine.h"
#include "stream/PacedSender.h"
#include "stream/StreamDestination.h"
#include "stream/StreamSettings.h"

#include <QTest>
#include <random>

using namespace kalvora;
using namespace std::chrono;

namespace {

QStringList words(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A clock that moves only when slept on, and wakes each sleep as late as `lateness` says.
struct LateClock : PacingClock {
    TimePoint time{};
    std::function<nanoseconds(int sleep)> lateness;
    int sleeps = 0;
    TimePoint now() override { return time; }
    void sleepUntil(TimePoint when) override { time = std::max(time, when) + lateness(sleeps++); }
};

constexpr qint64 MuxRate = 2380794; // DVB-S2 QPSK 1.5 MS 4/5
constexpr int Datagram = 1316;

} // namespace

class StreamSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void muxRate_fromTheChannel_data();
    void muxRate_fromTheChannel();
    void mistakes_refusedBeforeAnythingIsOpened_data();
    void mistakes_refusedBeforeAnythingIsOpened();
    void sizeAuto_followsTheVideoBitrate_data();
    void sizeAuto_followsTheVideoBitrate();
    void pictureOptions_goWithEveryFrameOutput();
    void remoteOptions_withTheWindowsToo_data();
    void remoteOptions_withTheWindowsToo();
    void serviceName_warnedWhereReceiversCutOrGarbleIt();
    void destination_fillsInWhatTheStreamIsMadeOf_data();
    void destination_fillsInWhatTheStreamIsMadeOf();
    void channelOptions_replaceOnlyTheChannel_data();
    void channelOptions_replaceOnlyTheChannel();
    void pacer_keepsTheRateAgainstTheClock_whenItWakesLate_data();
    void pacer_keepsTheRateAgainstTheClock_whenItWakesLate();
    void pacer_startsAgainAfterAStall_losingOnlyTheStall();
};

void StreamSettingsTest::muxRate_fromTheChannel_data() {
    QTest::addColumn<QString>("channel");
    QTest::addColumn<qint64>("muxRate"); // 0: the channel has no such code rate
    QTest::addColumn<qint64>("tolerance");
    // The figures DATV station software publishes.
    QTest::newRow("DVB-S 250k 3/4") << "250k 3/4 dvbs" << qint64(345588) << qint64(1);
    QTest::newRow("DVB-S2 QPSK 333k 2/3") << "333k 2/3 dvbs2-qpsk" << qint64(440310) << qint64(1);
    QTest::newRow("DVB-S2 QPSK 1.5M 4/5")
        << "1.5M 4/5 dvbs2-qpsk" << qint64(2381000) << qint64(1000);
    QTest::newRow("DVB-S2 8PSK 2M 2/3")
        << "2000000 2/3 dvbs2-8psk" << qint64(2e6 * 42960 / 21690) << qint64(1);
    QTest::newRow("8PSK has no 1/2") << "1M 1/2 dvbs2-8psk" << qint64(0) << qint64(0);
    QTest::newRow("DVB-S has no 3/5") << "1M 3/5 dvbs" << qint64(0) << qint64(0);
}

void StreamSettingsTest::muxRate_fromTheChannel() {
    QFETCH(QString, channel);
    QFETCH(qint64, muxRate);
    QFETCH(qint64, tolerance);
    const QStringList parts = words(channel);
    const CommandLine line = parseCommandLine(
        words(QStringLiteral("kalvora --ts-rate --symbol-rate %1 --fec %2 --modulation %3")
                  .arg(parts[0], parts[1], parts[2])));
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

void StreamSettingsTest::mistakes_refusedBeforeAnythingIsOpened_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said"); // empty: taken
    const auto row = [](const char* name, const QStringList& arguments, const char* said) {
        QTest::newRow(name) << arguments << QString::fromLatin1(said);
    };
    const QString name252 = QString(245, QLatin1Char('N')); // with "Kalvora", 252 bytes
    row("port above 65535", {"udp://127.0.0.1:99999"}, "the port \"99999\"");
    row("port 65537", {"udp://127.0.0.1:65537"}, "not one from 1 to 65535");
    row("port 0", {"udp://127.0.0.1:0"}, "the port \"0\"");
    row("port not a number", {"srt://host:x1"}, "the port \"x1\"");
    row("no port", {"udp://127.0.0.1"}, "has no port");
    row("no host", {"udp://:1314"}, "has no host");
    row("a line break", {"udp://127.0.0.1:1314\nudp://10.0.0.1:1"}, "line break");
    row("too long", {"udp://127.0.0.1:1314?x=" + QString(4100, QLatin1Char('a'))}, "at most 4096");
    row("RTMP's own port", {"rtmp://127.0.0.1/live/atv"}, "");
    row("SRT listener", {"srt://:9000?mode=listener"}, "");
    row("mux rate above the limit", {"udp://127.0.0.1:1314", "--muxrate", "81M"},
        "at most 80000000 bit/s");
    row("a channel above the limit",
        words("udp://127.0.0.1:1314 --symbol-rate 45M --fec 9/10 --modulation dvbs2-8psk"),
        "at most 80000000 bit/s");
    row("mux rate at the limit", {"udp://127.0.0.1:1314", "--muxrate", "80M"}, "");
    row("service name fits the SDT", {"x.ts", "--service-name", name252}, "");
    row("service name too long for the SDT", {"x.ts", "--service-name", name252 + "N"},
        "carries 252 for both");
    row("provider too long for the SDT",
        {"x.ts", "--service-provider", QString(253, QLatin1Char('P'))}, "carries 252 for both");
    // Two bytes a letter, and one for the mark of UTF-8.
    row("non-ASCII name that fits", {"x.ts", "--service-name", QString(122, QChar(0xe9))}, "");
    row("non-ASCII name too long", {"x.ts", "--service-name", QString(122, QChar(0xe9)) + "x"},
        "carries 252 for both");
    row("control character in the name",
        {"x.ts", "--service-name",
         "PI6\x01"
         "ATV"},
        "control characters");
    row("an FLV stream has no SDT", {"x.flv", "--service-name", name252 + "NNN"}, "");
    row("16:9 on a 4:3 size of square pixels", words("x.ts --size 800x600 --aspect 16:9"),
        "--aspect 16:9 needs 720x576");
    row("16:9 at PAL's size", words("x.ts --size 720x576 --aspect 16:9"), "");
    row("a shape that is not one", words("x.ts --aspect 14:9"), "--aspect must be 4:3 or 16:9");
}

void StreamSettingsTest::mistakes_refusedBeforeAnythingIsOpened() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    const CommandLine line = parseCommandLine(
        QStringList{QStringLiteral("kalvora"), QStringLiteral("--stream")} + arguments);
    if (said.isEmpty()) {
        QVERIFY2(line.options, qPrintable(line.message));
        return;
    }
    QCOMPARE(line.exitCode, 2);
    QVERIFY2(line.message.contains(said),
             qPrintable(line.message.section(QLatin1Char('\n'), 0, 0)));
}

// --web and --mqtt open the windows as no option does, or go with a headless mode.
void StreamSettingsTest::remoteOptions_withTheWindowsToo_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("headless");
    QTest::addColumn<QString>("said"); // empty: taken
    QTest::newRow("web page with the windows") << "kalvora --web 0.0.0.0:8080" << false << "";
    QTest::newRow("MQTT with the windows")
        << "kalvora --mqtt mqtt://127.0.0.1:1883 --mqtt-user op --mqtt-ca=ca.pem" << false << "";
    QTest::newRow("web page headless") << "kalvora --stream x.ts --web 8080" << true << "";
    QTest::newRow("not with a still")
        << "kalvora --web=127.0.0.1:8080 --snapshot x.png" << true << "go with --stream";
    QTest::newRow("a user for no broker") << "kalvora --mqtt-user op" << false << "go with --mqtt";
    QTest::newRow("a key without its certificate")
        << "kalvora --web 8443 --web-key key.pem" << false << "go together";
}

void StreamSettingsTest::remoteOptions_withTheWindowsToo() {
    QFETCH(QString, line);
    QFETCH(bool, headless);
    QFETCH(QString, said);
    QList<QByteArray> arguments;
    for (const QString& word : words(line))
        arguments << word.toUtf8();
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    QCOMPARE(wantsHeadless(int(argv.size()), argv.data()), headless);
    const CommandLine parsed = parseCommandLine(words(line));
    if (said.isEmpty()) {
        QVERIFY2(parsed.options, qPrintable(parsed.message));
        return;
    }
    QCOMPARE(parsed.exitCode, 2);
    QVERIFY2(parsed.message.contains(said), qPrintable(parsed.message.section('\n', 0, 0)));
}

void StreamSettingsTest::sizeAuto_followsTheVideoBitrate_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pixelWidth"); // of 45 (64: 16:9 PAL), 48 (PAL 4:3), or 0 for square
    // The video gets (mux rate - 60k) x 0.725.
    QTest::newRow("a narrow channel: 250k") << "--muxrate 250k" << QSize(160, 112) << 0;
    QTest::newRow("QO-100 333k DVB-S2")
        << "--symbol-rate 333k --fec 2/3 --modulation dvbs2-qpsk" << QSize(384, 288) << 0;
    QTest::newRow("16:9 at 333k") << "--muxrate 440k --aspect 16:9" << QSize(512, 288) << 0;
    QTest::newRow("PAL at 2M") << "--muxrate 2M" << QSize(720, 576) << 48;
    QTest::newRow("PAL 16:9 at 2M") << "--muxrate 2M --aspect 16:9" << QSize(720, 576) << 64;
    QTest::newRow("HD at 3M") << "--video-bitrate 3M" << QSize(1280, 720) << 0;
    QTest::newRow("HEVC: more picture for 3M")
        << "--video-bitrate 3M --codec hevc" << QSize(1920, 1080) << 0;
    QTest::newRow("MPEG-2: less for 3M")
        << "--video-bitrate 3M --codec mpeg2" << QSize(720, 576) << 48;
}

void StreamSettingsTest::sizeAuto_followsTheVideoBitrate() {
    QFETCH(QString, options);
    QFETCH(QSize, size);
    QFETCH(int, pixelWidth);
    const CommandLine line =
        parseCommandLine(words(QStringLiteral("kalvora --stream x.ts --size auto ") + options));
    QVERIFY2(line.options, qPrintable(line.message));
    QCOMPARE(line.options->stream.size, size);
    QCOMPARE(line.options->canvas.pixels, size);
    QCOMPARE(line.options->canvas.pixelAspect(), pixelWidth ? pixelWidth / 45.0 : 1.0);
    // It says what it chose.
    QVERIFY2(
        line.options->note.contains(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())),
        qPrintable(line.options->note));
}

void StreamSettingsTest::pictureOptions_goWithEveryFrameOutput() {
    for (const char* mode : {"--snapshot x.png", "--frames"}) {
        const CommandLine taken = parseCommandLine(words(
            QStringLiteral("kalvora %1 --size 720x576 --aspect 16:9").arg(QLatin1String(mode))));
        QVERIFY2(taken.options, qPrintable(taken.message));
        QCOMPARE(taken.options->canvas, Canvas::forStream({720, 576}, true));
        const CommandLine automatic = parseCommandLine(
            words(QStringLiteral("kalvora %1 --size auto").arg(QLatin1String(mode))));
        QCOMPARE(automatic.exitCode, 2);
        QVERIFY(automatic.mistake.contains(QStringLiteral("goes with --stream")));
        const CommandLine rate = parseCommandLine(
            words(QStringLiteral("kalvora %1 --muxrate 1M").arg(QLatin1String(mode))));
        QCOMPARE(rate.exitCode, 2);
    }
    // Without them, the windows' own size.
    QCOMPARE(parseCommandLine(words(QStringLiteral("kalvora --frames"))).options->canvas,
             Canvas::design());
}

void StreamSettingsTest::serviceName_warnedWhereReceiversCutOrGarbleIt() {
    StreamSettings s;
    s.url = QStringLiteral("udp://127.0.0.1:1314");
    QVERIFY(s.serviceWarnings(QStringLiteral("PI6ATV")).isEmpty());
    QVERIFY(s.serviceWarnings(QStringLiteral("PI6ATV/P repeat")).isEmpty()); // 15
    const QStringList sixteen = s.serviceWarnings(QStringLiteral("PI6ATV/P repeate"));
    QVERIFY(sixteen.size() == 1 && sixteen[0].contains(QLatin1String("first 15")));
    const QStringList accented = s.serviceWarnings(QStringLiteral("PÉ6ATV"));
    QVERIFY(accented.size() == 1 && accented[0].contains(QLatin1String("ASCII")));
    QVERIFY(s.serviceWarnings(QString()).join(QString()).contains(QLatin1String("no name")));
    s.serviceName = QStringLiteral("PA3XYZ");
    QVERIFY(s.serviceWarnings(QString(20, QLatin1Char('x'))).isEmpty()); // the given name counts
}

void StreamSettingsTest::destination_fillsInWhatTheStreamIsMadeOf_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("current"); // the address in the window before
    QTest::addColumn<QString>("callSign");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("application"); // the Pluto's RTMP only
    QTest::addColumn<QString>("stream");
    const QString rtmp = QStringLiteral("rtmp://192.168.2.1:7272/");
    const QString app = QStringLiteral(",2409.75,DVBS2,8PSK,1500,34,-20,nocalib,800,32,");
    QTest::newRow("Pluto RTMP, a call sign with a slash")
        << "pluto-rtmp"
        << "udp://127.0.0.1:1314"
        << "PA3XYZ/P" << rtmp + app + "/,PA3XYZ/P," << app << ",PA3XYZ/P,";
    QTest::newRow("Pluto RTMP at another address, kept")
        << "pluto-rtmp"
        << "rtmp://10.0.0.7:7272/,437,DVBS,QPSK,333,12,-1,nocalib,800,32,/,X,"
        << "PI6ATV"
        << "rtmp://10.0.0.7:7272/" + app + "/,PI6ATV," << app << ",PI6ATV,";
    QTest::newRow("Pluto multicast") << "pluto-multicast"
                                     << ""
                                     << "PI6ATV"
                                     << "udp://239.0.0.1:5004?ttl=1"
                                     << ""
                                     << "";
    QTest::newRow("modulator") << "modulator"
                               << ""
                               << "PI6ATV"
                               << "udp://127.0.0.1:1314"
                               << ""
                               << "";
    QTest::newRow("a key not known: the modulator, as kept by default") << "pluto-v9"
                                                                        << ""
                                                                        << "PI6ATV"
                                                                        << "udp://127.0.0.1:1314"
                                                                        << ""
                                                                        << "";
    QTest::newRow("club RTMP") << "rtmp"
                               << ""
                               << "PI6ATV"
                               << "rtmp://server.van.de.club/live/PI6ATV"
                               << ""
                               << "";
}

// A destination's address, and the options with the channel picked, make a stream that starts:
// at the channel's mux rate where it ends in a transmitter, and read back as picked when the
// window opens again. The Pluto's RTMP address carries the channel the way its firmware reads
// it, the call sign whole.
void StreamSettingsTest::destination_fillsInWhatTheStreamIsMadeOf() {
    QFETCH(QString, key);
    QFETCH(QString, current);
    QFETCH(QString, callSign);
    QFETCH(QString, address);
    QFETCH(QString, application);
    QFETCH(QString, stream);
    TransmitChoice choice;
    choice.frequencyMHz = 2409.75;
    choice.channel = Channel{1.5e6, 3, 4, Channel::Modulation::DvbS28psk};
    choice.gainDb = -20;
    const StreamDestination& destination = streamDestination(key);
    QCOMPARE(destinationAddress(destination, choice, callSign, current), address);
    const auto names = plutoRtmpNames(address);
    QCOMPARE(names.has_value(), !application.isEmpty());
    if (names) {
        QCOMPARE(names->application, application);
        QCOMPARE(names->stream, stream);
    }
    const QString options = optionsWithChannel(
        QStringLiteral("--audio tone"),
        destination.usesChannel() ? std::optional<Channel>(choice.channel) : std::nullopt);
    const CommandLine line = parseStreamSettings(address, options);
    QVERIFY2(line.options, qPrintable(line.message));
    QCOMPARE(line.options->stream.audio, StreamSettings::Audio::Tone);
    QCOMPARE(line.options->stream.muxRate,
             destination.usesChannel() ? *choice.channel.muxRate() : qint64(0));
    if (!destination.usesChannel())
        return;
    const TransmitChoice back = TransmitChoice::from(address, options);
    QCOMPARE(back.channel.muxRate(), choice.channel.muxRate());
    QCOMPARE(back.channel.modulation, choice.channel.modulation);
    const bool pluto = destination.kind == StreamDestination::Kind::PlutoRtmp;
    QCOMPARE(back.frequencyMHz, pluto ? choice.frequencyMHz : TransmitChoice().frequencyMHz);
    QCOMPARE(back.gainDb, pluto ? choice.gainDb : TransmitChoice().gainDb);
}

void StreamSettingsTest::channelOptions_replaceOnlyTheChannel_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("channel");
    QTest::addColumn<QString>("result");
    const QString dvbs = QStringLiteral("--symbol-rate 250k --fec 3/4 --modulation dvbs");
    QTest::newRow("none yet") << "" << true << dvbs;
    QTest::newRow("another channel and a mux rate, given both ways")
        << "--muxrate 2M --fec=2/3 --symbol-rate 1M --modulation dvbs2-qpsk --fps 30" << true
        << "--fps 30 " + dvbs;
    QTest::newRow("a quoted name with a quote in it")
        << R"(--service-name "PI6ATV """Zuid"""" --audio ident)" << true
        << R"(--service-name "PI6ATV """Zuid"""" --audio ident )" + dvbs;
    QTest::newRow("no channel: taken out, a mux rate kept")
        << "--symbol-rate=1M --fec 1/2 --modulation dvbs --muxrate 1M --codec hevc" << false
        << "--muxrate 1M --codec hevc";
}

void StreamSettingsTest::channelOptions_replaceOnlyTheChannel() {
    QFETCH(QString, options);
    QFETCH(bool, channel);
    QFETCH(QString, result);
    const Channel dvbs{250000, 3, 4, Channel::Modulation::DvbS};
    const QString replaced =
        optionsWithChannel(options, channel ? std::optional<Channel>(dvbs) : std::nullopt);
    QCOMPARE(replaced, result);
    if (!channel) // what the window shows of it, in either spelling
        QCOMPARE(TransmitChoice::from(QString(), options).channel.muxRate(),
                 (Channel{1e6, 1, 2, Channel::Modulation::DvbS}.muxRate()));
    QCOMPARE(optionsWithChannel(replaced, channel ? std::optional<Channel>(dvbs) : std::nullopt),
             replaced); // nothing more changes the second time
}

void StreamSettingsTest::pacer_keepsTheRateAgainstTheClock_whenItWakesLate_data() {
    QTest::addColumn<int>("pattern");
    QTest::newRow("on time") << 0;
    QTest::newRow("every wake-up 6 ms late, more than a datagram's time") << 1;
    QTest::newRow("late by up to 8 ms at random") << 2;
    QTest::newRow("110 ms late now and then") << 3;
}

// The sender's clock, counted against the time: after every wake-up, late or not, the bits
// sent equal the rate times the time within what one late wake-up and one datagram hold, and
// over a minute to a twentieth of a per mille.
void StreamSettingsTest::pacer_keepsTheRateAgainstTheClock_whenItWakesLate() {
    QFETCH(int, pattern);
    std::mt19937 random(7);
    LateClock clock;
    clock.lateness = [&](int sleep) -> nanoseconds {
        switch (pattern) {
        case 1:
            return milliseconds(6);
        case 2:
            return microseconds(random() % 8000);
        case 3:
            return sleep % 500 == 499 ? milliseconds(110) : nanoseconds(0);
        }
        return nanoseconds(0);
    };
    Pacer pacer(clock, MuxRate);
    const PacingClock::TimePoint start = clock.time;
    qint64 bits = 0;
    double worstBehind = 0;
    while (clock.time - start < seconds(60)) {
        pacer.waitTurn(Datagram);
        const double elapsed = duration<double>(clock.time - start).count();
        worstBehind = std::max(worstBehind, elapsed * MuxRate - bits);
        bits += Datagram * 8;
    }
    const double elapsed = duration<double>(clock.time - start).count();
    QVERIFY2(std::abs(bits / elapsed / MuxRate - 1) < 0.0005,
             qPrintable(QStringLiteral("%1 %").arg(bits / elapsed / MuxRate * 100, 0, 'f', 3)));
    QVERIFY2(worstBehind <= 0.111 * MuxRate + Datagram * 8,
             qPrintable(QString::number(worstBehind)));
    QCOMPARE(pacer.restarts(), 0);
}

void StreamSettingsTest::pacer_startsAgainAfterAStall_losingOnlyTheStall() {
    LateClock clock;
    clock.lateness = [](int sleep) -> nanoseconds {
        return sleep == 1000 ? seconds(3) : nanoseconds(0);
    };
    Pacer pacer(clock, MuxRate);
    const PacingClock::TimePoint start = clock.time;
    qint64 bits = 0, burst = 0;
    PacingClock::TimePoint before = clock.time;
    while (clock.time - start < seconds(20)) {
        if (pacer.stalled())
            pacer.restart();
        pacer.waitTurn(Datagram);
        burst = clock.time == before ? burst + 1 : 0;
        QVERIFY2(burst < 3, "a stall is not made up by a burst"); // two may share an instant
        before = clock.time;
        bits += Datagram * 8;
    }
    QCOMPARE(pacer.restarts(), 1);
    const double sent = double(bits) / MuxRate,
                 elapsed = duration<double>(clock.time - start).count();
    QVERIFY2(std::abs(elapsed - 3 - sent) < 0.01,
             qPrintable(QStringLiteral("%1 s sent in %2 s").arg(sent).arg(elapsed)));
}

QTEST_GUILESS_MAIN(StreamSettingsTest)
#include "stream_settings_test.moc"
