#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace kalvora {

// Files the operator cannot afford to lose, and files that must never hang the program.
//
// A save replaces the old file whole or leaves it untouched, and says which. The bytes go to a
// temporary file beside the target; every write, the sync to disk and the close are checked,
// and what reached the file is read back and compared before it is renamed over the target.
// Libraries' own word is not enough here: Qt 6.4's QSaveFile reports success after a buffered
// write failed on a full disk, and then renames the short file over the good one.
namespace SafeFile {

struct Result {
    bool ok = false;
    QString error; // why not, for a message that names the file

    static Result success() { return {true, QString()}; }
    static Result failure(QString why) { return {false, std::move(why)}; }
};

// The system calls a save goes through. Tests replace them to fail the way the kernel does (a
// short write, then ENOSPC; a failing fsync) at any point of a save.
struct Io {
    // As write(2): the number of bytes written, or -1 with errno set.
    std::function<qint64(int fd, const char* data, qint64 size)> write;
    // As fsync(2): 0, or -1 with errno set.
    std::function<int(int fd)> sync;
};
Io systemIo();

// Replaces the file at `path` (or, for a symbolic link, the file it points to) with exactly
// `bytes`. The new file keeps the old one's permissions.
Result replace(const QString& path, const QByteArray& bytes, const Io& io = systemIo());

// Removes what an interrupted save of `target` left beside it: temporaries of exactly the name a
// save gives them, and only those older than `minimumAgeSeconds`, so that a save under way in
// another instance keeps its own. Returns how many were removed.
int removeStaleTemporaries(const QString& target, int minimumAgeSeconds = 60);

struct ReadResult {
    enum class Status { Ok, Missing, NotARegularFile, Unreadable };
    Status status = Status::Missing;
    QByteArray bytes;         // up to maxBytes; on a failure part-way, what was read before it
    bool truncated = false;   // the file holds more than maxBytes
    QString error;            // why not, for Unreadable and NotARegularFile

    bool ok() const { return status == Status::Ok; }
};

// Reads a regular file, never blocking: a named pipe, device, socket or folder under that name
// is refused without being opened for reading.
ReadResult readRegular(const QString& path, qint64 maxBytes);

} // namespace SafeFile

} // namespace kalvora
