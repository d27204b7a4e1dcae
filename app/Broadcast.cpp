#include "app/Broadcast.h"

#include "app/CommandLine.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"
#include "stream/StreamOutput.h"

namespace kalvora {

Broadcast::Broadcast(Station& station, SettingsStore& store, std::function<const QImage&()> frame,
                     std::function<QString()> callSign, QObject* parent)
    : QObject(parent), m_station(station), m_store(store), m_frame(std::move(frame)),
      m_callSign(std::move(callSign)) {}

Broadcast::~Broadcast() {
    stop();
}

QString Broadcast::start() {
    stop();
    const QHash<QString, QString> stored =
        m_store.ReadSettings({StationKeys::StreamUrl.key(), StationKeys::StreamOptions.key()});
    const CommandLine parsed = parseStreamSettings(
        stored.value(StationKeys::StreamUrl.key(), StationKeys::StreamUrl.defaultText()),
        stored.value(StationKeys::StreamOptions.key(), StationKeys::StreamOptions.defaultText()));
    if (!parsed.options)
        return parsed.mistake;
    const QString callSign = m_callSign();
    if (const QString problem = parsed.options->stream.serviceProblem(callSign); !problem.isEmpty())
        return problem;
    m_output = std::make_unique<StreamOutput>(parsed.options->stream, callSign, m_station.clock(),
                                              m_frame);
    connect(m_output.get(), &StreamOutput::stateChanged, this, &Broadcast::statusChanged);
    m_output->start();
    emit statusChanged();
    return QString();
}

void Broadcast::stop() {
    if (!m_output)
        return;
    m_output->stop();
    m_output.reset();
    emit statusChanged();
}

QString Broadcast::statusText() const {
    return m_output ? m_output->statusText() : tr("not streaming");
}

QStringList Broadcast::warnings() const {
    return m_output ? m_output->warnings() : QStringList();
}

} // namespace kalvora
