#include "app/RemoteControl.h"

#include "settings/SettingsStore.h"
#include "station/Station.h"

#ifdef KALVORA_HAS_REMOTE
#include "remote/StationRemote.h"
#include "remote/WebPassword.h"
#include "remote/WebServer.h"
#endif
#ifdef KALVORA_HAS_MQTT
#include "remote/MqttLink.h"
#endif

#include <QTextStream>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace kalvora {

RemoteControl::RemoteControl(Station& station, SettingsStore& store, QObject* parent)
    : QObject(parent), m_station(station), m_store(store) {
#ifdef KALVORA_HAS_REMOTE
    m_remote = std::make_unique<StationRemote>(station);
#endif
}

RemoteControl::~RemoteControl() = default; // (MqttLink says goodbye to the broker)

#ifdef KALVORA_HAS_REMOTE

void RemoteControl::setStream(const RemoteStream& stream) {
    m_remote->setStream(stream);
}

QString RemoteControl::serve(const QString& address, const QString& certificate,
                             const QString& key) {
    m_web.reset();
    const QString where = address.isEmpty() ? m_store.ReadSetting(AddressKey, QString()) : address;
    if (where.trimmed().isEmpty())
        return QString();
    auto web = std::make_unique<WebServer>(
        *m_remote, [this] { return m_store.ReadSetting(PasswordKey, QString()); },
        [this](const QString& event) { m_station.log(event); });
    if (const QString problem = web->listen(where, certificate, key); !problem.isEmpty())
        return tr("the web page: %1").arg(problem);
    m_web = std::move(web);
    m_station.log(QStringLiteral("web: serving at %1").arg(where));
    if (m_store.ReadSetting(PasswordKey, QString()).isEmpty())
        return tr("the web page serves nothing until a password is set: kalvora "
                  "--set-web-password");
    return QString();
}

QString RemoteControl::connectMqtt(const QString& url, const QString& user, const QString& password,
                                   const QString& caFile) {
    if (url.isEmpty())
        return QString();
#ifdef KALVORA_HAS_MQTT
    QString problem;
    std::optional<MqttSettings> settings = MqttSettings::parse(url, &problem);
    if (!settings)
        return tr("--mqtt: %1").arg(problem);
    settings->user = user;
    settings->password = password;
    settings->caFile = caFile;
    m_mqtt = std::make_unique<MqttLink>(*m_remote, *settings, m_station.text(1),
                                        [this](const QString& event) { m_station.log(event); });
    if (const QString why = m_mqtt->start(); !why.isEmpty()) {
        m_mqtt.reset();
        return why;
    }
    return QString();
#else
    Q_UNUSED(user);
    Q_UNUSED(password);
    Q_UNUSED(caFile);
    return tr("this build of Kalvora has no MQTT");
#endif
}

bool RemoteControl::serving() const {
    return bool(m_web);
}

quint16 RemoteControl::port() const {
    return m_web ? m_web->port() : 0;
}

void RemoteControl::stopServing() {
    if (m_web)
        m_station.log(QStringLiteral("web: stopped"));
    m_web.reset();
}

QString RemoteControl::storePassword(SettingsStore& store, const QString& password) {
    const QString hash = WebPassword::hash(password);
    // What reached the store, not what the store said.
    if (!store.WriteSetting(PasswordKey, hash) || store.ReadSetting(PasswordKey, QString()) != hash)
        return tr("the password could not be stored in %1").arg(store.location());
    return QString();
}

int RemoteControl::setPassword(SettingsStore& store) {
#ifdef Q_OS_UNIX
    // At a terminal the password is not shown as it is typed.
    termios before{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &before) == 0;
    if (terminal) {
        std::fputs("Web password: ", stderr);
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
#endif
    QTextStream input(stdin);
    const QString password = input.readLine();
#ifdef Q_OS_UNIX
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &before);
        std::fputs("\n", stderr);
    }
#endif
    if (password.isEmpty()) {
        std::fputs("kalvora: no password was given (nothing was changed)\n", stderr);
        return 2;
    }
    if (const QString problem = storePassword(store, password); !problem.isEmpty()) {
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(problem));
        return 1;
    }
    std::fprintf(stderr, "kalvora: the web page's password is set (its hash in %s)\n",
                 qPrintable(store.location()));
    return 0;
}

#else

void RemoteControl::setStream(const RemoteStream&) {}

QString RemoteControl::connectMqtt(const QString& url, const QString&, const QString&,
                                   const QString&) {
    return url.isEmpty() ? QString() : tr("this build of Kalvora has no MQTT");
}

QString RemoteControl::serve(const QString& address, const QString&, const QString&) {
    if (address.isEmpty() && m_store.ReadSetting(AddressKey, QString()).isEmpty())
        return QString();
    return tr("this build of Kalvora has no web page");
}

bool RemoteControl::serving() const {
    return false;
}

quint16 RemoteControl::port() const {
    return 0;
}

void RemoteControl::stopServing() {}

QString RemoteControl::storePassword(SettingsStore&, const QString&) {
    return tr("this build of Kalvora has no web page");
}

int RemoteControl::setPassword(SettingsStore&) {
    std::fputs("kalvora: this build of Kalvora has no web page\n", stderr);
    return 1;
}

#endif

} // namespace kalvora
