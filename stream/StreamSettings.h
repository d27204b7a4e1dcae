#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace kalvora {

// What a network stream is made of and where it goes: the options of `kalvora --stream` and of
// the Uitzenden dialog.
struct StreamSettings {
    enum class Container { TransportStream, Flv };
    enum class Audio { None, Silence, Tone, Ident };

    QString url;     // udp://, srt://, rtmp://, or a file name ending in .ts or .flv
    int pattern = 1; // 1 or 2
    int fps = 25;
    QSize size{808, 608};
    QString codec = QStringLiteral("h264"); // h264, hevc or mpeg2
    qint64 videoBitrate = 0;                // bit/s; 0: from the mux rate, or 1 Mbit/s
    double keyframeSeconds = 1;
    qint64 muxRate = 0;  // bit/s of the transport stream; 0: variable
    QString serviceName; // empty: the pattern's call sign
    QString serviceProvider = QStringLiteral("Kalvora");
    Audio audio = Audio::None;
    int identMinutes = 10;

    // The container the address asks for: FLV for rtmp:// and .flv, otherwise a transport
    // stream.
    Container container() const;
    // The bitrate the video gets: the one given, else what the mux rate leaves, else 1 Mbit/s.
    qint64 effectiveVideoBitrate() const;
    // 4:3 pixels at 720 x 576 and 704 x 576 (PAL), square pixels elsewhere.
    bool paddedTo43() const;
};

// The channel a DVB transmitter sends on, from which the transport stream's rate follows.
struct Channel {
    enum class Modulation { DvbS, DvbS2Qpsk, DvbS28psk };
    double symbolRate = 0; // symbols per second
    int fecNumerator = 0;
    int fecDenominator = 0;
    Modulation modulation = Modulation::DvbS;

    // The useful bit rate of the channel, bit/s: DVB-S: symbol rate x 2 x FEC x 188/204;
    // DVB-S2 (normal frames, no pilots): symbol rate x (Kbch - 80) / (64800 / bits per symbol
    // + 90). Nothing for a code rate the modulation does not have.
    std::optional<qint64> muxRate() const;
};

// The video bitrate a transport stream of `muxRate` leaves, by the rule DATV stations use:
// (rate - 60 kbit/s) x 0.725.
qint64 videoBitrateForMuxRate(qint64 muxRate);

// "333k", "1.5M", "2000000": a rate in plain numbers or with k/M; nothing for anything else.
std::optional<double> parseRate(const QString& text);
// "3/4": a code rate; nothing for anything else.
std::optional<std::pair<int, int>> parseFec(const QString& text);
std::optional<Channel::Modulation> parseModulation(const QString& text);

} // namespace kalvora
