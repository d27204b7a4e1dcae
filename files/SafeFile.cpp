#include "files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kalvora::SafeFile {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

#ifdef Q_OS_WIN
int openNew(const QString& path) {
    return ::_wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int closeFile(int fd) {
    return ::_close(fd);
}
// Empty when the file was renamed, otherwise why not.
QString renameOver(const QString& from, const QString& to) {
    if (::MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
                      reinterpret_cast<const wchar_t*>(to.utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return QString();
    return qt_error_string(int(::GetLastError()));
}
#else
int openNew(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  0666);
}
int closeFile(int fd) {
    return ::close(fd);
}
// Empty when the file was renamed, otherwise why not.
QString renameOver(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return QString();
    return systemError(errno);
}
// The rename itself is only durable once the folder is synced. A file system that cannot sync
// a folder still has the new file in place, so this is best effort.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

// The name of a save's temporary file: ".NAME.XXXXXXXX.tmp" beside the target, with eight
// lower-case hexadecimal digits.
QString temporaryName(const QString& targetName, quint32 number) {
    return QStringLiteral(".") + targetName +
           QStringLiteral(".%1.tmp").arg(number, 8, 16, QLatin1Char('0'));
}

// A new, empty file beside `target` that nobody else has: the name is taken with O_EXCL.
int createTemporary(const QString& target, QString* temporaryPath) {
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = info.absolutePath() + QLatin1Char('/') +
                         temporaryName(info.fileName(), QRandomGenerator::global()->generate());
        const int fd = openNew(*temporaryPath);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The target's permissions for the new file, or what a newly created file would get. What the
// operator set is kept, but the owner can always read what was saved (a file at mode 000 would
// otherwise stay unreadable, and the text saved into it unused). The mode is taken from the
// file itself: Qt's permission flags mix in what the current user may do (root may write a
// 0444 file) and would widen it.
void takePermissions(const QString& target, const QString& temporary) {
#ifdef Q_OS_WIN
    if (QFileInfo::exists(target))
        QFile::setPermissions(temporary, QFile::permissions(target) | QFile::ReadOwner |
                                             QFile::WriteOwner);
#else
    struct stat status {};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(target).constData(), &status) == 0) {
        mode = status.st_mode & 07777;
        if (!(mode & S_IRUSR))
            mode |= S_IRUSR | S_IWUSR;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(QFile::encodeName(temporary).constData(), mode);
#endif
}

Result writeAll(int fd, const QByteArray& bytes, const Io& io) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = io.write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Result::failure(systemError(errno));
        if (n == 0)
            return Result::failure(QStringLiteral("the file system accepted no more bytes"));
        done += n;
    }
    if (io.sync(fd) != 0)
        return Result::failure(systemError(errno));
    return Result::success();
}

} // namespace

Io systemIo() {
    Io io;
#ifdef Q_OS_WIN
    io.write = [](int fd, const char* data, qint64 size) -> qint64 {
        return ::_write(fd, data, unsigned(std::min<qint64>(size, 1 << 30)));
    };
    io.sync = [](int fd) { return ::_commit(fd); };
#else
    io.write = [](int fd, const char* data, qint64 size) -> qint64 {
        return ::write(fd, data, size_t(size));
    };
    io.sync = [](int fd) { return ::fsync(fd); };
#endif
    return io;
}

Result replace(const QString& path, const QByteArray& bytes, const Io& io) {
    QFileInfo info(path);
    // Saving through a link updates the file it points to, as an editor does.
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    info = QFileInfo(target);
    if (info.exists() && !info.isFile())
        return Result::failure(QStringLiteral("it is not a regular file"));

    QString temporary;
    const int fd = createTemporary(target, &temporary);
    if (fd < 0)
        return Result::failure(systemError(errno));
    Result written = writeAll(fd, bytes, io);
    if (closeFile(fd) != 0 && written.ok)
        written = Result::failure(systemError(errno));
    if (written.ok) {
        // What is on the disk now, not what the calls said they did.
        QFile check(temporary);
        if (!check.open(QIODevice::ReadOnly) || check.readAll() != bytes)
            written = Result::failure(
                QStringLiteral("what reached the disk differs from what was written"));
    }
    if (written.ok) {
        takePermissions(target, temporary);
        if (const QString refused = renameOver(temporary, target); !refused.isEmpty())
            written = Result::failure(refused);
    }
    if (!written.ok) {
        QFile::remove(temporary);
        return written;
    }
#ifndef Q_OS_WIN
    syncFolder(info.absolutePath());
#endif
    return written;
}

int removeStaleTemporaries(const QString& target, int minimumAgeSeconds) {
    const QFileInfo info(target);
    const QRegularExpression ours(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(temporaryName(info.fileName(), 0)).replace(
            QStringLiteral("00000000"), QStringLiteral("[0-9a-f]{8}"))));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minimumAgeSeconds);
    int removed = 0;
    const QDir folder = info.absoluteDir();
    for (const QFileInfo& entry :
         folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::System)) {
        if (ours.match(entry.fileName()).hasMatch() && entry.lastModified().toUTC() < before &&
            QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

ReadResult readRegular(const QString& path, qint64 maxBytes) {
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        if (info.isSymLink()) {
            result.status = ReadResult::Status::Unreadable;
            result.error = QStringLiteral("it is a link that points nowhere");
        }
        return result;
    }
    // Looked at before opening: opening a named pipe for reading waits for a writer.
    if (!info.isFile()) {
        result.status = ReadResult::Status::NotARegularFile;
        result.error = info.isDir() ? QStringLiteral("it is a folder, not a file")
                                    : QStringLiteral("it is not a regular file");
        return result;
    }
    QFile file;
#ifdef Q_OS_WIN
    file.setFileName(path);
    const bool opened = file.open(QIODevice::ReadOnly);
#else
    // Non-blocking and checked again once open, in case the name was swapped meanwhile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        result.status = ReadResult::Status::NotARegularFile;
        result.error = QStringLiteral("it is not a regular file");
        return result;
    }
    if (fd < 0)
        result.error = systemError(errno);
    const bool opened = fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#endif
    if (!opened) {
        result.status = ReadResult::Status::Unreadable;
        if (result.error.isEmpty())
            result.error = file.errorString();
        return result;
    }
    while (result.bytes.size() < maxBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(64 * 1024, maxBytes - result.bytes.size()));
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError) {
                result.status = ReadResult::Status::Unreadable;
                result.error = file.errorString();
                return result;
            }
            break;
        }
        result.bytes += chunk;
    }
    result.status = ReadResult::Status::Ok;
    char probe = 0;
    result.truncated = result.bytes.size() >= maxBytes && file.read(&probe, 1) == 1;
    return result;
}

} // namespace kalvora::SafeFile
