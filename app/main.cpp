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
    // Said once, without stopping the operator's typing.
    store.setFailureHandler([](const QString& message) {
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kalvora"), message);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
    Form1& panel = windows.form1();
    panel.show();
    return app.exec();
}
