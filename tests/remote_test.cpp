// The station's web page and API, served by the real program on loopback: the password set
// the way an operator sets it, every bad request refused with nothing changed (the settings
// file read back after each), wrong passwords slowed down.
#include "InstalledProgram.h"

#include <QEventLoop>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

quint16 freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

struct Answer {
    int status = 0;
    QByteArray body;
    QByteArray header(const char* name) const { return headers.value(QByteArray(name).toLower()); }
    QHash<QByteArray, QByteArray> headers;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// The program with its web page, and a client for it.
struct WebStation {
    WebStation() {
        kalvora.writeSettings("Text1=QQ0ABC\n");
        port = freePort();
    }
    ~WebStation() {
        program.terminate();
        program.waitForFinished(10000);
    }
    int setPassword(const QByteArray& password) {
        QProcess set;
        set.setProcessEnvironment(kalvora.environment);
        set.start(kalvora.executable, {QStringLiteral("--set-web-password")});
        set.write(password + '\n');
        set.closeWriteChannel();
        set.waitForFinished(30000);
        return set.exitCode();
    }
    bool start(const QStringList& extra = {}) {
        program.setProcessEnvironment(kalvora.environment);
        program.start(
            kalvora.executable,
            QStringList{QStringLiteral("--stream"), kalvora.dir.filePath(QStringLiteral("out.ts")),
                        QStringLiteral("--web"), QStringLiteral("127.0.0.1:%1").arg(port)} +
                extra);
        return QTest::qWaitFor(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                return probe.waitForConnected(200);
            },
            20000);
    }
    Answer ask(const QByteArray& method, const char* path, const QByteArray& body = {},
               const QByteArray& password = "secret",
               QList<std::pair<QByteArray, QByteArray>> headers = {
                   {"Content-Type", "application/json"}}) {
        QNetworkRequest request(QUrl(
            QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(port).arg(QLatin1String(path))));
        if (!password.isEmpty())
            request.setRawHeader("Authorization", "Basic " + ("op:" + password).toBase64());
        for (const auto& [name, value] : headers)
            request.setRawHeader(name, value);
        QNetworkReply* reply = network.sendCustomRequest(request, method, body);
        reply->ignoreSslErrors(); // our own certificate, made by the test
        QEventLoop wait;
        QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
        wait.exec();
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        for (const auto& [name, value] : reply->rawHeaderPairs())
            answer.headers.insert(name.toLower(), value);
        reply->deleteLater();
        return answer;
    }
    QByteArray settings() const {
        QFile file(kalvora.iniPath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    Installed kalvora;
    QString scheme = QStringLiteral("http");
    quint16 port = 0;
    QProcess program;
    QNetworkAccessManager network;
};

} // namespace

class RemoteTest : public QObject {
    Q_OBJECT
private slots:
    void api_needsThePassword_keptOnlyAsAHash_wrongOnesSlowedDown();
    void api_changesThroughTheStation_badRequestsChangeNothing_data();
    void api_changesThroughTheStation_badRequestsChangeNothing();
    void api_overHttps_withTheStationsOwnCertificate();
};

void RemoteTest::api_needsThePassword_keptOnlyAsAHash_wrongOnesSlowedDown() {
    WebStation web;
    QVERIFY(web.start());
    // Nothing is served before a password is set.
    QCOMPARE(web.ask("GET", "/api/status").status, 503);
    QCOMPARE(web.setPassword("secret"), 0);
    QVERIFY(web.settings().contains("web_password_hash=\"pbkdf2-sha256$100000$"));
    QVERIFY(!web.settings().contains("secret"));
    const Answer none = web.ask("GET", "/api/status", {}, {});
    QCOMPARE(none.status, 401);
    QVERIFY(none.header("WWW-Authenticate").startsWith("Basic"));
    const Answer status = web.ask("GET", "/api/status");
    QCOMPARE(status.status, 200);
    QCOMPARE(status.json().value(QStringLiteral("Text1")).toString(), QStringLiteral("QQ0ABC"));
    // A wrong password locks its address out for 1 s, the next one for 2 s.
    QCOMPARE(web.ask("GET", "/api/status", {}, "guess").status, 401);
    QCOMPARE(web.ask("GET", "/api/status").status, 429);
    QTest::qWait(1100);
    QCOMPARE(web.ask("GET", "/api/status", {}, "guess2").status, 401);
    QTest::qWait(1100);
    const Answer locked = web.ask("GET", "/api/status");
    QCOMPARE(locked.status, 429);
    QCOMPARE(locked.header("Retry-After"), QByteArray("1"));
    QTest::qWait(1100);
    QCOMPARE(web.ask("GET", "/api/status").status, 200);
    // What is on air, as a picture.
    const Answer snapshot = web.ask("GET", "/snapshot.png");
    QCOMPARE(snapshot.header("Content-Type"), QByteArray("image/png"));
    QCOMPARE(QImage::fromData(snapshot.body, "PNG").size(), QSize(808, 608));
    web.program.terminate();
    web.program.waitForFinished(10000);
    QFile log(web.kalvora.dir.filePath(
        QStringLiteral("state/kalvora/kalvora-%1.log")
            .arg(QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate))));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("web: wrong password from 127.0.0.1 (2 in a row)"));
}

void RemoteTest::api_changesThroughTheStation_badRequestsChangeNothing_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("origin");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("stored"); // a line the settings file then holds
    const QByteArray json = "application/json";
    QTest::newRow("caption") << QByteArray("POST") << QByteArray("/api/station")
                             << QByteArray(R"({"Text1": "PI6ATV", "Text5": "JO22KC"})") << json
                             << QByteArray() << 200 << QByteArray("Text5=JO22KC");
    QTest::newRow("card") << QByteArray("POST") << QByteArray("/api/card")
                          << QByteArray(R"({"card": "2"})") << json << QByteArray() << 200
                          << QByteArray("chosen_card=2");
    QTest::newRow("from the same page")
        << QByteArray("POST") << QByteArray("/api/card") << QByteArray(R"({"card": "contest"})")
        << json << QByteArray("http://127.0.0.1:PORT") << 200 << QByteArray("chosen_card=contest");
    const QList<std::tuple<const char*, QByteArray, QByteArray, QByteArray, QByteArray, int>> bad =
        {
            {"bad JSON", "/api/station", R"({"Text1": )", json, {}, 400},
            {"unknown field",
             "/api/station",
             R"({"Text1": "PI6ATV", "Text9": "x"})",
             json,
             {},
             400},
            {"caption too long",
             "/api/station",
             "{\"Text1\": \"" + QByteArray(201, 'A') + "\"}",
             json,
             {},
             400},
            {"body over 64 KiB",
             "/api/station",
             "{\"Text1\": \"PI6ATV\", \"x\": \"" + QByteArray(70000, 'x') + "\"}",
             json,
             {},
             400},
            {"unknown card", "/api/card", R"({"card": "nope"})", json, {}, 400},
            {"ticker not on or off", "/api/ticker", R"({"ticker": "yes"})", json, {}, 400},
            {"form of another site", "/api/station", "Text1=PI6ATV",
             "application/x-www-form-urlencoded", "http://evil.example", 400},
            {"JSON from another site", "/api/station", R"({"Text1": "PI6ATV"})", json,
             "http://evil.example", 403},
        };
    for (const auto& [name, path, body, type, origin, status] : bad)
        QTest::newRow(name) << QByteArray("POST") << path << body << type << origin << status
                            << QByteArray();
    QTest::newRow("a GET changes nothing")
        << QByteArray("GET") << QByteArray("/api/station") << QByteArray() << QByteArray()
        << QByteArray() << 405 << QByteArray();
}

void RemoteTest::api_changesThroughTheStation_badRequestsChangeNothing() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, origin);
    QFETCH(int, status);
    QFETCH(QByteArray, stored);
    WebStation web;
    QCOMPARE(web.setPassword("secret"), 0);
    QVERIFY(web.start());
    const QByteArray before = web.settings();
    QList<std::pair<QByteArray, QByteArray>> headers;
    if (!contentType.isEmpty())
        headers.append({"Content-Type", contentType});
    if (!origin.isEmpty())
        headers.append({"Origin", origin.replace("PORT", QByteArray::number(web.port))});
    const Answer answer = web.ask(method, path.constData(), body, "secret", headers);
    QVERIFY2(answer.status == status, answer.body.constData());
    if (stored.isEmpty()) {
        QVERIFY(!answer.json().value(QStringLiteral("error")).toString().isEmpty());
        QCOMPARE(web.settings(), before);
        QCOMPARE(web.ask("GET", "/api/status").json().value(QStringLiteral("Text1")).toString(),
                 QStringLiteral("QQ0ABC"));
    } else {
        QVERIFY2(web.settings().contains(stored), web.settings().constData());
    }
}

void RemoteTest::api_overHttps_withTheStationsOwnCertificate() {
    WebStation web;
    const QString key = web.kalvora.dir.filePath(QStringLiteral("key.pem"));
    const QString certificate = web.kalvora.dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   key, QStringLiteral("-out"), certificate, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        QSKIP("openssl cannot make a certificate here");
    QCOMPARE(web.setPassword("secret"), 0);
    QVERIFY(web.start(
        {QStringLiteral("--web-certificate"), certificate, QStringLiteral("--web-key"), key}));
    QCOMPARE(web.ask("GET", "/api/status").status, 0); // plain HTTP gets nothing
    web.scheme = QStringLiteral("https");
    const Answer status = web.ask("GET", "/api/status");
    QCOMPARE(status.status, 200);
    QCOMPARE(status.json().value(QStringLiteral("Text1")).toString(), QStringLiteral("QQ0ABC"));
}

QTEST_MAIN(RemoteTest)
#include "remote_test.moc"
