#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Headless.h"
#include "app/ProgramParts.h"
#include "files/SafeFile.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"
#include "ticker/TickerFile.h"

#include <QApplication>
#include <QStandardPaths>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace kalvora;

namespace {

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
            qputenv("QT_QPA_FONTDIR",
                    (qgetenv("WINDIR").isEmpty() ? QByteArray("C:\\Windows") : qgetenv("WINDIR")) +
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
    if (options.mode == Options::Mode::TsRate) {
        std::fputs(qPrintable(tsRateText(options.stream)), stdout);
        return 0;
    }
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
    ProgramParts program(Platform::system(&store, tickerFolder), [] { QCoreApplication::quit(); });
    const Platform& platform = program.platform();
    if (options.mode != Options::Mode::Windows) {
        const auto toStandardError = [](const QString& message) {
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(message));
        };
        store.setFailureHandler(toStandardError);
        if (const QString problem = store.readProblem(); !problem.isEmpty())
            toStandardError(problem);
        if (options.mode == Options::Mode::Snapshot)
            return writeSnapshot(program.station(), options);
        if (options.mode == Options::Mode::Stream)
            return streamNetwork(program.station(), options);
        return streamFrames(program.station(), options);
    }

    const auto toOperator = [&platform](const QString& message) {
        platform.warn(nullptr, QStringLiteral("Kalvora"), message);
    };
    store.setFailureHandler(toOperator);
    program.windows().form1().show();
    if (const QString problem = store.readProblem(); !problem.isEmpty())
        toOperator(problem);
    return app.exec();
}
