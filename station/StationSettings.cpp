#include "station/StationSettings.h"

#include "settings/SettingsStore.h"

namespace kalvora {

QStringList StationKeys::names() {
    return keyNames(All);
}

StationSettings StationSettings::fromStored(const QHash<QString, QString>& stored) {
    StationSettings s;
    for (int i = 0; i < TextCount; ++i)
        s.texts[size_t(i)] = StationKeys::Texts[size_t(i)]->storedText(stored);
    s.outputScreen = StationKeys::OutputScreen.storedText(stored);
    s.outputScale = outputScaleFrom(StationKeys::OutputScale.storedText(stored));
    return s;
}

StationSettings readStationSettings(const SettingsStore& store) {
    return StationSettings::fromStored(store.ReadSettings(StationKeys::names()));
}

} // namespace kalvora
