#pragma once

#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <optional>

namespace kalvora::test {

// A platform for one test: a store and a program folder in a fresh temporary folder, a clock
// the test sets, a fixed font list, and recorders for colour choices, web launches and warnings.
struct TestPlatform {
    TestPlatform();

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
