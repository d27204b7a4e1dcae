#include "TestSupport.h"

#include "platform/LoadedWindow.h"

#include <QFile>
#include <QSettings>

namespace kalvora::test {

TestPlatform::TestPlatform()
    : store(std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini")))),
      clock(QDate(2026, 12, 8), QTime(20, 15, 30)) {
    installFontSubstitutes(); // as main() does

    platform.store = store.get();
    platform.programFolder = dir.path();
    platform.now = [this] { return clock; };
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
