#pragma once

#include "station/RemoteStream.h"

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <memory>

namespace kalvora {

class OnAirFrames;
class Station;

// What a remote client (the web page, MQTT) may see of the station and change, through the
// station's own doors: the station fields, the card, the ticker, the stream, the ident. Every
// request is checked whole before anything changes; what changes goes into the on-air log with
// where it came from.
class StationRemote : public QObject {
    Q_OBJECT
public:
    explicit StationRemote(Station& station, QObject* parent = nullptr);
    ~StationRemote() override;

    void setStream(RemoteStream stream) { m_stream = std::move(stream); }

    // Texts longer than this are refused.
    static constexpr int MostCaption = 200;

    // The station fields Text1-Text5, the card on air and the cards there are, the ticker,
    // the stream, on air or standby.
    QJsonObject status() const;
    // Each returns why the request was refused (nothing changed then), or empty.
    // {"Text1": "PI6ATV", ...}: one or more of the station fields.
    QString setFields(const QJsonValue& fields, const QString& from);
    QString chooseCard(const QJsonValue& card, const QString& from);
    QString setTicker(const QJsonValue& on, const QString& from);
    QString steerStream(const QJsonValue& startOrStop, const QString& from);
    QString identNow(const QString& from);
    // What the transmitter shows now (a standby picture in standby).
    QImage picture();

private:
    Station& m_station;
    RemoteStream m_stream;
    std::unique_ptr<OnAirFrames> m_frames;
    qint64 m_frameIndex = 0;
};

} // namespace kalvora
