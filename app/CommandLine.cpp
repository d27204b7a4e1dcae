#include "app/CommandLine.h"

#include "station/Cards.h"

#include <QCommandLineParser>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace kalvora {

namespace {

const char* const Usage =
    "Usage: kalvora                                  open the control panel and the patterns\n"
    "       kalvora --version                        say which version this is\n"
    "       kalvora --snapshot FILE.png [--pattern 1|2]\n"
    "                                                write a test pattern as a picture\n"
    "       kalvora --frames [--fps N] [--pattern 1|2]\n"
    "                                                stream live frames to standard output\n"
    "       kalvora --stream URL [stream options]    send a live stream to a transmitter or "
    "server\n"
    "       kalvora --ts-rate --symbol-rate S --fec F --modulation M\n"
    "                                                print the mux rate and video bitrate\n"
    "\n"
    "These modes use your settings and TickerTape.txt, need no display and change nothing.\n"
    "\n"
    "--stream URL: udp://HOST:PORT (a DATV modulator or SDR; 7 packets a datagram), srt://...,\n"
    "rtmp://... (FLV), or a file ending in .ts or .flv. Stream options:\n"
    "  --pattern 1|2  --fps N (25)  --size WxH (808x608; 720x576 and 704x576 are 4:3 PAL)\n"
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
    "--frames writes raw 808 x 608 BGRA frames, one after the other, at N frames per second\n"
    "(default 25), with the clock and the ticker running; pipe them into an encoder, e.g.\n"
    "  kalvora --frames | ffmpeg -f rawvideo -pixel_format bgra -video_size 808x608 \\\n"
    "      -framerate 25 -i - -c:v libx264 -pix_fmt yuv420p -f mpegts out.ts\n";

CommandLine mistake(const QString& what) {
    CommandLine result;
    result.message = QStringLiteral("kalvora: %1\n\n").arg(what) + QString::fromLatin1(Usage);
    result.exitCode = 2;
    result.mistake = what;
    return result;
}

// The stream's settings from a parser that has taken the command line; a mistake when any of
// them is wrong, before anything is opened.
CommandLine streamSettingsFrom(const QCommandLineParser& parser, const QString& url) {
    Options options;
    StreamSettings& s = options.stream;
    const auto value = [&parser](const char* name) {
        return parser.value(QString::fromLatin1(name));
    };
    const auto isSet = [&parser](const char* name) {
        return parser.isSet(QString::fromLatin1(name));
    };
    s.url = url;
    if (isSet("stream") && url.isEmpty())
        return mistake(QStringLiteral("--stream needs an address (udp://, srt://, rtmp://) or a "
                                      "file name ending in .ts or .flv"));
    if (!url.isEmpty() && !url.contains(QLatin1String("://")) &&
        !url.endsWith(QLatin1String(".ts"), Qt::CaseInsensitive) &&
        !url.endsWith(QLatin1String(".flv"), Qt::CaseInsensitive))
        return mistake(
            QStringLiteral("\"%1\" is neither an address (udp://, srt://, rtmp://) nor a "
                           "file name ending in .ts or .flv")
                .arg(url));
    if (const QString problem = s.addressProblem(); !problem.isEmpty())
        return mistake(problem);
    if (isSet("size")) {
        static const QRegularExpression size(QStringLiteral("^([0-9]{2,4})x([0-9]{2,4})$"));
        const QRegularExpressionMatch match = size.match(value("size"));
        const int w = match.captured(1).toInt(), h = match.captured(2).toInt();
        if (!match.hasMatch() || w < 64 || h < 48 || w > 3840 || h > 2160 || w % 2 || h % 2)
            return mistake(QStringLiteral("--size must be WIDTHxHEIGHT, even numbers from 64x48 "
                                          "to 3840x2160, not \"%1\"")
                               .arg(value("size")));
        s.size = QSize(w, h);
    }
    if (isSet("codec")) {
        s.codec = value("codec");
        if (s.codec != QLatin1String("h264") && s.codec != QLatin1String("hevc") &&
            s.codec != QLatin1String("mpeg2"))
            return mistake(
                QStringLiteral("--codec must be h264, hevc or mpeg2, not \"%1\"").arg(s.codec));
    }
    const auto rate = [&](const char* name, qint64& into) -> std::optional<CommandLine> {
        if (!isSet(name))
            return std::nullopt;
        const auto parsed = parseRate(value(name));
        if (!parsed || *parsed < 1000 || *parsed > 1e9)
            return mistake(QStringLiteral("--%1 must be a rate from 1k to 1000M (like 333k or "
                                          "1.5M), not \"%2\"")
                               .arg(QLatin1String(name), value(name)));
        into = qint64(*parsed);
        return std::nullopt;
    };
    if (auto wrong = rate("video-bitrate", s.videoBitrate))
        return *wrong;
    if (auto wrong = rate("muxrate", s.muxRate))
        return *wrong;
    const bool channel = isSet("symbol-rate") || isSet("fec") || isSet("modulation");
    if (channel) {
        if (isSet("muxrate"))
            return mistake(QStringLiteral("give either --muxrate or the channel (--symbol-rate, "
                                          "--fec, --modulation), not both"));
        if (!isSet("symbol-rate") || !isSet("fec") || !isSet("modulation"))
            return mistake(
                QStringLiteral("the channel needs all of --symbol-rate, --fec and --modulation"));
        Channel c;
        qint64 symbols = 0;
        if (auto wrong = rate("symbol-rate", symbols))
            return *wrong;
        c.symbolRate = double(symbols);
        const auto fec = parseFec(value("fec"));
        const auto modulation = parseModulation(value("modulation"));
        if (!modulation)
            return mistake(QStringLiteral("--modulation must be dvbs, dvbs2-qpsk or dvbs2-8psk, "
                                          "not \"%1\"")
                               .arg(value("modulation")));
        c.modulation = *modulation;
        if (fec) {
            c.fecNumerator = fec->first;
            c.fecDenominator = fec->second;
        }
        const auto muxRate = c.muxRate();
        if (!fec || !muxRate)
            return mistake(QStringLiteral("--fec %1 is not a code rate of %2")
                               .arg(value("fec"), value("modulation")));
        s.muxRate = *muxRate;
    }
    if (s.muxRate > MaxMuxRate)
        return mistake(QStringLiteral("a mux rate of %1 bit/s is more than this build sends: at "
                                      "most %2 bit/s")
                           .arg(s.muxRate)
                           .arg(MaxMuxRate));
    if (isSet("keyframe-seconds")) {
        bool ok = false;
        s.keyframeSeconds = value("keyframe-seconds").toDouble(&ok);
        if (!ok || s.keyframeSeconds < 0.1 || s.keyframeSeconds > 10)
            return mistake(QStringLiteral("--keyframe-seconds must be from 0.1 to 10, not \"%1\"")
                               .arg(value("keyframe-seconds")));
    }
    if (isSet("service-name"))
        s.serviceName = value("service-name");
    if (isSet("service-provider"))
        s.serviceProvider = value("service-provider");
    // The call sign, where it names the service, is checked when it is known.
    if (const QString problem = s.serviceProblem(QString()); !problem.isEmpty())
        return mistake(problem);
    if (isSet("audio")) {
        const QString audio = value("audio");
        const std::pair<const char*, StreamSettings::Audio> kinds[] = {
            {"none", StreamSettings::Audio::None},
            {"silence", StreamSettings::Audio::Silence},
            {"tone", StreamSettings::Audio::Tone},
            {"ident", StreamSettings::Audio::Ident}};
        const auto kind = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& k) {
            return audio == QLatin1String(k.first);
        });
        if (kind == std::end(kinds))
            return mistake(
                QStringLiteral("--audio must be none, silence, tone or ident, not \"%1\"")
                    .arg(audio));
        s.audio = kind->second;
    }
    if (isSet("ident-minutes")) {
        bool ok = false;
        s.identMinutes = value("ident-minutes").toInt(&ok);
        if (!ok || s.identMinutes < 1 || s.identMinutes > 60)
            return mistake(QStringLiteral("--ident-minutes must be a whole number from 1 to 60, "
                                          "not \"%1\"")
                               .arg(value("ident-minutes")));
    }
    if (s.muxRate > 0 && s.container() == StreamSettings::Container::TransportStream &&
        s.effectiveVideoBitrate() + 60000 > s.muxRate)
        return mistake(QStringLiteral("a video bitrate of %1 bit/s does not fit a mux rate of %2 "
                                      "bit/s")
                           .arg(s.effectiveVideoBitrate())
                           .arg(s.muxRate));
    CommandLine result;
    result.options = options;
    return result;
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
    // Anything else, one of ours or a mistake, is answered without opening a window, so that
    // a wrong argument gets a usage message even where there is no display.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (!argument.startsWith('-') || argument.startsWith("--"))
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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption snapshot(QStringLiteral("snapshot"),
                                      QStringLiteral("Write the pattern to FILE."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption frames(QStringLiteral("frames"),
                                    QStringLiteral("Stream raw frames to standard output."));
    const QCommandLineOption fps(QStringLiteral("fps"), QStringLiteral("Frames per second."),
                                 QStringLiteral("N"));
    const QCommandLineOption pattern(QStringLiteral("pattern"),
                                     QStringLiteral("Test pattern 1 or 2."), QStringLiteral("N"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(value));
    };
    const QCommandLineOption stream = valued("stream", "URL");
    const QCommandLineOption tsRate(QStringLiteral("ts-rate"));
    const QList<QCommandLineOption> streamOptions = {valued("size", "WxH"),
                                                     valued("codec", "NAME"),
                                                     valued("video-bitrate", "R"),
                                                     valued("keyframe-seconds", "S"),
                                                     valued("muxrate", "R"),
                                                     valued("symbol-rate", "S"),
                                                     valued("fec", "F"),
                                                     valued("modulation", "M"),
                                                     valued("service-name", "NAME"),
                                                     valued("service-provider", "NAME"),
                                                     valued("audio", "KIND"),
                                                     valued("ident-minutes", "N")};
    parser.addOptions({help, version, snapshot, frames, fps, pattern, stream, tsRate});
    parser.addOptions(streamOptions);
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (parser.isSet(help)) {
        CommandLine result;
        result.message = QString::fromLatin1(Usage);
        return result;
    }
    if (parser.isSet(version)) {
        CommandLine result;
        result.message = QStringLiteral("Kalvora %1\n").arg(QLatin1String(KALVORA_VERSION));
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    Options options;
    const int modes = int(parser.isSet(snapshot)) + int(parser.isSet(frames)) +
                      int(parser.isSet(stream)) + int(parser.isSet(tsRate));
    if (modes > 1)
        return mistake(
            QStringLiteral("--snapshot, --frames, --stream and --ts-rate cannot be used together"));
    const bool streamOptionSet =
        std::any_of(streamOptions.begin(), streamOptions.end(),
                    [&parser](const QCommandLineOption& option) { return parser.isSet(option); });
    const bool makesFrames = parser.isSet(snapshot) || parser.isSet(frames) ||
                             parser.isSet(stream) || parser.isSet(tsRate);
    if (!makesFrames && (parser.isSet(fps) || parser.isSet(pattern)))
        return mistake(
            QStringLiteral("--fps and --pattern go with --snapshot, --frames or --stream"));
    if (parser.isSet(snapshot) && parser.isSet(fps))
        return mistake(QStringLiteral("--fps goes with --frames"));
    // The card and the frame rate, for every mode that makes frames; a stream's encoders take
    // at most 60 frames a second.
    if (parser.isSet(pattern)) {
        options.card = parser.value(pattern);
        if (!Cards::find(options.card))
            return mistake(QStringLiteral("--pattern must be %1, not \"%2\"")
                               .arg(Cards::namesForMessage(), options.card));
    }
    if (parser.isSet(fps)) {
        const int most = parser.isSet(stream) ? 60 : 100;
        bool ok = false;
        options.fps = parser.value(fps).toInt(&ok);
        if (!ok || options.fps < 1 || options.fps > most)
            return mistake(
                QStringLiteral("--fps must be a whole number from 1 to %1%2, not \"%3\"")
                    .arg(most)
                    .arg(parser.isSet(stream) ? QStringLiteral(" for a stream") : QString())
                    .arg(parser.value(fps)));
    }
    if (parser.isSet(stream) || parser.isSet(tsRate)) {
        CommandLine streamed = streamSettingsFrom(parser, parser.value(stream));
        if (!streamed.options)
            return streamed;
        streamed.options->mode =
            parser.isSet(stream) ? Options::Mode::Stream : Options::Mode::TsRate;
        streamed.options->card = options.card;
        streamed.options->fps = streamed.options->stream.fps = options.fps;
        if (parser.isSet(tsRate) && streamed.options->stream.muxRate <= 0)
            return mistake(QStringLiteral(
                "--ts-rate needs --symbol-rate, --fec and --modulation (or --muxrate)"));
        return streamed;
    }
    if (streamOptionSet)
        return mistake(QStringLiteral("the stream options go with --stream or --ts-rate"));
    if (parser.isSet(snapshot)) {
        options.mode = Options::Mode::Snapshot;
        options.snapshotFile = parser.value(snapshot);
        if (options.snapshotFile.isEmpty())
            return mistake(QStringLiteral("--snapshot needs a file name"));
    } else if (parser.isSet(frames)) {
        options.mode = Options::Mode::Frames;
    }
    CommandLine result;
    result.options = options;
    return result;
}

} // namespace kalvora
