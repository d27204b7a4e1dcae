#pragma once

#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <optional>

class QWidget;

namespace kalvora::test {

// What a window shows, as it paints itself, in plain 32-bit pixels.
QImage grabbed(QWidget& window);

// A platform for one test: a store and a program folder in a fresh temporary folder, a clock
// the test sets, a fixed font list, and recorders for colour choices, web launches and warnings.
struct TestPlatform {
    // With these settings already stored, as an earlier run would have left them.
    explicit TestPlatform(std::initializer_list<std::pair<const char*, const char*>> settings = {});

    QString iniPath() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString tickerPath() const { return dir.filePath(QStringLiteral("TickerTape.txt")); }
    void writeTickerFile(const QByteArray& bytes) const;
    QByteArray tickerFileBytes() const;
    // A fresh store object on the same file, to see what is really there.
    QString storedValue(const QString& key) const;
    bool storeHas(const QString& key) const;

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    QDateTime clock;
    // The screens the program sees: Qt's (the offscreen configuration) unless a test sets them.
    std::optional<QList<ScreenInfo>> screens;
    QStringList fonts{QStringLiteral("Alpha Sans"), QStringLiteral("Beta Serif"),
                      QStringLiteral("Gamma Mono"), QStringLiteral("Delta Script")};
    // Answers of the colour chooser, in order; nothing left means "cancelled".
    QList<std::optional<QColor>> colourAnswers;
    QList<QColor> colourInitials;
    QList<QUrl> openedUrls;
    bool launcherWorks = true;
    QStringList warnings;
    Platform platform;
};

} // namespace kalvora::test

namespace kalvora::test {

// A small file system of its own (tmpfs) mounted over a folder, to see what a full disk does to
// a save. Mounting needs root, which CI has; elsewhere the tests that need one skip.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder, int kibibytes = 256);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    // Fills the disk until no more than `freeBytes` are left (whole 4 KiB pages).
    void fill(qint64 freeBytes = 0);
    qint64 freeBytes() const;

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace kalvora::test

#define KALVORA_REQUIRE_SMALL_DISK(disk)                                                           \
    do {                                                                                           \
        if (!(disk).mounted())                                                                     \
            QSKIP("a small tmpfs cannot be mounted here (needs root)");                            \
    } while (false)
