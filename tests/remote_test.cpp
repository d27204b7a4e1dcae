// The station's web page and API, served by the real program on loopback: the password set
// the way an operator sets it, every bad request refused with nothing changed (the settings
// file read back after each), wrong passwords slowed down.
#include "InstalledProgram.h"
#include "ProgramFixture.h"
#include "app/RemoteControl.h"
#include "app/RemoteWindow.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QPushButton>
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

// A mosquitto broker of the test's own on a loopback port, without persistence: restarted, it
// holds nothing retained.
struct Broker {
    Broker(const QString& folder, quint16 port) : port(port) {
        QFile config(folder + QStringLiteral("/mosquitto.conf"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                                    "persistence false\n")
                         .arg(port)
                         .toUtf8());
        config.close();
        configFile = config.fileName();
        start();
    }
    ~Broker() { stop(); }
    void start() {
        process.start(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), configFile});
        QTest::qWaitFor(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, this->port);
                return probe.waitForConnected(200);
            },
            10000);
    }
    void stop() {
        process.terminate();
        process.waitForFinished(5000);
    }
    // The first message on `topic` (a retained one at once), or empty after `seconds`.
    QByteArray first(const QString& topic, int seconds = 10) const {
        QProcess sub;
        sub.start(QStringLiteral("mosquitto_sub"),
                  {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                   QString::number(port), QStringLiteral("-t"), topic, QStringLiteral("-C"),
                   QStringLiteral("1"), QStringLiteral("-W"), QString::number(seconds)});
        sub.waitForFinished((seconds + 5) * 1000);
        return sub.readAllStandardOutput().trimmed();
    }
    void publish(const QString& topic, const QByteArray& message) const {
        QProcess pub;
        pub.start(QStringLiteral("mosquitto_pub"),
                  {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                   QString::number(port), QStringLiteral("-q"), QStringLiteral("1"),
                   QStringLiteral("-t"), topic, QStringLiteral("-m"), QString::fromUtf8(message)});
        pub.waitForFinished(10000);
    }

    quint16 port;
    QString configFile;
    QProcess process;
};

} // namespace

class RemoteTest : public QObject {
    Q_OBJECT
private slots:
    void api_needsThePassword_keptOnlyAsAHash_wrongOnesSlowedDown();
    void api_changesThroughTheStation_badRequestsChangeNothing_data();
    void api_changesThroughTheStation_badRequestsChangeNothing();
    void api_overHttps_withTheStationsOwnCertificate();
    void mqtt_stateRetained_commandsChecked_brokerRestarted_lastWill();
    void opAfstand_keepsOnlyAnAddressThatServes_andThePasswordAsAHash();
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

void RemoteTest::mqtt_stateRetained_commandsChecked_brokerRestarted_lastWill() {
#ifndef KALVORA_HAS_MQTT
    QSKIP("this build has no MQTT");
#endif
    if (!QFile::exists(QStringLiteral("/usr/sbin/mosquitto")))
        QSKIP("mosquitto is not installed (scripts/setup-debian.sh installs it)");
    WebStation station;
    Broker broker(station.kalvora.dir.path(), freePort());
    station.program.setProcessEnvironment(station.kalvora.environment);
    station.program.start(
        station.kalvora.executable,
        {QStringLiteral("--stream"), station.kalvora.dir.filePath(QStringLiteral("out.ts")),
         QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port)});
    const QString status = QStringLiteral("kalvora/QQ0ABC/status");
    const auto text1 = [&] {
        return QJsonDocument::fromJson(broker.first(status))
            .object()
            .value(QStringLiteral("Text1"));
    };
    QCOMPARE(text1().toString(), QStringLiteral("QQ0ABC"));
    // A command goes through the station's door: kept, and the retained state follows.
    broker.publish(QStringLiteral("kalvora/QQ0ABC/set/Text1"), "PI6ATV");
    QVERIFY(QTest::qWaitFor([&] { return station.settings().contains("Text1=PI6ATV"); }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return text1().toString() == QLatin1String("PI6ATV"); }, 10000));
    // A bad one is refused, said on the error topic, and changes nothing.
    const QByteArray before = station.settings();
    QProcess errors;
    errors.start(QStringLiteral("mosquitto_sub"),
                 {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                  QString::number(broker.port), QStringLiteral("-t"),
                  QStringLiteral("kalvora/QQ0ABC/error"), QStringLiteral("-C"), QStringLiteral("1"),
                  QStringLiteral("-W"), QStringLiteral("10")});
    QTest::qWait(500);
    broker.publish(QStringLiteral("kalvora/QQ0ABC/set/card"), "nope");
    QVERIFY(errors.waitForFinished(15000));
    QCOMPARE(errors.readAllStandardOutput().trimmed(),
             QByteArray("card: there is no card \"nope\""));
    QCOMPARE(station.settings(), before);
    // The broker goes and comes back empty: the state is there again, the picture never waited.
    broker.stop();
    QTest::qWait(1000);
    broker.start();
    QCOMPARE(QJsonDocument::fromJson(broker.first(status, 20))
                 .object()
                 .value(QStringLiteral("Text1"))
                 .toString(),
             QStringLiteral("PI6ATV"));
    // Killed: the broker says so for it.
    station.program.kill();
    station.program.waitForFinished(5000);
    QVERIFY(QTest::qWaitFor([&] { return broker.first(status, 2) == "offline"; }, 15000));
}

void RemoteTest::opAfstand_keepsOnlyAnAddressThatServes_andThePasswordAsAHash() {
    TestPlatform t;
    Program p(t);     // the program with its windows, in this process
    QTcpServer taken; // a port in use: it cannot be served there
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    quint16 freePort = 0;
    {
        QTcpServer free;
        free.listen(QHostAddress::LocalHost);
        freePort = free.serverPort();
    }
    struct Row {
        QString address, password, repeat;
        bool kept;
    };
    const QList<Row> rows = {
        {QStringLiteral("127.0.0.1:%1").arg(taken.serverPort()), {}, {}, false},
        {QStringLiteral("nohost:99999"), {}, {}, false},
        {QStringLiteral("127.0.0.1:%1").arg(freePort), QStringLiteral("geheim"),
         QStringLiteral("gehiem"), false},
        {QStringLiteral("127.0.0.1:%1").arg(freePort), QStringLiteral("geheim"),
         QStringLiteral("geheim"), true},
        {QString(), {}, {}, true}, // off again
    };
    for (const Row& row : rows) {
        p.panel.mnu_op_afstand->trigger();
        auto* window = p.panel.findChild<RemoteWindow*>();
        QVERIFY(window);
        window->address->setText(row.address);
        window->password->setText(row.password);
        window->repeat->setText(row.repeat);
        const QString before = t.storedValue(QStringLiteral("web_address"));
        window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(window->isVisible(), !row.kept);
        QCOMPARE(window->problem->isVisible(), !row.kept);
        QCOMPARE(t.storedValue(QStringLiteral("web_address")), row.kept ? row.address : before);
        QCOMPARE(p.windows.remote().serving(), row.kept && !row.address.isEmpty());
        delete window;
    }
    const QString hash = t.storedValue(QStringLiteral("web_password_hash"));
    QVERIFY2(hash.startsWith(QLatin1String("pbkdf2-sha256$")) && !hash.contains("geheim"),
             qPrintable(hash));
}

QTEST_MAIN(RemoteTest)
#include "remote_test.moc"
