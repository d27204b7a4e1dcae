#include "TestSupport.h"
#include "files/SafeFile.h"
#include "settings/SettingsStore.h"
#include "ticker/TickerFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cerrno>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace kalvora;
using namespace kalvora::test;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A disk that takes `room` bytes, then fails as the kernel does: a short write, then ENOSPC.
SafeFile::Io diskWithRoom(qint64 room, qint64 chunk = 1 << 30) {
    SafeFile::Io io = SafeFile::systemIo();
    auto left = std::make_shared<qint64>(room);
    const auto realWrite = io.write;
    io.write = [left, chunk, realWrite](int fd, const char* data, qint64 size) -> qint64 {
        if (*left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 n = realWrite(fd, data, std::min({size, *left, chunk}));
        if (n > 0)
            *left -= n;
        return n;
    };
    return io;
}

QStringList leftovers(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void save_failingAtEveryByteOffset_leavesOldOrNew();
    void save_failingSync_leavesOld_andShortWritesStillSave();
    void save_throughLink_updatesTheFileItPointsTo();
    void fullDisk_saves_leaveTheOldFilesByteForByte_data();
    void fullDisk_saves_leaveTheOldFilesByteForByte();
    void oddFiles_areRefusedWithoutBlocking_data();
    void oddFiles_areRefusedWithoutBlocking();
    void save_keepsTheModeSet_butTheOwnerCanAlwaysRead_data();
    void save_keepsTheModeSet_butTheOwnerCanAlwaysRead();
    void start_removesOnlyStaleTemporariesOfItsOwnFiles();
};

void FilesTest::save_failingAtEveryByteOffset_leavesOldOrNew() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TickerTape.txt"));
    const QByteArray old = QByteArray("old text, CQ ATV\r\n").repeated(20);
    const QByteArray fresh = QByteArray("new text de PA3XYZ 1255 MHz\r\n").repeated(40);
    put(path, old);
    for (qint64 room = 0; room <= fresh.size(); ++room) {
        const SafeFile::Result result = SafeFile::replace(path, fresh, diskWithRoom(room));
        const bool complete = room == fresh.size();
        QCOMPARE(result.ok, complete);
        QCOMPARE(bytesOf(path), complete ? fresh : old);
        if (!complete)
            QVERIFY2(result.error.contains(QStringLiteral("space")), qPrintable(result.error));
        QCOMPARE(leftovers(dir), QStringList{QStringLiteral("TickerTape.txt")});
        if (complete)
            put(path, old);
    }
}

void FilesTest::save_failingSync_leavesOld_andShortWritesStillSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    put(path, "[settings]\nText1=QQ0ABC\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    SafeFile::Io failingSync = SafeFile::systemIo();
    failingSync.sync = [](int) {
        errno = EIO;
        return -1;
    };
    QVERIFY(!SafeFile::replace(path, "[settings]\nText1=PA3XYZ\n", failingSync).ok);
    QCOMPARE(bytesOf(path), QByteArray("[settings]\nText1=PA3XYZ\n").replace("PA3XYZ", "QQ0ABC"));

    // A disk that takes seven bytes a call is slow, not full.
    const QByteArray fresh = QByteArray("[settings]\nText1=PA3XYZ\n").repeated(30);
    QVERIFY(SafeFile::replace(path, fresh, diskWithRoom(fresh.size(), 7)).ok);
    QCOMPARE(bytesOf(path), fresh);
#ifndef Q_OS_WIN // no such permissions there
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadOwner),
             QFile::ReadOwner);
#endif
    QCOMPARE(leftovers(dir), QStringList{QStringLiteral("Kalvora.ini")});
}

void FilesTest::save_throughLink_updatesTheFileItPointsTo() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("shared-ticker.txt"));
    const QString link = dir.filePath(QStringLiteral("TickerTape.txt"));
    put(target, "old");
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut on Windows, not a link");
#endif
    if (!QFile::link(target, link))
        QSKIP("this file system has no symbolic links");
    QVERIFY(TickerFile::write(link, QStringLiteral("new")).ok);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(bytesOf(target), QByteArray("new"));
}

// The cases that cost stations their files: a save onto a disk with no room, or with one page.
void FilesTest::fullDisk_saves_leaveTheOldFilesByteForByte_data() {
    QTest::addColumn<qint64>("freeBytes");
    QTest::newRow("100 % full") << qint64(0);
    QTest::newRow("one page free") << qint64(4096);
}

void FilesTest::fullDisk_saves_leaveTheOldFilesByteForByte() {
    QFETCH(qint64, freeBytes);
    QTemporaryDir dir;
    SmallDisk disk(dir.path());
    KALVORA_REQUIRE_SMALL_DISK(disk);
    const QString ticker = dir.filePath(QStringLiteral("TickerTape.txt"));
    const QString ini = dir.filePath(QStringLiteral("Kalvora.ini"));
    const QByteArray oldText = QByteArray("CQ CQ de QQ0ABC, ATV on 1255 MHz. ").repeated(280);
    QCOMPARE(oldText.size(), 9520);
    put(ticker, oldText);
    SettingsStore store(ini);
    QVERIFY(store.WriteSetting(QStringLiteral("Text1"), QStringLiteral("QQ0ABC")));
    QVERIFY(store.WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("1")));
    const QByteArray oldIni = bytesOf(ini);
    disk.fill(freeBytes);
    QVERIFY(disk.freeBytes() <= freeBytes);

    const TickerFile::WriteResult text =
        TickerFile::write(ticker, QString::fromLatin1(oldText).replace(QLatin1String("ATV"),
                                                                     QLatin1String("DATV")));
    QVERIFY(!text.ok);
    QVERIFY2(text.error.contains(QStringLiteral("No space left")), qPrintable(text.error));
    QCOMPARE(bytesOf(ticker), oldText);

    QStringList warnings;
    store.setFailureHandler([&](const QString& message) { warnings << message; });
    // One keystroke fits in a page, but the new file is made beside the old one: on a
    // 4 KiB-page disk with no page free at all the settings cannot be saved.
    const bool stored = store.WriteSetting(QStringLiteral("Text1"), QStringLiteral("QQ0ABCD"));
    QCOMPARE(stored, freeBytes > 0);
    QCOMPARE(warnings.size(), stored ? 0 : 1);
    if (!stored)
        QCOMPARE(bytesOf(ini), oldIni);
    QCOMPARE(store.ReadSetting(QStringLiteral("Text1"), QString()),
             stored ? QStringLiteral("QQ0ABCD") : QStringLiteral("QQ0ABC"));
    QCOMPARE(store.ReadSetting(QStringLiteral("tt_enabled"), QString()), QStringLiteral("1"));
}

void FilesTest::oddFiles_areRefusedWithoutBlocking_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << QStringLiteral("pipe");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("device") << QStringLiteral("device");
}

void FilesTest::oddFiles_areRefusedWithoutBlocking() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("TickerTape.txt"));
    if (kind == QLatin1String("pipe") &&
        QProcess::execute(QStringLiteral("mkfifo"), {path}) != 0)
        QSKIP("mkfifo is not available");
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    if (kind == QLatin1String("device")) {
#ifdef Q_OS_WIN
        QSKIP("no /dev/zero here");
#endif
        path = QStringLiteral("/dev/zero"); // endless: a reader that trusts it never finishes
    }
    QElapsedTimer clock;
    clock.start();
    const TickerFile::Loaded loaded = TickerFile::load(path);
    QVERIFY(loaded.text.isEmpty());
    QVERIFY(!loaded.error.isEmpty());
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(loaded.notAFile);
    // What the dialog says of it must hold: a save cannot replace it either.
    if (kind != QLatin1String("device"))
        QVERIFY(!TickerFile::write(path, QStringLiteral("text")).ok);
}

void FilesTest::save_keepsTheModeSet_butTheOwnerCanAlwaysRead_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("read-only stays read-only") << 0444 << 0444;
    QTest::newRow("private stays private") << 0600 << 0600;
    QTest::newRow("group may read") << 0640 << 0640;
    QTest::newRow("nobody may read") << 0000 << 0600;
    QTest::newRow("only the owner may write") << 0200 << 0600;
}

void FilesTest::save_keepsTheModeSet_butTheOwnerCanAlwaysRead() {
#ifdef Q_OS_WIN
    QSKIP("POSIX modes");
#else
    QFETCH(int, before);
    QFETCH(int, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TickerTape.txt"));
    put(path, "old");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(before)), 0);
    QVERIFY(TickerFile::write(path, QStringLiteral("new")).ok);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(int(status.st_mode & 07777), after);
#endif
}

void FilesTest::start_removesOnlyStaleTemporariesOfItsOwnFiles() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Kalvora.ini"));
    const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-120);
    const QStringList stale = {QStringLiteral(".Kalvora.ini.0a1b2c3d.tmp")};
    const QStringList kept = {
        QStringLiteral("Kalvora.ini"),
        QStringLiteral(".Kalvora.ini.0a1b2c3e.tmp"), // fresh: a save under way elsewhere
        QStringLiteral(".Kalvora.ini.0a1b2c3.tmp"),
        QStringLiteral(".KalvoraXini.0a1b2c3d.tmp"), QStringLiteral(".Kalvora.ini.0a1b2c3d.tmp~"),
        QStringLiteral("notes.txt")};
    for (const QString& name : stale + kept) {
        put(dir.filePath(name), "x");
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (name != kept[1])
            QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    QCOMPARE(SafeFile::removeStaleTemporaries(ini), 1);
    QStringList left = leftovers(dir), expected = kept;
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

QTEST_GUILESS_MAIN(FilesTest)
#include "files_test.moc"
