#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSettings;

namespace kalvora {

// The program's one persistent store of named string values, per user.
//
// Every value is text. On Windows it lives in the registry key where earlier versions of the
// program kept it ("VB and VBA Program Settings"), so their values come back; elsewhere in a
// per-user INI file. A write is on disk when WriteSetting returns, and a
// write that fails leaves the file exactly as it was: the INI file is replaced whole, through
// SafeFile, never rewritten in place.
class SettingsStore {
public:
    static constexpr auto Application = "Kalvora";
    static constexpr auto Section = "settings";

    // The user's real store.
    SettingsStore();
    // The store of the program in `programFolder`: portable, a Kalvora.ini beside the program
    // (on Windows, where the store is otherwise the registry: a station on a USB stick), when
    // there is one; otherwise the user's real store.
    static SettingsStore forProgramIn(const QString& programFolder);
    static constexpr auto PortableFileName = "Kalvora.ini";
    // A store kept in the given INI file (tests, and the user's store off Windows).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    SettingsStore(SettingsStore&&) = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the default as text when the key is absent (or the store cannot be
    // read). Never creates a key. Every read looks at the store afresh, so a change made from
    // outside is seen.
    QString ReadSetting(const QString& key, const QString& defaultValue) const;
    QString ReadSetting(const QString& key, qint64 defaultValue) const;
    bool contains(const QString& key) const;
    // The stored texts of `keys` (absent keys left out), read in one go: one parse of the file
    // however many keys are asked for.
    QHash<QString, QString> ReadSettings(const QStringList& keys) const;

    // Stores the text. Returns false when it could not be stored; the failure is also reported
    // through the failure handler (once, until a write succeeds again).
    bool WriteSetting(const QString& key, const QString& value);
    // Stores several values at once: all of them, or none.
    bool WriteSettings(const QList<QPair<QString, QString>>& values);

    // Why the store cannot be read, or empty when it can (or simply does not exist yet). An
    // unreadable store is never written over: what it holds may still be recovered.
    QString readProblem() const;

    // Where the values live, for messages and the README.
    QString location() const;
    // The INI file that holds them; empty for the registry.
    QString iniFile() const { return m_iniFile; }

    // Called with a message for the operator when a write cannot be stored.
    void setFailureHandler(std::function<void(const QString&)> handler);

    // What was just stored of `keys` (a settings table's), key and text, once per successful
    // write that stored any of them: a listener learns of a change without reading the store
    // again, and only of the keys it follows.
    using Written = QList<QPair<QString, QString>>;
    int addChangeListener(const QStringList& keys, std::function<void(const Written&)> listener);
    void removeChangeListener(int id);

private:
    struct IniRead;
    IniRead readIni() const;
    QString writeIni(const QList<QPair<QString, QString>>& values);
    void reportFailure(const QString& reason);

    QString m_iniFile;                     // the INI store; empty for the registry
    std::unique_ptr<QSettings> m_registry; // Windows only
    std::function<void(const QString&)> m_onFailure;
    bool m_failureReported = false;
    struct Listener {
        int id;
        QStringList keys;
        std::function<void(const Written&)> call;
    };
    QList<Listener> m_listeners;
    int m_nextListenerId = 1;
};

} // namespace kalvora
