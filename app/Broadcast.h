#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace kalvora {

class OnAirFrames;
class SettingsStore;
class Station;
class StreamOutput;

// Bestand > Uitzenden: the program with windows sends what is on air as a network stream, with
// the address and options kept in the settings (stream_url, stream_options). It takes its
// frames from the one frame path, as the headless stream does: the card the station streams,
// followed from one frame to the next when the operator switches, with a ticker that moves the
// same whole pixels on every frame (the screens keep their timer-driven one). A server that is
// down or a link that breaks is tried again with a growing pause, while the screens go on.
class Broadcast : public QObject {
    Q_OBJECT
public:
    Broadcast(Station& station, SettingsStore& store, QObject* parent = nullptr);
    ~Broadcast() override;

    // Starts with the stored address and options; what is wrong with them when it cannot.
    QString start();
    void stop();
    bool wanted() const { return bool(m_output); }
    // The call sign on the card that is sent.
    QString callSign() const;
    // The stream while it is wanted; none otherwise.
    const StreamOutput* output() const { return m_output.get(); }
    // For the operator: streaming with the frame rate and bitrate reached, or why not.
    QString statusText() const;
    // What receivers may make of the service's name, while it streams.
    QStringList warnings() const;

signals:
    void statusChanged();

private:
    Station& m_station;
    SettingsStore& m_store;
    std::unique_ptr<OnAirFrames> m_frames;
    std::unique_ptr<StreamOutput> m_output;
};

} // namespace kalvora
