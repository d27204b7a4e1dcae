#include "remote/StationRemote.h"

#include "pattern/OnAirFrames.h"
#include "station/Station.h"

#include <QJsonArray>
#include <QPainter>

namespace kalvora {

namespace {

// "Text1" .. "Text5" as the field's number; 0 for anything else.
int fieldNumber(const QString& name) {
    for (int field = 1; field <= StationSettings::TextCount; ++field)
        if (name == QStringLiteral("Text%1").arg(field))
            return field;
    return 0;
}

} // namespace

StationRemote::StationRemote(Station& station, QObject* parent)
    : QObject(parent), m_station(station) {}

StationRemote::~StationRemote() = default;

QJsonObject StationRemote::status() const {
    QJsonObject status;
    for (int field = 1; field <= StationSettings::TextCount; ++field)
        status.insert(QStringLiteral("Text%1").arg(field), m_station.text(field));
    status.insert(QStringLiteral("card"), m_station.pattern1Card());
    status.insert(QStringLiteral("chosen_card"), m_station.chosenCard());
    QJsonArray cards;
    for (const Card& card : m_station.cards())
        if (card.problem.isEmpty())
            cards.append(card.name);
    status.insert(QStringLiteral("cards"), cards);
    status.insert(QStringLiteral("ticker"), m_station.screenTicker().TickerOn);
    status.insert(QStringLiteral("on_air"), !m_station.inStandby());
    status.insert(QStringLiteral("standby"), m_station.standbyText());
    status.insert(QStringLiteral("stream"), m_stream.state ? m_stream.state() : QJsonObject());
    return status;
}

QString StationRemote::setFields(const QJsonValue& value, const QString& from) {
    if (!value.isObject() || value.toObject().isEmpty())
        return tr("give the fields to change as an object, such as {\"Text1\": \"PI6ATV\"}");
    const QJsonObject fields = value.toObject();
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (fieldNumber(it.key()) == 0)
            return tr("there is no field \"%1\"; the fields are Text1 to Text5").arg(it.key());
        if (!it.value().isString())
            return tr("%1 must be text").arg(it.key());
        if (it.value().toString().size() > MostCaption)
            return tr("%1 is longer than %2 characters").arg(it.key()).arg(MostCaption);
    }
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        const int field = fieldNumber(it.key());
        if (m_station.text(field) == it.value().toString())
            continue;
        m_station.setText(field, it.value().toString());
        m_station.log(QStringLiteral("%1 \"%2\" (%3)").arg(it.key(), it.value().toString(), from));
    }
    return QString();
}

QString StationRemote::chooseCard(const QJsonValue& value, const QString& from) {
    const QString name = value.toString();
    if (!value.isString() || !m_station.card(name))
        return tr("there is no card \"%1\"").arg(value.isString() ? name : QStringLiteral("?"));
    m_station.chooseCard(name);
    m_station.log(QStringLiteral("card %1 chosen (%2)").arg(name, from));
    return QString();
}

QString StationRemote::setTicker(const QJsonValue& on, const QString& from) {
    if (!on.isBool())
        return tr("the ticker is true (on) or false (off)");
    if (m_station.screenTicker().TickerOn != on.toBool()) {
        m_station.toggleTicker();
        m_station.log(QStringLiteral("ticker %1 (%2)").arg(on.toBool() ? "on" : "off", from));
    }
    return QString();
}

QString StationRemote::steerStream(const QJsonValue& value, const QString& from) {
    const QString what = value.toString();
    if (what != QLatin1String("start") && what != QLatin1String("stop"))
        return tr("the stream is \"start\" or \"stop\"");
    if (!m_stream.start)
        return tr("this program has no stream to steer");
    m_station.log(QStringLiteral("stream %1 (%2)").arg(what, from));
    if (what == QLatin1String("stop")) {
        m_stream.stop();
        return QString();
    }
    return m_stream.start();
}

QString StationRemote::identNow(const QString& from) {
    if (m_station.inStandby())
        return tr("the station is in standby");
    m_station.identNow();
    m_station.log(QStringLiteral("ident asked for (%1)").arg(from));
    return QString();
}

QImage StationRemote::picture() {
    if (m_station.inStandby()) {
        QImage standby(Cards::designSize(), QImage::Format_RGB32);
        standby.fill(Qt::black);
        QPainter painter(&standby);
        painter.setPen(Qt::yellow);
        QFont font = painter.font();
        font.setPixelSize(standby.height() / 12);
        painter.setFont(font);
        painter.drawText(standby.rect(), Qt::AlignCenter, m_station.standbyText());
        return standby;
    }
    if (!m_frames)
        m_frames = std::make_unique<OnAirFrames>(m_station, 25, QString(), Canvas::design());
    return m_frames->frameAt(++m_frameIndex).copy();
}

} // namespace kalvora
