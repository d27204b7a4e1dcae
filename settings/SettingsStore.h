#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>

namespace kalvora {

// The program's one persistent store of named string values, per user.
//
// Every value is text. On Windows it lives in the registry key that the classic runtime's
// per-application settings functions use, so values written by an earlier installation come
// back; elsewhere in a per-user INI file. Every write is flushed before WriteSetting returns.
class SettingsStore {
public:
    static constexpr auto Application = "Kalvora";
    static constexpr auto Section = "settings";

    // The user's real store.
    SettingsStore();
    // A store kept in the given INI file (tests, and `--settings` style overrides).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the default as text when the key is absent. Never creates a key.
    QString ReadSetting(const QString& key, const QString& defaultValue) const;
    QString ReadSetting(const QString& key, qint64 defaultValue) const;
    bool contains(const QString& key) const;

    // Stores the text and flushes it. Returns false when it could not be stored; the first
    // such failure is also reported through the failure handler.
    bool WriteSetting(const QString& key, const QString& value);

    // Where the values live, for messages and the README.
    QString location() const;

    // Called once, on the first write that cannot be stored, with a message for the operator.
    void setFailureHandler(std::function<void(const QString&)> handler);

private:
    QString rawIniValue(const QString& key) const;

    std::unique_ptr<QSettings> m_settings;
    std::function<void(const QString&)> m_onFailure;
    bool m_failureReported = false;
};

} // namespace kalvora
