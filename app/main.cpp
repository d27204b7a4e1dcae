#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/FrameStream.h"
#include "app/WindowRegistry.h"
#include "pattern/Display.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace kalvora;

namespace {

QWidget& chosenPattern(WindowRegistry& windows, const Options& options) {
    if (options.pattern == 2)
        return windows.pattern2();
    return windows.display();
}

int writeSnapshot(WindowRegistry& windows, const Options& options) {
    const QImage picture = chosenPattern(windows, options).grab().toImage();
    if (!picture.save(options.snapshotFile)) {
        std::fprintf(stderr,
                     "kalvora: cannot write %s (is the folder writable, and does the "
                     "name end in .png?)\n",
                     qPrintable(options.snapshotFile));
        return 1;
    }
    return 0;
}

int streamFrames(WindowRegistry& windows, const Options& options) {
#ifdef Q_OS_WIN
    const int out = _fileno(stdout);
#else
    const int out = STDOUT_FILENO;
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is an ordinary end, seen as EPIPE
#endif
    if (isatty(out)) {
        std::fprintf(stderr, "kalvora: --frames writes raw video; pipe it into an encoder "
                             "(see kalvora --help)\n");
        return 2;
    }
    FrameStream stream(chosenPattern(windows, options), options.fps, out);
    QObject::connect(&stream, &FrameStream::finished, qApp, &QCoreApplication::exit);
    stream.start();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    const bool headless = wantsHeadless(argc, argv);
    if (headless) {
        // No window is shown, so no display is needed.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#ifdef Q_OS_LINUX
    // A Wayland client cannot place its own windows, and the patterns must go to the second
    // screen: run through XWayland unless the user chose a platform.
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
             (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
              !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(SettingsStore::Application));
    QApplication::setQuitOnLastWindowClosed(false);

    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
    if (!commandLine.options) {
        std::fputs(qPrintable(commandLine.message), commandLine.exitCode ? stderr : stdout);
        return commandLine.exitCode;
    }
    const Options& options = *commandLine.options;
    installFontSubstitutes();

    SettingsStore store;
    const QString tickerFolder = Platform::tickerFolderFor(
        QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    WindowRegistry windows(Platform::system(&store, tickerFolder),
                           [] { QCoreApplication::quit(); });
    if (options.mode != Options::Mode::Windows) {
        store.setFailureHandler([](const QString& message) {
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(message));
        });
        windows.form1(); // the normal start-up, without showing the control panel
        if (options.mode == Options::Mode::Snapshot)
            return writeSnapshot(windows, options);
        return streamFrames(windows, options);
    }

    // Said once, without stopping the operator's typing.
    store.setFailureHandler([](const QString& message) {
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kalvora"), message);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
    windows.form1().show();
    return app.exec();
}
