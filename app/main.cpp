#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Headless.h"
#include "app/ProgramParts.h"
#include "app/RemoteControl.h"
#include "app/WindowRegistry.h"
#include "files/SafeFile.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"
#include "station/OnAirLog.h"
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

// Picks Qt's platform before the application exists. Returns whether it chose one that may
// fall back to no display, which main() then reports.
bool choosePlatform(bool headless, int argc, char** argv) {
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
        return false;
    }
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !namesPlatform(argc, argv)) {
        // X11, also in a Wayland session: a Wayland client cannot place its own windows, and
        // the patterns must go to the second screen. Without a display Qt would abort; the
        // fallback lets us say so instead.
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
        return true;
    }
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
    return false;
}

// Why the control panel cannot be shown; empty when it can.
QString whyNoWindows(bool platformChosenHere) {
    if (platformChosenHere && QGuiApplication::platformName() == QLatin1String("offscreen"))
        return QStringLiteral("cannot open the display \"%1\". Start Kalvora from a desktop "
                              "session, or see kalvora --help for output without one.")
            .arg(QString::fromLocal8Bit(qgetenv("DISPLAY")));
    if (QGuiApplication::screens().isEmpty())
        return QStringLiteral("there is no screen to show the control panel on. Connect a "
                              "monitor, or see kalvora --help for output without one.");
    return QString();
}

// A still, frames or a stream: problems go to standard error.
int runHeadless(ProgramParts& program, SettingsStore& store, const Options& options) {
    const auto toStandardError = [](const QString& message) {
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(message));
    };
    store.setFailureHandler(toStandardError);
    if (const QString problem = store.readProblem(); !problem.isEmpty())
        toStandardError(problem);
    if (const int code = startStation(program.station(), options); code != 0)
        return code;
    if (options.mode == Options::Mode::Snapshot)
        return writeSnapshot(program.station(), options);
    if (options.mode == Options::Mode::Stream)
        return streamNetwork(program.station(), options);
    return streamFrames(program.station(), options);
}

// The control panel and the patterns: problems go to the operator.
int runWindows(ProgramParts& program, SettingsStore& store, const Options& options) {
    const Platform& platform = program.platform();
    const auto toOperator = [&platform](const QString& message) {
        platform.warn(nullptr, QStringLiteral("Kalvora"), message);
    };
    store.setFailureHandler(toOperator);
    program.station().setLog(std::make_unique<OnAirLog>(
        OnAirLog::defaultFolder(), [] { return QDateTime::currentDateTimeUtc(); }, toOperator));
    program.windows().form1().show();
    if (const QString problem = store.readProblem(); !problem.isEmpty())
        toOperator(problem);
    // The web page, where --web or the settings ask for one; MQTT, where --mqtt does.
    if (const QString problem = program.windows().remote().serve(
            options.webAddress, options.webCertificate, options.webKey);
        !problem.isEmpty())
        toOperator(problem);
    if (const QString problem = program.windows().remote().connectMqtt(
            options.mqttUrl, options.mqttUser, options.mqttPassword, options.mqttCaFile);
        !problem.isEmpty())
        toOperator(problem);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    useParentConsole();
#endif
    const bool headless = wantsHeadless(argc, argv);
    const bool platformChosenHere = choosePlatform(headless, argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(SettingsStore::Application));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!headless)
        if (const QString problem = whyNoWindows(platformChosenHere); !problem.isEmpty()) {
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(problem));
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
    if (options.mode == Options::Mode::SetWebPassword)
        return RemoteControl::setPassword(store);
    const QString tickerFolder = Platform::tickerFolderFor(
        QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    // A save cut short (the program killed half-way) leaves its temporary file behind.
    if (options.mode == Options::Mode::Windows)
        for (const QString& saved : {store.iniFile(), TickerFile::pathIn(tickerFolder)})
            if (!saved.isEmpty())
                SafeFile::removeStaleTemporaries(saved);
    ProgramParts program(Platform::system(&store, tickerFolder), [] { QCoreApplication::quit(); });
    if (options.mode == Options::Mode::Windows)
        return runWindows(program, store, options);
    return runHeadless(program, store, options);
}
