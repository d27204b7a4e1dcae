#include "app/Broadcast.h"

#include "app/CommandLine.h"
#include "app/StationStream.h"
#include "pattern/OnAirFrames.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"
#include "stream/StoredStream.h"
#include "stream/StreamOutput.h"

namespace kalvora {

Broadcast::Broadcast(Station& station, SettingsStore& store, QObject* parent)
    : QObject(parent), m_station(station), m_store(store) {}

Broadcast::~Broadcast() {
    stop();
}

QString Broadcast::start() {
    stop();
    const StoredStream stored = StoredStream::readFrom(m_store);
    const CommandLine parsed = parseStreamSettings(stored.url, stored.options);
    if (!parsed.options)
        return parsed.mistake;
    if (const QString problem = parsed.options->stream.serviceProblem(callSign());
        !problem.isEmpty())
        return problem;
    m_frames = std::make_unique<OnAirFrames>(m_station, parsed.options->stream.fps, QString(),
                                             parsed.options->canvas);
    m_output = std::make_unique<StreamOutput>(parsed.options->stream, *m_frames, m_station.clock());
    connect(m_output.get(), &StreamOutput::stateChanged, this, &Broadcast::statusChanged);
    followStation(*m_output, m_station);
    emit statusChanged();
    return QString();
}

void Broadcast::stop() {
    if (!m_output)
        return;
    m_output->stop();
    m_output.reset();
    m_frames.reset();
    emit statusChanged();
}

QString Broadcast::callSign() const {
    return m_station.callSign(m_station.streamedCard());
}

QString Broadcast::statusText() const {
    if (m_output && m_station.inStandby())
        return m_station.standbyText() + tr(": nothing is sent");
    return m_output ? m_output->statusText() : tr("not streaming");
}

QStringList Broadcast::warnings() const {
    return m_output ? m_output->warnings() : QStringList();
}

} // namespace kalvora
