#include "platform/Platform.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryFile>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace kalvora {

QPoint Platform::warningPlace(const QRect& window, const QSize& box, const QRect& screen) {
    if (window.isEmpty())
        return screen.center() - QPoint(box.width() / 2, box.height() / 2);
    constexpr int Gap = 8;
    const QPoint beside[] = {
        {window.right() + 1 + Gap, window.top()},           // right of it
        {window.left() - Gap - box.width(), window.top()},  // left of it
        {window.left(), window.bottom() + 1 + Gap},         // below it
        {window.left(), window.top() - Gap - box.height()}, // above it
    };
    for (const QPoint& corner : beside)
        if (screen.contains(QRect(corner, box)))
            return corner;
    return window.center() - QPoint(box.width() / 2, box.height() / 2);
}

Platform Platform::system(SettingsStore* store, const QString& programFolder) {
    Platform platform;
    platform.store = store;
    platform.programFolder = programFolder;
    platform.now = [] { return QDateTime::currentDateTime(); };
    platform.screens = &Platform::qtScreens;
    platform.screenFonts = [] { return QFontDatabase::families(); };
    platform.chooseColour = [](const QColor& initial, QWidget* parent) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, parent);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };
    platform.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    // One way to tell the operator about a problem: a box that neither blocks nor takes the
    // keyboard, so a warning that comes up while a field is being typed in loses no keystroke.
    // It comes up beside the window it concerns (without one, the window the operator works
    // in), so that it covers nothing being typed in, once that window is on the screen: a
    // window that warns while it loads is not placed yet, and a box placed by it would land in
    // a corner of the screen.
    platform.warn = [](QWidget* parent, const QString& title, const QString& text) {
        QWidget* concerned = parent ? parent->window() : QApplication::activeWindow();
        auto* box =
            new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, concerned);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        box->setWindowModality(Qt::NonModal);
        QTimer::singleShot(0, box, [box, concerned = QPointer<QWidget>(concerned)] {
            box->adjustSize();
            const QScreen* screen = concerned ? concerned->screen() : QGuiApplication::primaryScreen();
            const QRect area = screen ? screen->availableGeometry() : QRect();
            const QRect window = concerned && concerned->isVisible() ? concerned->frameGeometry()
                                                                     : QRect();
            box->move(warningPlace(window, box->frameGeometry().size(), area));
            box->show();
        });
    };
    return platform;
}

QList<ScreenInfo> Platform::qtScreens() {
    QList<ScreenInfo> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QString model = (screen->manufacturer() + QLatin1Char(' ') + screen->model()).trimmed();
        screens.append({screen->name(), model, screen->geometry(),
                        (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize(),
                        screen == primary, screen->devicePixelRatio()});
    }
    return screens;
}

namespace {

// Whether the user may make files in the folder. Windows keeps that in access lists, which
// Qt's writability check does not read (a per-machine Program Files folder looks writable):
// there, try it.
bool mayCreateFilesIn(const QString& folder) {
#ifdef Q_OS_WIN
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("kalvora-probe-XXXXXX")));
    return probe.open();
#else
    return QFileInfo(folder).isWritable();
#endif
}

} // namespace

QString Platform::tickerFolderFor(const QString& programFolder, const QString& userDataFolder) {
    // An installed program's folder belongs to the system, never to one operator's text, even
    // where the operator may write there (as root may).
    static const QStringList systemFolders = {
        QStringLiteral("/usr/"),   QStringLiteral("/opt/"),   QStringLiteral("/bin/"),
        QStringLiteral("/sbin/"),  QStringLiteral("/lib/"),   QStringLiteral("/lib32/"),
        QStringLiteral("/lib64/"), QStringLiteral("/snap/")};
    const QString folder = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath()) +
                           QLatin1Char('/');
    const bool systemFolder =
        std::any_of(systemFolders.begin(), systemFolders.end(),
                    [&folder](const QString& root) { return folder.startsWith(root); });
    if (!systemFolder && mayCreateFilesIn(programFolder))
        return programFolder;
    QDir().mkpath(userDataFolder);
    return userDataFolder;
}

} // namespace kalvora
