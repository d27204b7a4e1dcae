#include "app/StationStream.h"

#include "station/Station.h"
#include "stream/StreamOutput.h"

namespace kalvora {

void followStation(StreamOutput& output, Station& station) {
    QObject::connect(&station, &Station::standbyChanged, &output, [&output](bool standby) {
        if (standby)
            output.stop();
        else
            output.start();
    });
    QObject::connect(&station, &Station::pattern1CardChanged, &output,
                     [&output](const QString& card) {
                         if (card == Cards::Ident)
                             output.identNow();
                     });
    QObject::connect(&output, &StreamOutput::message, &station, [&station](const QString& text) {
        station.log(QStringLiteral("stream: ") + text);
    });
    QObject::connect(&output, &StreamOutput::stateChanged, &station,
                     [&station, &output, logged = StreamOutput::State::Stopped]() mutable {
                         if (output.state() == logged)
                             return; // the meter's figures, every two seconds
                         logged = output.state();
                         station.log(QStringLiteral("stream: ") + output.statusText());
                     });
    if (station.inStandby())
        return;
    output.start();
    if (station.pattern1Card() == Cards::Ident) // on air as it starts: the ident comes first
        output.identNow();
}

QJsonObject remoteState(const StreamOutput* output) {
    if (!output)
        return {{QStringLiteral("wanted"), false},
                {QStringLiteral("streaming"), false},
                {QStringLiteral("state"), StreamOutput::tr("not streaming")}};
    return {{QStringLiteral("wanted"), output->state() != StreamOutput::State::Stopped},
            {QStringLiteral("streaming"), output->state() == StreamOutput::State::Streaming},
            {QStringLiteral("state"), output->statusText()},
            {QStringLiteral("bitrate_kbit"), qRound(output->bitrate() / 1000)},
            {QStringLiteral("dropped"), output->framesDropped()},
            {QStringLiteral("last_error"), output->lastError()}};
}

RemoteStream remoteStream(StreamOutput& output, Station& station) {
    return {[&output] { return remoteState(&output); },
            [&output, &station] {
                if (station.inStandby())
                    return Station::tr("the station is in standby");
                output.start();
                return QString();
            },
            [&output] { output.stop(); }};
}

} // namespace kalvora
