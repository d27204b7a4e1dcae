#pragma once

#include <QDateTime>
#include <QHash>
#include <QHttpServer>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QHttpServerRequest;
class QHttpServerResponse;

namespace kalvora {

class StationRemote;

// The station's web page and its JSON API, served by Qt's HTTP server:
//   GET  /               the page (works on a phone)
//   GET  /api/status     the station fields, the card, the ticker, the stream, on air
//   GET  /snapshot.png   what is on air
//   POST /api/station    {"Text1": "...", ...}
//   POST /api/card       {"card": NAME}
//   POST /api/ticker     {"ticker": true|false}
//   POST /api/stream     {"stream": "start"|"stop"}
//   POST /api/ident      {}
// Every request needs the password (HTTP Basic; any user name); nothing is served while none
// is set. A wrong password locks its address out for a time that doubles with each one (1 s
// up to 5 minutes), and is logged. Changes come only as a POST with a JSON body, never from a
// form of another site; a request that is wrong in any way gets 400 with the reason and
// changes nothing.
class WebServer : public QObject {
    Q_OBJECT
public:
    // `passwordHash` gives the stored hash (see WebPassword) each time it is needed, so that a
    // new password holds at once; `log` takes the events.
    WebServer(StationRemote& remote, std::function<QString()> passwordHash,
              std::function<void(const QString&)> log, QObject* parent = nullptr);
    ~WebServer() override;

    static constexpr qsizetype MostBody = 64 * 1024;

    // "127.0.0.1:8080", "0.0.0.0:8080", "[::1]:8080" or a port alone (127.0.0.1). With a
    // certificate and its key (PEM files): HTTPS. Returns why it cannot serve, or empty.
    QString listen(const QString& addressAndPort, const QString& certificateFile = QString(),
                   const QString& keyFile = QString());
    quint16 port() const { return m_port; }

    // The lock-out after `failures` wrong passwords in a row, in seconds.
    static int lockoutSeconds(int failures);

private:
    QHttpServerResponse handle(const QString& path, const QHttpServerRequest& request);
    // Why the request may not go on (the response to give), or nothing.
    std::optional<QHttpServerResponse> refused(const QHttpServerRequest& request);
    QHttpServerResponse change(const QString& path, const QHttpServerRequest& request);

    StationRemote& m_remote;
    std::function<QString()> m_passwordHash;
    std::function<void(const QString&)> m_log;
    QHttpServer m_server;
    quint16 m_port = 0;
    struct Lockout {
        int failures = 0;
        QDateTime until;
    };
    QHash<QString, Lockout> m_lockouts; // by address
    // Authorization headers found right for the hash in use, hashed again: PBKDF2 is slow on
    // purpose, and the page asks every second.
    QSet<QByteArray> m_goodCredentials;
    QString m_goodFor;
};

} // namespace kalvora
