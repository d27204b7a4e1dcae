#include "remote/WebServer.h"

#include "remote/StationRemote.h"
#include "remote/WebPassword.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#if QT_CONFIG(ssl)
#include <QSslCertificate>
#include <QSslKey>
#endif

namespace kalvora {

namespace {

using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse json(const QJsonObject& object, Status status = Status::Ok) {
    QHttpServerResponse response(QByteArrayLiteral("application/json"),
                                 QJsonDocument(object).toJson(QJsonDocument::Compact), status);
    response.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    return response;
}

QHttpServerResponse error(const QString& message, Status status = Status::BadRequest) {
    return json({{QStringLiteral("error"), message}}, status);
}

QByteArray header(const QHttpServerRequest& request, const char* name) {
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QByteArray();
}

QString addressOf(const QHttpServerRequest& request) {
    QHostAddress address = request.remoteAddress();
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip4).toString() : address.toString();
}

} // namespace

WebServer::WebServer(StationRemote& remote, std::function<QString()> passwordHash,
                     std::function<void(const QString&)> log, QObject* parent)
    : QObject(parent), m_remote(remote), m_passwordHash(std::move(passwordHash)),
      m_log(std::move(log)) {
    for (const char* path : {"/", "/api/status", "/snapshot.png", "/api/station", "/api/card",
                             "/api/ticker", "/api/stream", "/api/ident"})
        m_server.route(QString::fromLatin1(path),
                       [this, path = QString::fromLatin1(path)](const QHttpServerRequest& request) {
                           return handle(path, request);
                       });
}

WebServer::~WebServer() = default;

int WebServer::lockoutSeconds(int failures) {
    return failures <= 0 ? 0 : std::min(300, 1 << std::min(failures - 1, 9));
}

QString WebServer::listen(const QString& addressAndPort, const QString& certificateFile,
                          const QString& keyFile) {
    QString host = QStringLiteral("127.0.0.1"), portText = addressAndPort.trimmed();
    if (const qsizetype colon = portText.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        host = portText.left(colon);
        portText = portText.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
    }
    bool ok = false;
    const int port = portText.toInt(&ok);
    QHostAddress address;
    if (!ok || port < 1 || port > 65535 || !address.setAddress(host))
        return tr("\"%1\" is not an address and port such as 127.0.0.1:8080").arg(addressAndPort);
    if (!certificateFile.isEmpty() || !keyFile.isEmpty()) {
#if QT_CONFIG(ssl)
        QFile certificate(certificateFile), key(keyFile);
        if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return tr("HTTPS needs a certificate and its key, both PEM files that can be read");
        const QSslCertificate cert(&certificate, QSsl::Pem);
        const QByteArray keyPem = key.readAll();
        QSslKey privateKey(keyPem, QSsl::Rsa);
        if (privateKey.isNull())
            privateKey = QSslKey(keyPem, QSsl::Ec);
        if (cert.isNull() || privateKey.isNull())
            return tr("%1 or %2 is not a PEM certificate or key").arg(certificateFile, keyFile);
        m_server.sslSetup(cert, privateKey);
#else
        return tr("this build of Kalvora has no HTTPS");
#endif
    }
    m_port = m_server.listen(address, quint16(port));
    if (m_port == 0)
        return tr("cannot listen on %1: in use, or not an address of this computer")
            .arg(addressAndPort);
    return QString();
}

std::optional<QHttpServerResponse> WebServer::refused(const QHttpServerRequest& request) {
    const QString hash = m_passwordHash();
    if (hash.isEmpty())
        return error(tr("no password is set: kalvora --set-web-password sets one"),
                     Status::ServiceUnavailable);
    const QString address = addressOf(request);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Many addresses guessing: those whose lock-out has run out are forgotten.
    if (m_lockouts.size() > 1000)
        m_lockouts.removeIf([&now](const auto& entry) { return entry.value().until < now; });
    Lockout& lockout = m_lockouts[address];
    if (lockout.until.isValid() && now < lockout.until) {
        QHttpServerResponse wait =
            error(tr("too many wrong passwords: wait %1 s").arg(now.secsTo(lockout.until) + 1),
                  Status::TooManyRequests);
        wait.setHeader(QByteArrayLiteral("Retry-After"),
                       QByteArray::number(now.secsTo(lockout.until) + 1));
        return wait;
    }
    if (hash != m_goodFor) {
        m_goodCredentials.clear();
        m_goodFor = hash;
    }
    const QByteArray authorization = header(request, "Authorization");
    const QByteArray remembered =
        QCryptographicHash::hash(authorization, QCryptographicHash::Sha256);
    if (m_goodCredentials.contains(remembered)) {
        lockout = {};
        return std::nullopt;
    }
    bool right = false;
    if (authorization.startsWith("Basic ")) {
        const QByteArray pair = QByteArray::fromBase64(authorization.mid(6));
        const qsizetype colon = pair.indexOf(':');
        right = colon >= 0 && WebPassword::matches(hash, QString::fromUtf8(pair.mid(colon + 1)));
    }
    if (right) {
        lockout = {};
        if (m_goodCredentials.size() > 64)
            m_goodCredentials.clear();
        m_goodCredentials.insert(remembered);
        return std::nullopt;
    }
    QHttpServerResponse ask = error(tr("the password is needed"), Status::Unauthorized);
    ask.setHeader(QByteArrayLiteral("WWW-Authenticate"),
                  QByteArrayLiteral("Basic realm=\"Kalvora\", charset=\"UTF-8\""));
    if (!authorization.isEmpty()) { // a browser's first try comes without one
        ++lockout.failures;
        lockout.until = now.addSecs(lockoutSeconds(lockout.failures));
        m_log(QStringLiteral("web: wrong password from %1 (%2 in a row)")
                  .arg(address)
                  .arg(lockout.failures));
    }
    return ask;
}

QHttpServerResponse WebServer::handle(const QString& path, const QHttpServerRequest& request) {
    if (std::optional<QHttpServerResponse> no = refused(request))
        return std::move(*no);
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    if (path.startsWith(QLatin1String("/api/")) && path != QLatin1String("/api/status")) {
        if (request.method() != QHttpServerRequest::Method::Post)
            return error(tr("%1 takes a POST with a JSON body").arg(path),
                         Status::MethodNotAllowed);
        return change(path, request);
    }
    if (!get)
        return error(tr("%1 is only read (GET)").arg(path), Status::MethodNotAllowed);
    if (path == QLatin1String("/api/status"))
        return json(m_remote.status());
    if (path == QLatin1String("/snapshot.png")) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        m_remote.picture().save(&buffer, "PNG");
        QHttpServerResponse response(QByteArrayLiteral("image/png"), std::move(png));
        response.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
        return response;
    }
    QFile page(QStringLiteral(":/remote/page.html"));
    page.open(QIODevice::ReadOnly);
    QHttpServerResponse response(QByteArrayLiteral("text/html; charset=utf-8"), page.readAll());
    // The page is never shown in another site's frame.
    response.setHeader(QByteArrayLiteral("X-Frame-Options"), QByteArrayLiteral("DENY"));
    response.setHeader(QByteArrayLiteral("Content-Security-Policy"),
                       QByteArrayLiteral("default-src 'self'; img-src 'self'; style-src 'self' "
                                         "'unsafe-inline'; script-src 'self' 'unsafe-inline'; "
                                         "frame-ancestors 'none'"));
    return response;
}

QHttpServerResponse WebServer::change(const QString& path, const QHttpServerRequest& request) {
    // A form of another site can post, but never as JSON without asking first (and we answer
    // no such question); a browser also names the site a request comes from.
    if (!header(request, "Content-Type").startsWith("application/json"))
        return error(tr("changes come as JSON (Content-Type: application/json)"));
    const QByteArray origin = header(request, "Origin");
    const QByteArray site = header(request, "Sec-Fetch-Site");
    if ((!origin.isEmpty() && QUrl(QString::fromLatin1(origin)).authority() !=
                                  QString::fromLatin1(header(request, "Host"))) ||
        site == "cross-site")
        return error(tr("a change from another site is refused"), Status::Forbidden);
    if (request.body().size() > MostBody)
        return error(tr("the request is larger than %1 KiB").arg(MostBody / 1024));
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject())
        return error(tr("the body is not a JSON object: %1").arg(parse.errorString()));
    const QJsonObject body = document.object();
    const QString from = QStringLiteral("web %1").arg(addressOf(request));
    const auto single = [&body](const char* key) -> std::optional<QJsonValue> {
        if (body.size() != 1 || !body.contains(QLatin1String(key)))
            return std::nullopt;
        return body.value(QLatin1String(key));
    };
    QString why;
    if (path == QLatin1String("/api/station")) {
        why = m_remote.setFields(body, from);
    } else if (path == QLatin1String("/api/card")) {
        const auto card = single("card");
        why = card ? m_remote.chooseCard(*card, from) : tr("give {\"card\": NAME}");
    } else if (path == QLatin1String("/api/ticker")) {
        const auto on = single("ticker");
        why = on ? m_remote.setTicker(*on, from) : tr("give {\"ticker\": true} or false");
    } else if (path == QLatin1String("/api/stream")) {
        const auto what = single("stream");
        why = what ? m_remote.steerStream(*what, from)
                   : tr("give {\"stream\": \"start\"} or \"stop\"");
    } else {
        why = body.isEmpty() ? m_remote.identNow(from) : tr("give {}");
    }
    if (!why.isEmpty())
        return error(why);
    return json(m_remote.status());
}

} // namespace kalvora
