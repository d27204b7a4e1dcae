#include "app/CommandLine.h"

#include "station/Cards.h"
#include "stream/StreamOptions.h"

#include <QCommandLineParser>
#include <QProcess>
#include <QSet>
#include <algorithm>

namespace kalvora {

namespace {

const char* const Usage =
    "Usage: kalvora                                  open the control panel and the patterns\n"
    "       kalvora --version                        say which version this is\n"
    "       kalvora --snapshot FILE.png [--pattern CARD] [--size WxH] [--aspect 4:3|16:9]\n"
    "                                                write a test pattern as a picture\n"
    "       kalvora --frames [--fps N] [--pattern CARD] [--size WxH] [--aspect 4:3|16:9]\n"
    "                                                stream live frames to standard output\n"
    "       kalvora --stream URL [stream options]    send a live stream to a transmitter or "
    "server\n"
    "       kalvora --ts-rate --symbol-rate S --fec F --modulation M\n"
    "                                                print the mux rate and video bitrate\n"
    "       kalvora --set-web-password               set the web page's password (read from\n"
    "                                                standard input; only its hash is kept)\n"
    "\n"
    "These modes use your settings and TickerTape.txt, need no display and change nothing.\n"
    "A repeater (with --stream or --frames): --on-air-hours 07:00-23:30,22:00-02:00 (UTC;\n"
    "standby outside them), --carousel \"1=60,2=20,club.png=30\" (cards and seconds),\n"
    "--ident-card-minutes N --ident-card-seconds S (the ident card), --standby-at-start,\n"
    "--log FOLDER (the on-air log; default ~/.local/state/kalvora).\n"
    "--web ADDRESS:PORT (with the windows, --stream or --frames): the station's web page and\n"
    "its API, behind the password, at 127.0.0.1:PORT unless you name another address;\n"
    "--web-certificate FILE --web-key FILE (PEM) serve it over HTTPS.\n"
    "--mqtt mqtt://HOST:PORT [--mqtt-user NAME --mqtt-password TEXT] [--mqtt-ca FILE]: state\n"
    "on kalvora/CALL/status, commands on kalvora/CALL/set/WHAT (see the README).\n"
    "CARD: 1 (the test card, default), 2 (colour bars), contest (with --contest-number N and\n"
    "--band NAME for this run), ident, or one of your pictures: its name in the cards folder\n"
    "beside TickerTape.txt, or a PNG or JPEG file.\n"
    "\n"
    "--stream URL: udp://HOST:PORT (a DATV modulator or SDR; 7 packets a datagram), srt://...,\n"
    "rtmp://... (FLV), or a file ending in .ts or .flv. Stream options:\n"
    "  --pattern CARD  --fps N (25)  --size WxH|auto (808x608)  --aspect 4:3|16:9 (4:3)\n"
    "  --codec h264|hevc|mpeg2 (h264)  --video-bitrate R  --keyframe-seconds S (1)\n"
    "  --muxrate R (at most 80M), or --symbol-rate S --fec F\n"
    "      --modulation dvbs|dvbs2-qpsk|dvbs2-8psk\n"
    "  --service-name NAME (the call sign)  --service-provider NAME (Kalvora)\n"
    "  --audio none|silence|tone|ident (none)  --ident-minutes N (10)\n"
    "Rates in bit/s, symbol rates in symbols/s, plain or with k or M (333k, 1.5M). A transport\n"
    "stream goes at its mux rate (without one: the video bitrate / 0.725 + 60k), over UDP\n"
    "evenly by the wall clock; 80M is the most this build keeps up with.\n"
#ifndef KALVORA_HAS_STREAM
    "This build of Kalvora has no --stream: FFmpeg's libraries were not available for it.\n"
#endif
    "\n"
    "--size: the cards are drawn for it, laid out 4:3 or 16:9 by its shape; 720x576 and\n"
    "704x576 are PAL, 4:3 or with --aspect 16:9 wide pixels. auto: from the video bitrate,\n"
    "160x112 up to 1920x1080 (16:9 sizes with --aspect 16:9).\n"
    "\n"
    "--frames writes raw BGRA frames (808 x 608 unless --size), one after the other, at N\n"
    "frames per second (default 25), with the clock and the ticker running; pipe them into an\n"
    "encoder, e.g.\n"
    "  kalvora --frames | ffmpeg -f rawvideo -pixel_format bgra -video_size 808x608 \\\n"
    "      -framerate 25 -i - -c:v libx264 -pix_fmt yuv420p -f mpegts out.ts\n";

CommandLine mistake(const QString& what) {
    CommandLine result;
    result.message = QStringLiteral("kalvora: %1\n\n").arg(what) + QString::fromLatin1(Usage);
    result.exitCode = 2;
    result.mistake = what;
    return result;
}

// The program's own options, each read once into the options: its name, the value it takes,
// and how that value is read and checked (the stream's options are the stream's own: see
// StreamOptions).
struct ProgramOption {
    const char* name;
    const char* valueName; // nothing: a switch
    // Reads the value into `options`; why it cannot, or empty. `streaming`: for a stream.
    QString (*read)(const QString& value, Options& options, bool streaming);
};

QString readFps(const QString& value, Options& options, bool streaming) {
    // A stream's encoders take at most 60 frames a second.
    const int most = streaming ? 60 : 100;
    bool ok = false;
    options.fps = value.toInt(&ok);
    if (!ok || options.fps < 1 || options.fps > most)
        return QStringLiteral("--fps must be a whole number from 1 to %1%2, not \"%3\"")
            .arg(most)
            .arg(streaming ? QStringLiteral(" for a stream") : QString())
            .arg(value);
    return QString();
}

QString readCard(const QString& value, Options& options, bool) {
    // A picture's name is looked up in the cards folder when the station starts.
    if (value.trimmed().isEmpty())
        return QStringLiteral("--pattern needs a card: %1, or a picture's name")
            .arg(Cards::namesForMessage());
    options.card = value.trimmed();
    return QString();
}

QString readContestNumber(const QString& value, Options& options, bool) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 0 || number > 9999 || value.trimmed().size() > 4)
        return QStringLiteral("--contest-number must be a number of up to four digits, not \"%1\"")
            .arg(value);
    options.contestNumber = number;
    return QString();
}

QString readBand(const QString& value, Options& options, bool) {
    if (!Cards::contestBands().contains(value))
        return QStringLiteral("--band must be one of %1, not \"%2\"")
            .arg(Cards::contestBands().join(QStringLiteral(", ")), value);
    options.band = value;
    return QString();
}

QString readSnapshotFile(const QString& value, Options& options, bool) {
    if (value.isEmpty())
        return QStringLiteral("--snapshot needs a file name");
    options.mode = Options::Mode::Snapshot;
    options.snapshotFile = value;
    return QString();
}

template <Options::Mode mode> QString setMode(const QString&, Options& options, bool) {
    options.mode = mode;
    return QString();
}

QString readStreamUrl(const QString& value, Options& options, bool) {
    if (value.isEmpty())
        return QStringLiteral("--stream needs an address (udp://, srt://, rtmp://) or a file name "
                              "ending in .ts or .flv");
    options.mode = Options::Mode::Stream;
    options.stream.url = value;
    return QString();
}

QString readOnAirHours(const QString& value, Options& options, bool) {
    QString problem;
    options.onAirHours = OperatingHours::parse(value, &problem);
    return options.onAirHours ? QString() : QStringLiteral("--on-air-hours: %1").arg(problem);
}

QString readCarousel(const QString& value, Options& options, bool) {
    QString problem;
    options.carousel = Carousel::parse(value, &problem);
    return options.carousel ? QString() : QStringLiteral("--carousel: %1").arg(problem);
}

template <std::optional<int> Options::*field, int most>
QString readMinutesOrSeconds(const QString& value, Options& options, bool) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 0 || number > most)
        return QStringLiteral("%1 must be a whole number from 0 to %2, not \"%3\"")
            .arg(field == &Options::identCardMinutes ? QStringLiteral("--ident-card-minutes")
                                                     : QStringLiteral("--ident-card-seconds"))
            .arg(most)
            .arg(value);
    options.*field = number;
    return QString();
}

QString readLogFolder(const QString& value, Options& options, bool) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("--log needs a folder");
    options.logFolder = value;
    return QString();
}

QString readWebAddress(const QString& value, Options& options, bool) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("--web needs an address and port, such as 127.0.0.1:8080");
    options.webAddress = value.trimmed();
    return QString();
}

// A text kept as given (a file name, a user name).
template <QString Options::*field> QString readText(const QString& value, Options& options, bool) {
    options.*field = value;
    return QString();
}

QString setStandbyAtStart(const QString&, Options& options, bool) {
    options.standbyAtStart = true;
    return QString();
}

// The modes first: what the others mean depends on them.
constexpr ProgramOption ProgramOptions[] = {
    {"snapshot", "FILE", readSnapshotFile},
    {"frames", nullptr, setMode<Options::Mode::Frames>},
    {"stream", "URL", readStreamUrl},
    {"ts-rate", nullptr, setMode<Options::Mode::TsRate>},
    {"fps", "N", readFps},
    {"pattern", "N", readCard},
    {"contest-number", "N", readContestNumber},
    {"band", "NAME", readBand},
    {"on-air-hours", "LIST", readOnAirHours},
    {"carousel", "LIST", readCarousel},
    {"ident-card-minutes", "N", readMinutesOrSeconds<&Options::identCardMinutes, 1440>},
    {"ident-card-seconds", "S", readMinutesOrSeconds<&Options::identCardSeconds, 600>},
    {"standby-at-start", nullptr, setStandbyAtStart},
    {"log", "FOLDER", readLogFolder},
    {"set-web-password", nullptr, setMode<Options::Mode::SetWebPassword>},
    {"web", "ADDRESS:PORT", readWebAddress},
    {"web-certificate", "FILE", readText<&Options::webCertificate>},
    {"web-key", "FILE", readText<&Options::webKey>},
    {"mqtt", "URL", readText<&Options::mqttUrl>},
    {"mqtt-user", "NAME", readText<&Options::mqttUser>},
    {"mqtt-password", "TEXT", readText<&Options::mqttPassword>},
    {"mqtt-ca", "FILE", readText<&Options::mqttCaFile>},
};

QCommandLineOption optionFor(const char* name, const char* valueName) {
    return valueName ? QCommandLineOption(QString::fromLatin1(name), QString(),
                                          QString::fromLatin1(valueName))
                     : QCommandLineOption(QString::fromLatin1(name));
}

// What the options ask for together, before any value is read: one mode, and the options
// that go with it.
QString modeProblem(const QCommandLineParser& parser) {
    const auto isSet = [&parser](const char* name) {
        return parser.isSet(QString::fromLatin1(name));
    };
    if (int(isSet("snapshot")) + int(isSet("frames")) + int(isSet("stream")) +
            int(isSet("ts-rate")) + int(isSet("set-web-password")) >
        1)
        return QStringLiteral("--snapshot, --frames, --stream, --ts-rate and --set-web-password "
                              "cannot be used together");
    if ((isSet("snapshot") || isSet("ts-rate") || isSet("set-web-password")) &&
        (isSet("web") || isSet("web-certificate") || isSet("web-key") || isSet("mqtt")))
        return QStringLiteral("--web and --mqtt go with --stream, --frames or the windows");
    if (!isSet("mqtt") && (isSet("mqtt-user") || isSet("mqtt-password") || isSet("mqtt-ca")))
        return QStringLiteral("--mqtt-user, --mqtt-password and --mqtt-ca go with --mqtt");
    if (isSet("web-certificate") != isSet("web-key"))
        return QStringLiteral("--web-certificate and --web-key go together");
    const bool makesFrames =
        isSet("snapshot") || isSet("frames") || isSet("stream") || isSet("ts-rate");
    if (!makesFrames &&
        (isSet("fps") || isSet("pattern") || isSet("contest-number") || isSet("band")))
        return QStringLiteral("--fps, --pattern, --contest-number and --band go with --snapshot, "
                              "--frames or --stream");
    if (!isSet("stream") && !isSet("frames") &&
        (isSet("on-air-hours") || isSet("carousel") || isSet("ident-card-minutes") ||
         isSet("ident-card-seconds") || isSet("standby-at-start") || isSet("log")))
        return QStringLiteral("--on-air-hours, --carousel, --ident-card-minutes, "
                              "--ident-card-seconds, --standby-at-start and --log go with "
                              "--stream or --frames");
    if (isSet("snapshot") && isSet("fps"))
        return QStringLiteral("--fps goes with --frames");
    const bool streamOptionSet = std::any_of(
        streamOptions().begin(), streamOptions().end(), [&parser](const StreamOption& option) {
            return parser.isSet(QString::fromLatin1(option.name));
        });
    const auto isPictureOption = [](const char* name) {
        return qstrcmp(name, "size") == 0 || qstrcmp(name, "aspect") == 0;
    };
    const bool streamOnlyOptionSet = std::any_of(
        streamOptions().begin(), streamOptions().end(),
        [&parser, &isPictureOption](const StreamOption& option) {
            return !isPictureOption(option.name) && parser.isSet(QString::fromLatin1(option.name));
        });
    if (streamOptionSet && !isSet("stream") && !isSet("ts-rate") &&
        (streamOnlyOptionSet || !(isSet("snapshot") || isSet("frames"))))
        return QStringLiteral("the stream options go with --stream or --ts-rate (--size and "
                              "--aspect also with --snapshot and --frames)");
    return QString();
}

// The stream's settings from its address and the stream options given, for --stream and
// --ts-rate; the picture's size and shape for --snapshot and --frames.
QString readStream(const QCommandLineParser& parser, Options& options) {
    QHash<QString, QString> given;
    for (const StreamOption& option : streamOptions())
        if (parser.isSet(QString::fromLatin1(option.name)))
            given.insert(QString::fromLatin1(option.name),
                         parser.value(QString::fromLatin1(option.name)));
    if (options.mode == Options::Mode::Snapshot || options.mode == Options::Mode::Frames) {
        if (given.value(QStringLiteral("size")) == QLatin1String("auto"))
            return QStringLiteral("--size auto goes with --stream: it follows the video bitrate");
    }
    const StreamSettingsRead read = readStreamSettings(options.stream.url, given);
    if (!read.settings)
        return read.problem;
    options.stream = *read.settings;
    options.stream.fps = options.fps;
    options.canvas = options.stream.canvas();
    options.note = read.note;
    if (options.mode == Options::Mode::TsRate && options.stream.muxRate <= 0)
        return QStringLiteral(
            "--ts-rate needs --symbol-rate, --fec and --modulation (or --muxrate)");
    return QString();
}

} // namespace

QString tsRateText(const StreamSettings& stream) {
    return QStringLiteral("mux rate %1 bit/s\nvideo bitrate %2 bit/s\n")
        .arg(stream.muxRate)
        .arg(stream.effectiveVideoBitrate());
}

CommandLine parseStreamSettings(const QString& url, const QString& options) {
    return parseCommandLine(
        QStringList{QStringLiteral("kalvora"), QStringLiteral("--stream"), url} +
        QProcess::splitCommand(options));
}

bool wantsHeadless(int argc, char** argv) {
    // Qt's own options, which QApplication takes out of the arguments before we see them.
    static const QSet<QByteArray> qtOptionsWithValue = {
        "platform",    "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "style",         "stylesheet", "session",
        "display",     "geometry",           "title",         "name",       "dialogs"};
    static const QSet<QByteArray> qtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    // Ours that go with the windows as well: they open the windows like no option at all.
    static const QSet<QByteArray> withWindows = {"web",       "web-certificate", "web-key", "mqtt",
                                                 "mqtt-user", "mqtt-password",   "mqtt-ca"};
    // Anything else, one of ours or a mistake, is answered without opening a window, so that
    // a wrong argument gets a usage message even where there is no display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.startsWith("--")) {
            const QByteArray name = argument.mid(2).split('=').first();
            if (!withWindows.contains(name))
                return true;
            if (!argument.contains('=') && i + 1 < argc)
                ++i; // its value
            continue;
        }
        if (!argument.startsWith('-'))
            return true;
        const QByteArray name = argument.mid(1);
        if (qtOptionsWithValue.contains(name) && i + 1 < argc)
            ++i;
        else if (!qtFlags.contains(name))
            return true;
    }
    return false;
}

bool namesPlatform(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0)
            return true;
    }
    return false;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    for (const ProgramOption& option : ProgramOptions)
        parser.addOption(optionFor(option.name, option.valueName));
    for (const StreamOption& option : streamOptions())
        parser.addOption(optionFor(option.name, option.valueName));
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (parser.isSet(help) || parser.isSet(version)) {
        CommandLine result;
        result.message = parser.isSet(help)
                             ? QString::fromLatin1(Usage)
                             : QStringLiteral("Kalvora %1\n").arg(QLatin1String(KALVORA_VERSION));
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (const QString problem = modeProblem(parser); !problem.isEmpty())
        return mistake(problem);

    Options options;
    const bool streaming = parser.isSet(QStringLiteral("stream"));
    for (const ProgramOption& option : ProgramOptions) {
        const QString name = QString::fromLatin1(option.name);
        if (!parser.isSet(name))
            continue;
        if (const QString problem = option.read(parser.value(name), options, streaming);
            !problem.isEmpty())
            return mistake(problem);
    }
    if (options.mode != Options::Mode::Windows && options.mode != Options::Mode::SetWebPassword)
        if (const QString problem = readStream(parser, options); !problem.isEmpty())
            return mistake(problem);
    CommandLine result;
    result.options = options;
    return result;
}

} // namespace kalvora
