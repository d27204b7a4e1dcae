#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QSet>

namespace kalvora {

namespace {

const char* const Usage =
    "Usage: kalvora                                  open the control panel and the patterns\n"
    "       kalvora --version                        say which version this is\n"
    "       kalvora --snapshot FILE.png [--pattern 1|2]\n"
    "                                                write a test pattern as a picture\n"
    "       kalvora --frames [--fps N] [--pattern 1|2]\n"
    "                                                stream live frames to standard output\n"
    "\n"
    "Both modes use your settings and TickerTape.txt, need no display and change nothing.\n"
    "--frames writes raw 808 x 608 BGRA frames, one after the other, at N frames per second\n"
    "(default 25), with the clock and the ticker running; pipe them into an encoder, e.g.\n"
    "  kalvora --frames | ffmpeg -f rawvideo -pixel_format bgra -video_size 808x608 \\\n"
    "      -framerate 25 -i - -c:v libx264 -pix_fmt yuv420p -f mpegts out.ts\n";

CommandLine mistake(const QString& what) {
    CommandLine result;
    result.message = QStringLiteral("kalvora: %1\n\n").arg(what) + QString::fromLatin1(Usage);
    result.exitCode = 2;
    return result;
}

} // namespace

bool wantsHeadless(int argc, char** argv) {
    // Qt's own options, which QApplication takes out of the arguments before we see them.
    static const QSet<QByteArray> qtOptionsWithValue = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display",
        "geometry", "title", "name", "dialogs"};
    static const QSet<QByteArray> qtFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                              "sync"};
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
    parser.addOptions({help, version, snapshot, frames, fps, pattern});
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
    if (parser.isSet(snapshot) && parser.isSet(frames))
        return mistake(QStringLiteral("--snapshot and --frames cannot be used together"));
    if (parser.isSet(snapshot)) {
        options.mode = Options::Mode::Snapshot;
        options.snapshotFile = parser.value(snapshot);
        if (options.snapshotFile.isEmpty())
            return mistake(QStringLiteral("--snapshot needs a file name"));
        if (parser.isSet(fps))
            return mistake(QStringLiteral("--fps goes with --frames"));
    } else if (parser.isSet(frames)) {
        options.mode = Options::Mode::Frames;
    } else if (parser.isSet(fps) || parser.isSet(pattern)) {
        return mistake(QStringLiteral("--fps and --pattern go with --snapshot or --frames"));
    }
    if (parser.isSet(pattern)) {
        const QString value = parser.value(pattern);
        if (value != QLatin1String("1") && value != QLatin1String("2"))
            return mistake(QStringLiteral("--pattern must be 1 or 2, not \"%1\"").arg(value));
        options.pattern = value.toInt();
    }
    if (parser.isSet(fps)) {
        bool ok = false;
        options.fps = parser.value(fps).toInt(&ok);
        if (!ok || options.fps < 1 || options.fps > 100)
            return mistake(QStringLiteral("--fps must be a whole number from 1 to 100, not \"%1\"")
                               .arg(parser.value(fps)));
    }
    CommandLine result;
    result.options = options;
    return result;
}

} // namespace kalvora
