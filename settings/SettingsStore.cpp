#include "settings/SettingsStore.h"

#include "files/SafeFile.h"
#include "settings/IniDocument.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif
#include <QSettings>

namespace kalvora {

namespace {

// A settings file is a few hundred bytes; anything near this is not one of ours.
constexpr qint64 MaxIniBytes = 16 * 1024 * 1024;

QString section() {
    return QString::fromLatin1(SettingsStore::Section);
}

#ifndef Q_OS_WIN
QString userIniFile() {
    // Only asked for the path QSettings would use (it honours XDG_CONFIG_HOME); it reads and
    // writes nothing.
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromLatin1(SettingsStore::Application),
                     QString::fromLatin1(SettingsStore::Application))
        .fileName();
}
#endif

} // namespace

// Held while a save reads, changes and replaces the settings file. On POSIX systems it is an
// flock() on the settings folder: it takes no room on a full disk, and the kernel lets go of it
// when a process dies. On Windows a lock file beside the settings does the same.
class SaveLock {
public:
    explicit SaveLock(const QString& folder) {
#ifdef Q_OS_WIN
        m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/Kalvora.ini.lock"));
        m_lock->setStaleLockTime(10000);
        m_heldByOther = !m_lock->tryLock(WaitMs) && m_lock->error() == QLockFile::LockFailedError;
#else
        m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0)
            return;
        QDeadlineTimer deadline(WaitMs);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                m_heldByOther = errno == EWOULDBLOCK;
                return;
            }
            QThread::msleep(5);
        }
#endif
    }
    ~SaveLock() {
#ifndef Q_OS_WIN
        if (m_fd >= 0)
            ::close(m_fd); // lets go of the lock
#endif
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    bool heldByOther() const {
        return m_heldByOther;
    }

private:
    static constexpr int WaitMs = 5000;
    bool m_heldByOther = false;
#ifdef Q_OS_WIN
    std::unique_ptr<QLockFile> m_lock;
#else
    int m_fd = -1;
#endif
};

struct SettingsStore::IniRead {
    IniDocument document;
    QString problem; // why the file cannot be read; empty when it can or does not exist
};

#ifdef Q_OS_WIN
SettingsStore::SettingsStore()
    : m_registry(std::make_unique<QSettings>(
          QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Kalvora"),
          QSettings::NativeFormat)) {}
#else
SettingsStore::SettingsStore() : m_iniFile(userIniFile()) {}
#endif

SettingsStore::SettingsStore(const QString& iniFile) : m_iniFile(iniFile) {}

SettingsStore SettingsStore::forProgramIn(const QString& programFolder) {
#ifdef Q_OS_WIN
    const QString portable = QDir(programFolder).filePath(QString::fromLatin1(PortableFileName));
    // Anything under that name counts: a folder there is reported as unreadable settings,
    // rather than the registry taking over unseen.
    if (QFileInfo::exists(portable))
        return SettingsStore(portable);
#else
    Q_UNUSED(programFolder); // the store is an INI file already
#endif
    return SettingsStore();
}

SettingsStore::~SettingsStore() = default;

SettingsStore::IniRead SettingsStore::readIni() const {
    const SafeFile::ReadResult read = SafeFile::readRegular(m_iniFile, MaxIniBytes);
    if (read.status == SafeFile::ReadResult::Status::Missing)
        return {};
    if (!read.ok())
        return {IniDocument(), read.error};
    if (read.truncated)
        return {IniDocument(), QStringLiteral("it is larger than %1 MiB").arg(MaxIniBytes >> 20)};
    return {IniDocument(read.bytes), QString()};
}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
    if (m_registry) {
        const QVariant value = m_registry->value(section() + QLatin1Char('/') + key);
        return value.isValid() ? value.toString() : defaultValue;
    }
    return readIni().document.value(section(), key).value_or(defaultValue);
}

QString SettingsStore::ReadSetting(const QString& key, qint64 defaultValue) const {
    return ReadSetting(key, QString::number(defaultValue));
}

bool SettingsStore::contains(const QString& key) const {
    if (m_registry)
        return m_registry->contains(section() + QLatin1Char('/') + key);
    return readIni().document.value(section(), key).has_value();
}

QHash<QString, QString> SettingsStore::ReadSettings(const QStringList& keys) const {
    QHash<QString, QString> found;
    if (m_registry) {
        for (const QString& key : keys) {
            const QVariant value = m_registry->value(section() + QLatin1Char('/') + key);
            if (value.isValid())
                found.insert(key, value.toString());
        }
        return found;
    }
    const IniDocument document = readIni().document;
    for (const QString& key : keys)
        if (const auto value = document.value(section(), key))
            found.insert(key, *value);
    return found;
}

QString SettingsStore::readProblem() const {
    if (m_registry)
        return QString();
    const QString problem = readIni().problem;
    if (problem.isEmpty())
        return problem;
    return QCoreApplication::translate("SettingsStore",
                                       "The settings in %1 cannot be read (%2). The defaults are "
                                       "in use, and nothing will be saved over that file until "
                                       "it can be read again.")
        .arg(QDir::toNativeSeparators(location()), problem);
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
    return WriteSettings({{key, value}});
}

bool SettingsStore::WriteSettings(const QList<QPair<QString, QString>>& values) {
    QString failure;
    if (m_registry) {
        for (const auto& [key, value] : values)
            m_registry->setValue(section() + QLatin1Char('/') + key, value);
        m_registry->sync();
        if (m_registry->status() != QSettings::NoError)
            failure = QStringLiteral("the registry refused the values");
    } else {
        failure = writeIni(values);
    }
    if (failure.isEmpty()) {
        m_failureReported = false;
        // A copy: a listener may add or remove listeners.
        const auto listeners = m_listeners;
        for (const Listener& listener : listeners) {
            Written concerned;
            for (const auto& written : values)
                if (listener.keys.contains(written.first))
                    concerned << written;
            if (!concerned.isEmpty())
                listener.call(concerned);
        }
        return true;
    }
    reportFailure(failure);
    return false;
}

QString SettingsStore::writeIni(const QList<QPair<QString, QString>>& values) {
    QDir().mkpath(QFileInfo(m_iniFile).absolutePath());

    // Another instance may be saving the same file: the file is read, changed and replaced
    // under a lock, so that neither loses a key the other wrote. Where no lock can be had (a
    // folder that cannot be opened) the save goes on and fails for the real reason.
    const SaveLock lock(QFileInfo(m_iniFile).absolutePath());
    if (lock.heldByOther())
        return QStringLiteral("another Kalvora kept the settings locked for too long");
    IniRead current = readIni();
    if (!current.problem.isEmpty())
        return QStringLiteral("the file there cannot be read (%1), so it is not written over")
            .arg(current.problem);
    for (const auto& [key, value] : values)
        current.document.setValue(section(), key, value);
    return SafeFile::replace(m_iniFile, current.document.bytes()).error;
}

void SettingsStore::reportFailure(const QString& reason) {
    if (m_failureReported)
        return;
    m_failureReported = true;
    if (m_onFailure)
        m_onFailure(QCoreApplication::translate(
                        "SettingsStore",
                        "The settings could not be saved to %1: %2. What you typed stays in use "
                        "while the program runs, and the file keeps what it held before. Check "
                        "that the folder is writable and the disk is not full.")
                        .arg(QDir::toNativeSeparators(location()), reason));
}

QString SettingsStore::location() const {
    return m_registry ? m_registry->fileName() : m_iniFile;
}

int SettingsStore::addChangeListener(const QStringList& keys,
                                     std::function<void(const Written&)> listener) {
    m_listeners.append({m_nextListenerId, keys, std::move(listener)});
    return m_nextListenerId++;
}

void SettingsStore::removeChangeListener(int id) {
    m_listeners.removeIf([id](const Listener& listener) { return listener.id == id; });
}

void SettingsStore::setFailureHandler(std::function<void(const QString&)> handler) {
    m_onFailure = std::move(handler);
}

} // namespace kalvora
