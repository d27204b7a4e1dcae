#pragma once

#include "station/RemoteStream.h"

#include <QObject>
#include <QString>
#include <memory>

namespace kalvora {

class SettingsStore;
class Station;
class StationRemote;
class WebServer;
class MqttLink;

// The station's web page in a running program, where one is asked for: --web for this run, or
// else the settings' web_address. Off unless one of them names an address. Where this build has
// no web server, asking for one is a mistake that says so.
class RemoteControl : public QObject {
    Q_OBJECT
public:
    RemoteControl(Station& station, SettingsStore& store, QObject* parent = nullptr);
    ~RemoteControl() override;

    // The stream the page shows and starts and stops.
    void setStream(const RemoteStream& stream);
    // Serves at `address` (empty: the stored one; none stored: nothing is served). Returns why
    // it cannot, or empty.
    QString serve(const QString& address, const QString& certificate = QString(),
                  const QString& key = QString());
    // The station on an MQTT broker ("mqtt://HOST:PORT"), its topics named after the call sign
    // (Text1) as it is now. Returns why it cannot, or empty; a broker that is down is no
    // reason: it is tried again.
    QString connectMqtt(const QString& url, const QString& user, const QString& password,
                        const QString& caFile);
    bool serving() const;
    quint16 port() const;
    void stopServing();

    // Where the page is served ("127.0.0.1:8080"; empty: it is not), and the password's
    // salted hash (see WebPassword; empty: nothing is served).
    static inline const QString AddressKey = QStringLiteral("web_address");
    static inline const QString PasswordKey = QStringLiteral("web_password_hash");
    // Keeps the password's hash, checked as read back. Returns why it could not, or empty.
    static QString storePassword(SettingsStore& store, const QString& password);

    // --set-web-password: the password from standard input (not echoed at a terminal), its
    // hash stored and read back. Returns the exit code, having said what happened.
    static int setPassword(SettingsStore& store);

private:
    Station& m_station;
    SettingsStore& m_store;
#ifdef KALVORA_HAS_REMOTE
    std::unique_ptr<StationRemote> m_remote;
    std::unique_ptr<WebServer> m_web;
#ifdef KALVORA_HAS_MQTT
    std::unique_ptr<MqttLink> m_mqtt;
#endif
#endif
};

} // namespace kalvora
