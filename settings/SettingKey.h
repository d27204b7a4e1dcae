#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace kalvora {

// One stored setting: its key, the value in use while it is absent, what the settings dialog
// shows while it is absent, and which values are accepted. Each subsystem lists its keys in one
// table of these (the ticker's in ticker/TickerSettings.h, the station's in
// station/StationSettings.h); reading, the dialogs and the tests all go by those tables.
struct SettingKey {
    enum class Kind {
        Text,        // free text
        CheckBox,    // "1" ticked, "0" not
        WholeNumber, // a number, rounded half to even, from `low` to `high`
        Number,      // a number from `low` to `high`
        Size,        // a number above `low`, up to `high`
        Colour,      // a 0x00BBGGRR value as decimal text
    };

    const char* name;         // the settings key; also the name of the control that edits it
    const char* defaultValue; // what the program uses while the key is absent
    // What the dialog shows while the key is absent, where that differs from `defaultValue`.
    const char* dialogDefault = nullptr;
    bool inDialog = false; // shown, and written on "Save"
    Kind kind = Kind::Text;
    double low = 0;
    double high = 0;
    const char* label = nullptr; // how the dialog names the field
    const char* unit = nullptr;

    QString key() const { return QString::fromLatin1(name); }
    QString defaultText() const { return QString::fromLatin1(defaultValue); }
    // Its text in `stored` (texts by key, as SettingsStore::ReadSettings gives them), or the
    // default where it is absent.
    QString storedText(const QHash<QString, QString>& stored) const {
        return stored.value(key(), defaultText());
    }
    QString dialogDefaultText() const {
        return QString::fromLatin1(dialogDefault ? dialogDefault : defaultValue);
    }
    // Why `text` cannot be stored under this key, or empty when it can.
    QString problemWith(const QString& text) const;
};

// The keys of a settings table (a list of SettingKey pointers), by name.
template <typename Table> QStringList keyNames(const Table& table) {
    QStringList keys;
    for (const SettingKey* key : table)
        keys << key->key();
    return keys;
}

} // namespace kalvora
