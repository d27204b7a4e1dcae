#include "stream/StoredStream.h"

#include "settings/SettingsStore.h"

namespace kalvora {

QStringList StreamKeys::names() {
    return keyNames(All);
}

StoredStream StoredStream::fromStored(const QHash<QString, QString>& stored) {
    return {StreamKeys::Url.storedText(stored), StreamKeys::Options.storedText(stored),
            StreamKeys::Destination.storedText(stored)};
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
