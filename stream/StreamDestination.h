#pragma once

#include "stream/StreamSettings.h"

#include <QString>
#include <optional>
#include <vector>

namespace kalvora {

// The transmitters and programs a station sends to, by name: each fills in the address and
// the options of the Uitzenden window, which the operator may then edit.
struct StreamDestination {
    enum class Kind {
        Udp,       // a transport stream to a modulator, the Pluto or SDR software
        PlutoRtmp, // the Pluto firmware's RTMP input: the transmit settings in the address
        Rtmp,      // a club's RTMP server
        Srt,
        File
    };
    const char* key;     // as kept in the settings (stream_destination)
    const char* title;   // as listed
    const char* address; // what it is filled in with; for the Pluto's RTMP, its host and port
    Kind kind;

    // Whether the channel (symbol rate, FEC, modulation) sets the mux rate: everything that
    // ends in a transmitter.
    bool usesChannel() const { return kind == Kind::Udp || kind == Kind::PlutoRtmp; }
};

const std::vector<StreamDestination>& streamDestinations();
// The one kept under `key`; the modulator on this PC (the address kept by default) for a key
// that is not one of them.
const StreamDestination& streamDestination(const QString& key);

// What the operator picks for the transmitter: the channel, and for the Pluto's RTMP input
// also the frequency and the output gain.
struct TransmitChoice {
    double frequencyMHz = 437;
    Channel channel{333000, 2, 3, Channel::Modulation::DvbS2Qpsk};
    int gainDb = -10;

    // Read back from a kept address and options; what is not in them stays as above.
    static TransmitChoice from(const QString& address, const QString& options);
};

// The address `destination` is filled in with. For the Pluto's RTMP input the host and port
// are taken from `current` when it is such an address already (a Pluto that is not at
// 192.168.2.1), the call sign is the one on the card.
QString destinationAddress(const StreamDestination& destination, const TransmitChoice& choice,
                           const QString& callSign, const QString& current = QString());

// `options` with the channel's --symbol-rate, --fec and --modulation in place of any channel
// or --muxrate there was; with `channel` empty, the channel's options taken out. The rest is
// kept as typed.
QString optionsWithChannel(const QString& options, const std::optional<Channel>& channel);

// The Pluto firmware reads its transmit settings from the RTMP application and the call sign
// from the stream's name: rtmp://HOST:7272/,MHz,MODE,CONSTELLATION,kS,FEC,GAIN,nocalib,800,
// 32,/,CALL, (FEC as digits: 23 for 2/3). A call sign with a "/" (PA3XYZ/P) would move the
// split that FFmpeg makes from the address, so both are given to it apart.
struct RtmpNames {
    QString application, stream;
};
std::optional<RtmpNames> plutoRtmpNames(const QString& address);

} // namespace kalvora
