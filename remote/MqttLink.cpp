#include "remote/MqttLink.h"

#include "remote/StationRemote.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QUrl>
#include <mosquitto.h>

namespace kalvora {

namespace {

constexpr int KeepAliveSeconds = 30;

void initLibrary() {
    static const bool done = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

std::optional<MqttSettings> MqttSettings::parse(const QString& text, QString* problem) {
    const QUrl url(text, QUrl::StrictMode);
    const bool tls = url.scheme() == QLatin1String("mqtts");
    if (!url.isValid() || (url.scheme() != QLatin1String("mqtt") && !tls) || url.host().isEmpty() ||
        (!url.path().isEmpty() && url.path() != QLatin1String("/"))) {
        if (problem)
            *problem =
                QStringLiteral("\"%1\" is not a broker such as mqtt://127.0.0.1:1883").arg(text);
        return std::nullopt;
    }
    MqttSettings settings;
    settings.host = url.host();
    settings.port = url.port(tls ? 8883 : 1883);
    return settings;
}

MqttLink::MqttLink(StationRemote& remote, MqttSettings settings, const QString& callSign,
                   std::function<void(const QString&)> log, QObject* parent)
    : QObject(parent), m_remote(remote), m_settings(std::move(settings)), m_log(std::move(log)) {
    QString call = callSign.trimmed();
    for (QChar& c : call)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.isSpace())
            c = QLatin1Char('_');
    m_base = QStringLiteral("kalvora/") + (call.isEmpty() ? QStringLiteral("_") : call);
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, [this] { publishStatus(false); });
}

MqttLink::~MqttLink() {
    if (!m_client)
        return;
    // An orderly goodbye: the retained state says so (the will is for a program that dies).
    if (m_connected)
        mosquitto_publish(m_client, nullptr, topic(QStringLiteral("status")).toUtf8().constData(),
                          7, "offline", 1, true);
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, false);
    mosquitto_destroy(m_client);
}

QString MqttLink::topic(const QString& leaf) const {
    return m_base + QLatin1Char('/') + leaf;
}

QString MqttLink::start() {
    initLibrary();
    m_client = mosquitto_new(nullptr, true, this);
    if (!m_client)
        return tr("MQTT: out of memory");
    const QByteArray status = topic(QStringLiteral("status")).toUtf8();
    mosquitto_will_set(m_client, status.constData(), 7, "offline", 1, true);
    if (!m_settings.user.isEmpty())
        mosquitto_username_pw_set(
            m_client, m_settings.user.toUtf8().constData(),
            m_settings.password.isEmpty() ? nullptr : m_settings.password.toUtf8().constData());
    if (!m_settings.caFile.isEmpty()) {
        if (!QFileInfo(m_settings.caFile).isReadable())
            return tr("MQTT: the CA file %1 cannot be read").arg(m_settings.caFile);
        if (mosquitto_tls_set(m_client, m_settings.caFile.toUtf8().constData(), nullptr, nullptr,
                              nullptr, nullptr) != MOSQ_ERR_SUCCESS)
            return tr("MQTT: the CA file %1 is not one TLS can use").arg(m_settings.caFile);
    }
    // Tried again after 2 s, then 4, 8 ... at most a minute apart.
    mosquitto_reconnect_delay_set(m_client, 2, 60, true);
    mosquitto_connect_callback_set(m_client, &MqttLink::connectCallback);
    mosquitto_disconnect_callback_set(m_client, &MqttLink::disconnectCallback);
    mosquitto_message_callback_set(m_client, &MqttLink::messageCallback);
    const int code = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(),
                                             m_settings.port, KeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS && code != MOSQ_ERR_ERRNO)
        return tr("MQTT: %1").arg(QString::fromUtf8(mosquitto_strerror(code)));
    if (code == MOSQ_ERR_ERRNO)
        onDisconnected(code); // down now: the loop keeps trying
    if (mosquitto_loop_start(m_client) != MOSQ_ERR_SUCCESS)
        return tr("MQTT: this libmosquitto has no threads");
    m_watch.start();
    return QString();
}

void MqttLink::connectCallback(mosquitto*, void* self, int code) {
    auto* link = static_cast<MqttLink*>(self);
    QMetaObject::invokeMethod(
        link, [link, code] { link->onConnected(code); }, Qt::QueuedConnection);
}

void MqttLink::disconnectCallback(mosquitto*, void* self, int code) {
    auto* link = static_cast<MqttLink*>(self);
    QMetaObject::invokeMethod(
        link, [link, code] { link->onDisconnected(code); }, Qt::QueuedConnection);
}

void MqttLink::messageCallback(mosquitto*, void* self, const mosquitto_message* message) {
    auto* link = static_cast<MqttLink*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        link, [link, topic, payload] { link->onMessage(topic, payload); }, Qt::QueuedConnection);
}

void MqttLink::onConnected(int code) {
    if (code != 0) {
        onDisconnected(code);
        return;
    }
    m_connected = true;
    m_toldDown = false;
    m_log(QStringLiteral("mqtt: connected to %1:%2 as %3")
              .arg(m_settings.host)
              .arg(m_settings.port)
              .arg(m_base));
    mosquitto_subscribe(m_client, nullptr, topic(QStringLiteral("set/#")).toUtf8().constData(), 1);
    publishStatus(true); // a broker started afresh holds nothing of ours
}

void MqttLink::onDisconnected(int code) {
    m_connected = false;
    if (m_toldDown)
        return;
    m_toldDown = true; // once until it is back, however often it is tried
    m_log(QStringLiteral("mqtt: %1:%2 cannot be reached (%3); trying again")
              .arg(m_settings.host)
              .arg(m_settings.port)
              .arg(QString::fromUtf8(mosquitto_strerror(code))));
}

void MqttLink::publishStatus(bool evenIfSame) {
    if (!m_connected)
        return;
    const QByteArray state = QJsonDocument(m_remote.status()).toJson(QJsonDocument::Compact);
    if (!evenIfSame && state == m_published)
        return;
    if (mosquitto_publish(m_client, nullptr, topic(QStringLiteral("status")).toUtf8().constData(),
                          int(state.size()), state.constData(), 1, true) == MOSQ_ERR_SUCCESS)
        m_published = state;
}

void MqttLink::onMessage(const QString& topicName, const QByteArray& payload) {
    const QString prefix = topic(QStringLiteral("set/"));
    if (!topicName.startsWith(prefix))
        return;
    const QString what = topicName.mid(prefix.size());
    const QString text = QString::fromUtf8(payload).trimmed();
    const QString from = QStringLiteral("mqtt");
    QString why;
    if (payload.size() > StationRemote::MostCaption * 4) {
        why = tr("the message is too long");
    } else if (what.startsWith(QLatin1String("Text"))) {
        why = m_remote.setFields(QJsonObject{{what, QString::fromUtf8(payload)}}, from);
    } else if (what == QLatin1String("card")) {
        why = m_remote.chooseCard(text, from);
    } else if (what == QLatin1String("ticker")) {
        const bool on = text == QLatin1String("on") || text == QLatin1String("true") ||
                        text == QLatin1String("1");
        const bool off = text == QLatin1String("off") || text == QLatin1String("false") ||
                         text == QLatin1String("0");
        why = on || off ? m_remote.setTicker(on, from) : tr("the ticker is on or off");
    } else if (what == QLatin1String("stream")) {
        why = m_remote.steerStream(text, from);
    } else if (what == QLatin1String("ident")) {
        why = m_remote.identNow(from);
    } else {
        why = tr("there is nothing to set called \"%1\"").arg(what);
    }
    if (why.isEmpty()) {
        publishStatus(false);
        return;
    }
    m_log(QStringLiteral("mqtt: %1 refused: %2").arg(topicName, why));
    const QByteArray error = QStringLiteral("%1: %2").arg(what, why).toUtf8();
    mosquitto_publish(m_client, nullptr, topic(QStringLiteral("error")).toUtf8().constData(),
                      int(error.size()), error.constData(), 1, false);
}

} // namespace kalvora
