#include "TestSupport.h"

#include "platform/LoadedWindow.h"

#include <QFile>
#include <QSettings>
#include <QWidget>

namespace kalvora::test {

QImage grabbed(QWidget& window) {
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TestPlatform::TestPlatform(std::initializer_list<std::pair<const char*, const char*>> settings)
    : store(std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini")))),
      clock(QDate(2026, 12, 8), QTime(20, 15, 30)) {
    installFontSubstitutes(); // as main() does

    platform.store = store.get();
    platform.programFolder = dir.path();
    platform.now = [this] { return clock; };
    platform.screens = [this] { return screens ? *screens : Platform::qtScreens(); };
    platform.screenFonts = [this] { return fonts; };
    platform.chooseColour = [this](const QColor& initial, QWidget*) -> std::optional<QColor> {
        colourInitials << initial;
        if (colourAnswers.isEmpty())
            return std::nullopt;
        return colourAnswers.takeFirst();
    };
    platform.openUrl = [this](const QUrl& url) {
        openedUrls << url;
        return launcherWorks;
    };
    platform.warn = [this](QWidget*, const QString&, const QString& text) { warnings << text; };
    QList<QPair<QString, QString>> values;
    for (const auto& [key, value] : settings)
        values.append({QString::fromUtf8(key), QString::fromUtf8(value)});
    if (!values.isEmpty() && !store->WriteSettings(values))
        qFatal("the test's settings could not be stored");
}

void TestPlatform::writeTickerFile(const QByteArray& bytes) const {
    QFile file(tickerPath());
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

QByteArray TestPlatform::tickerFileBytes() const {
    QFile file(tickerPath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QString TestPlatform::storedValue(const QString& key) const {
    return SettingsStore(iniPath()).ReadSetting(key, QStringLiteral("<absent>"));
}

bool TestPlatform::storeHas(const QString& key) const {
    return SettingsStore(iniPath()).contains(key);
}

} // namespace kalvora::test

#ifndef Q_OS_WIN
#include <QProcess>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace kalvora::test {

SmallDisk::SmallDisk(const QString& folder, int kibibytes) : m_folder(folder) {
#ifndef Q_OS_WIN
    if (::geteuid() != 0)
        return;
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1k").arg(kibibytes), QStringLiteral("kalvora-test"),
                 folder});
    m_mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                mount.exitCode() == 0;
#else
    Q_UNUSED(kibibytes);
#endif
}

SmallDisk::~SmallDisk() {
#ifndef Q_OS_WIN
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
#endif
}

qint64 SmallDisk::freeBytes() const {
#ifndef Q_OS_WIN
    struct statvfs status {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &status) == 0)
        return qint64(status.f_bavail) * qint64(status.f_frsize);
#endif
    return -1;
}

void SmallDisk::fill(qint64 freeBytes) {
#ifndef Q_OS_WIN
    const QByteArray filler = QFile::encodeName(m_folder + QStringLiteral("/.filler"));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return;
    const QByteArray page(4096, 'F');
    while (::write(fd, page.constData(), size_t(page.size())) > 0) {
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t release = off_t((freeBytes + 4095) / 4096 * 4096);
    if (::ftruncate(fd, std::max<off_t>(0, size - release)) != 0)
        qWarning("could not make room on the small disk");
    ::close(fd);
#else
    Q_UNUSED(freeBytes);
#endif
}

} // namespace kalvora::test
