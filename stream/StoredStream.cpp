#include "stream/StoredStream.h"

#include "settings/SettingsStore.h"

namespace kalvora {

QStringList StreamKeys::names() {
    QStringList keys;
    for (const SettingKey* key : All)
        keys << key->key();
    return keys;
}

StoredStream StoredStream::fromStored(const QHash<QString, QString>& stored) {
    const auto text = [&stored](const SettingKey& key) {
        return stored.value(key.key(), key.defaultText());
    };
    return {text(StreamKeys::Url), text(StreamKeys::Options), text(StreamKeys::Destination)};
}

StoredStream StoredStream::readFrom(const SettingsStore& store) {
    return fromStored(store.ReadSettings(StreamKeys::names()));
}

bool StoredStream::storeIn(SettingsStore& store) const {
    return store.WriteSettings({{StreamKeys::Url.key(), url},
                                {StreamKeys::Options.key(), options},
                                {StreamKeys::Destination.key(), destination}});
}

} // namespace kalvora
