#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/FrameStream.h"
#include "app/WindowRegistry.h"
#include "files/SafeFile.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"
#include "ticker/TickerFile.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace kalvora;

namespace {

PatternWindow& chosenPattern(WindowRegistry& windows, const Options& options) {
    if (options.pattern == 2)
        return windows.pattern2();
    return windows.display();
}

// The picture format the file name asks for, from its ending; empty when there is none we
// can write.
QByteArray snapshotFormat(const QString& file) {
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray();
}

int writeSnapshot(WindowRegistry& windows, const Options& options) {
    const QByteArray format = snapshotFormat(options.snapshotFile);
    if (format.isEmpty()) {
        std::fprintf(stderr,
                     "kalvora: cannot tell the picture format from the name %s; end it in .png "
                     "(nothing was written)\n",
                     qPrintable(options.snapshotFile));
        return 2;
    }
    // Rendered at one pixel per pixel: 808 x 608 whatever scaling Qt applies to the screen.
    const QImage& picture = chosenPattern(windows, options).frames().frame();
    // Encoded whole before the file is touched, then put in place whole: an existing still
    // stays as it was when anything fails.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format.constData())) {
        std::fprintf(stderr, "kalvora: the picture could not be made as %s\n", format.constData());
        return 1;
    }
    const SafeFile::Result saved = SafeFile::replace(options.snapshotFile, bytes);
    if (!saved.ok) {
        std::fprintf(stderr, "kalvora: cannot write %s: %s\n", qPrintable(options.snapshotFile),
                     qPrintable(saved.error));
        return 1;
    }
    return 0;
}

int streamFrames(WindowRegistry& windows, const Options& options) {
#ifdef Q_OS_WIN
    const int out = _fileno(stdout);
    // In text mode every 0x0A byte of a frame would go out as 0x0D 0x0A.
    _setmode(out, _O_BINARY);
#else
    const int out = STDOUT_FILENO;
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is an ordinary end, seen as EPIPE
#endif
    if (isatty(out)) {
        std::fprintf(stderr, "kalvora: --frames writes raw video; pipe it into an encoder "
                             "(see kalvora --help)\n");
        return 2;
    }
    // An encoder transmits from the first frame on, so that frame must be whole: the time and
    // date, which the window only gets at the next second, and the ticker's first step.
    Form1& panel = windows.form1();
    panel.Timer1_Timer();
    if (panel.ticker.Timer3.isActive())
        panel.ticker.Timer3_Timer();
    FrameStream stream(chosenPattern(windows, options).frames(), options.fps, out);
    // Queued: a first frame that cannot go out ends the stream before the event loop runs.
    QObject::connect(&stream, &FrameStream::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    stream.start();
    return QCoreApplication::exec();
}

#ifdef Q_OS_WIN
// kalvora.exe is a windowed program: started from a console (--help, --frames, an error), it
// has none of its own. It writes to the console it was started from, where standard output or
// error is not already going elsewhere (a pipe, a file).
void useParentConsole() {
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    const auto reopen = [](DWORD handle, FILE* stream) {
        const HANDLE current = GetStdHandle(handle);
        if (current == nullptr || current == INVALID_HANDLE_VALUE)
            std::freopen("CONOUT$", "w", stream);
    };
    reopen(STD_OUTPUT_HANDLE, stdout);
    reopen(STD_ERROR_HANDLE, stderr);
}
#endif

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    useParentConsole();
#endif
    const bool headless = wantsHeadless(argc, argv);
    bool platformChosenHere = false;
    if (headless) {
        // No window is shown, so no display is needed.
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
        // Off screen, Qt looks for fonts only in this folder; without it every caption would
        // be drawn as empty boxes.
        if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
            qputenv("QT_QPA_FONTDIR", (qgetenv("WINDIR").isEmpty() ? QByteArray("C:\\Windows")
                                                                   : qgetenv("WINDIR")) +
                                          "\\Fonts");
#endif
    }
#ifdef Q_OS_LINUX
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !namesPlatform(argc, argv)) {
        // X11, also in a Wayland session: a Wayland client cannot place its own windows, and
        // the patterns must go to the second screen. Without a display Qt would abort; the
        // fallback lets us say so instead.
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
        platformChosenHere = true;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(SettingsStore::Application));
    QApplication::setQuitOnLastWindowClosed(false);
    if (platformChosenHere && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::fprintf(stderr,
                     "kalvora: cannot open the display \"%s\". Start Kalvora from a "
                     "desktop session, or see kalvora --help for output without one.\n",
                     qgetenv("DISPLAY").constData());
        return 1;
    }
    if (!headless && QGuiApplication::screens().isEmpty()) {
        std::fprintf(stderr, "kalvora: there is no screen to show the control panel on. "
                             "Connect a monitor, or see kalvora --help for output without one.\n");
        return 1;
    }

    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.options) {
        std::fputs(qPrintable(commandLine.message), commandLine.exitCode ? stderr : stdout);
        return commandLine.exitCode;
    }
    const Options& options = *commandLine.options;
    installFontSubstitutes();

    SettingsStore store = SettingsStore::forProgramIn(QApplication::applicationDirPath());
    const QString tickerFolder = Platform::tickerFolderFor(
        QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    // A save cut short (the program killed half-way) leaves its temporary file behind.
    if (options.mode == Options::Mode::Windows)
        for (const QString& saved : {store.iniFile(), TickerFile::pathIn(tickerFolder)})
            if (!saved.isEmpty())
                SafeFile::removeStaleTemporaries(saved);
    const Platform platform = Platform::system(&store, tickerFolder);
    WindowRegistry windows(platform, [] { QCoreApplication::quit(); });
    if (options.mode != Options::Mode::Windows) {
        const auto toStandardError = [](const QString& message) {
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(message));
        };
        store.setFailureHandler(toStandardError);
        if (const QString problem = store.readProblem(); !problem.isEmpty())
            toStandardError(problem);
        windows.form1(); // the normal start-up, without showing the control panel
        if (options.mode == Options::Mode::Snapshot)
            return writeSnapshot(windows, options);
        return streamFrames(windows, options);
    }

    const auto toOperator = [&platform](const QString& message) {
        platform.warn(nullptr, QStringLiteral("Kalvora"), message);
    };
    store.setFailureHandler(toOperator);
    windows.form1().show();
    if (const QString problem = store.readProblem(); !problem.isEmpty())
        toOperator(problem);
    return app.exec();
}
