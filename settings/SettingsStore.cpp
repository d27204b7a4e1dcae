#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace kalvora {

namespace {

std::unique_ptr<QSettings> openUserStore() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Kalvora"),
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QString::fromLatin1(SettingsStore::Application),
                                       QString::fromLatin1(SettingsStore::Application));
#endif
}

QString keyPath(const QString& key) {
    return QString::fromLatin1(SettingsStore::Section) + QLatin1Char('/') + key;
}

} // namespace

SettingsStore::SettingsStore() : m_settings(openUserStore()) {}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
    const QVariant value = m_settings->value(keyPath(key));
    if (!value.isValid())
        return defaultValue;
    // A value typed into the INI file by hand with an unquoted comma is parsed by QSettings
    // as a list; the operator meant the line as it stands.
    if (value.typeId() == QMetaType::QStringList)
        return rawIniValue(key);
    return value.toString();
}

QString SettingsStore::ReadSetting(const QString& key, qint64 defaultValue) const {
    return ReadSetting(key, QString::number(defaultValue));
}

bool SettingsStore::contains(const QString& key) const {
    return m_settings->contains(keyPath(key));
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
    m_settings->setValue(keyPath(key), value);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    if (!m_failureReported) {
        m_failureReported = true;
        if (m_onFailure)
            m_onFailure(QStringLiteral("The settings could not be saved to %1. "
                                       "Changes are kept while the program runs, but will be "
                                       "lost when it ends. Check that the folder is writable "
                                       "and the disk is not full.")
                            .arg(location()));
    }
    return false;
}

QString SettingsStore::location() const {
    return m_settings->fileName();
}

void SettingsStore::setFailureHandler(std::function<void(const QString&)> handler) {
    m_onFailure = std::move(handler);
}

QString SettingsStore::rawIniValue(const QString& key) const {
    QFile file(m_settings->fileName());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    const QString wantedSection = QLatin1Char('[') + QLatin1String(Section) + QLatin1Char(']');
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.compare(wantedSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

} // namespace kalvora
