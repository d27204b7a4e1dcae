#include "app/WindowRegistry.h"
#include "app/Form1.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QMessageBox>

using namespace kalvora;

int main(int argc, char* argv[]) {
#ifdef Q_OS_LINUX
    // A Wayland client cannot place its own windows, and the patterns must go to the second
    // screen: run through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(SettingsStore::Application));
    QApplication::setQuitOnLastWindowClosed(false);
    installFontSubstitutes();

    SettingsStore store;
    WindowRegistry windows(Platform::system(&store, QApplication::applicationDirPath()),
                           [] { QCoreApplication::quit(); });
    store.setFailureHandler([&windows](const QString& message) {
        QMessageBox::warning(windows.loadedForm1(), QStringLiteral("Kalvora"), message);
    });
    Form1& panel = windows.form1();
    panel.show();
    return app.exec();
}
