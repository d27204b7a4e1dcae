#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

struct mosquitto;
struct mosquitto_message;

namespace kalvora {

class StationRemote;

// Where and how to reach an MQTT broker (--mqtt mqtt://HOST:PORT, --mqtt-user,
// --mqtt-password, --mqtt-ca for TLS).
struct MqttSettings {
    QString host;
    int port = 1883;
    QString user;
    QString password;
    QString caFile; // set: TLS, the broker's certificate checked against it

    // "mqtt://host:port" (or mqtts://, port 8883 by default); nothing, and why, otherwise.
    static std::optional<MqttSettings> parse(const QString& url, QString* problem);
};

// The station on an MQTT broker, through libmosquitto: its state, retained, as JSON on
// kalvora/<CALL>/status (the web page's /api/status), "offline" there as the last will; commands
// on kalvora/<CALL>/set/<what> (Text1-Text5, card, ticker on/off, stream start/stop, ident),
// each checked as the web page's are. A broker that is down is tried again with a growing
// pause; the picture never waits for it: the network runs on libmosquitto's own thread and
// what it hears is handled on this one.
class MqttLink : public QObject {
    Q_OBJECT
public:
    // `callSign` names the topics (what MQTT cannot carry in a topic level replaced by "_").
    MqttLink(StationRemote& remote, MqttSettings settings, const QString& callSign,
             std::function<void(const QString&)> log, QObject* parent = nullptr);
    ~MqttLink() override;

    // Starts connecting. Returns why it cannot (a CA file that cannot be read), or empty.
    QString start();
    QString topic(const QString& leaf) const;
    bool connected() const { return m_connected; }

private:
    // On this thread.
    void onConnected(int code);
    void onDisconnected(int code);
    void onMessage(const QString& topic, const QByteArray& payload);
    void publishStatus(bool evenIfSame);
    // libmosquitto's callbacks, on its thread.
    static void connectCallback(mosquitto*, void* self, int code);
    static void disconnectCallback(mosquitto*, void* self, int code);
    static void messageCallback(mosquitto*, void* self, const mosquitto_message* message);

    StationRemote& m_remote;
    MqttSettings m_settings;
    QString m_base; // kalvora/<CALL>
    std::function<void(const QString&)> m_log;
    mosquitto* m_client = nullptr;
    bool m_connected = false;
    bool m_toldDown = false;
    QTimer m_watch; // the state, published when it changed
    QByteArray m_published;
};

} // namespace kalvora
