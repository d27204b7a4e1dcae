#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace kalvora {

class SettingsStore;
class Station;
class StreamOutput;

// Bestand > Uitzenden: the program with windows sends what is on air as a network stream, with
// the address and options kept in the settings (stream_url, stream_options). The screens keep
// their timer-driven ticker; the stream takes the frames as they are. A server that is down or
// a link that breaks is tried again with a growing pause, while the screens go on.
class Broadcast : public QObject {
    Q_OBJECT
public:
    // `frame` gives the frame of what is on air now; `callSign` the call sign it shows.
    Broadcast(Station& station, SettingsStore& store, std::function<const QImage&()> frame,
              std::function<QString()> callSign, QObject* parent = nullptr);
    ~Broadcast() override;

    // Starts with the stored address and options; what is wrong with them when it cannot.
    QString start();
    void stop();
    bool wanted() const { return bool(m_output); }
    // The call sign on the card that is sent.
    QString callSign() const { return m_callSign(); }
    // For the operator: streaming with the frame rate and bitrate reached, or why not.
    QString statusText() const;
    // What receivers may make of the service's name, while it streams.
    QStringList warnings() const;

signals:
    void statusChanged();

private:
    Station& m_station;
    SettingsStore& m_store;
    std::function<const QImage&()> m_frame;
    std::function<QString()> m_callSign;
    std::unique_ptr<StreamOutput> m_output;
};

} // namespace kalvora
