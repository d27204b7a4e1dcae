#include "station/StationSettings.h"

#include "settings/SettingsStore.h"

namespace kalvora {

QStringList StationKeys::names() {
    QStringList keys;
    for (const SettingKey* key : All)
        keys << key->key();
    return keys;
}

StationSettings StationSettings::fromStored(const QHash<QString, QString>& stored) {
    const auto text = [&stored](const SettingKey& key) {
        return stored.value(key.key(), key.defaultText());
    };
    StationSettings s;
    for (int i = 0; i < TextCount; ++i)
        s.texts[size_t(i)] = text(*StationKeys::Texts[size_t(i)]);
    s.outputScreen = text(StationKeys::OutputScreen);
    s.outputScale = outputScaleFrom(text(StationKeys::OutputScale));
    return s;
}

StationSettings readStationSettings(const SettingsStore& store) {
    return StationSettings::fromStored(store.ReadSettings(StationKeys::names()));
}

} // namespace kalvora
