#pragma once

#include "station/Canvas.h"
#include "station/Cards.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace kalvora {

// The highest mux rate this build sends, bit/s: where the paced sender on a two-core PC still
// keeps the rate against the wall clock (see --help).
constexpr qint64 MaxMuxRate = 80000000;
// The longest address or option line taken, in characters.
constexpr int MaxStreamTextLength = 4096;

// What a network stream is made of and where it goes: the options of `kalvora --stream` and of
// the Uitzenden dialog.
struct StreamSettings {
    enum class Container { TransportStream, Flv };
    enum class Audio { None, Silence, Tone, Ident };

    QString url; // udp://, srt://, rtmp://, or a file name ending in .ts or .flv
    int fps = 25;
    QSize size = Cards::designSize();       // the card as designed
    bool wide = false;                      // --aspect 16:9
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
    // The rate a transport stream goes at: the mux rate given, else one with room for the video
    // (its bitrate / 0.725 + 60 kbit/s, the rule below the other way round), so that the PCR
    // and the tables come as often in a file or over SRT as on a modulator's UDP. 0 for FLV.
    qint64 transportMuxRate() const;
    bool isFile() const { return !url.contains(QLatin1String("://")); }
    bool isUdp() const { return url.startsWith(QLatin1String("udp://"), Qt::CaseInsensitive); }

    // What is wrong with the address, before anything is opened: a line break, too long, a
    // host or port missing or out of range. Empty when nothing is.
    QString addressProblem() const;
    // The name receivers list: the one given, else the call sign.
    QString serviceNameFor(const QString& callSign) const;
    // Why the service's name and provider cannot go in the SDT (its service descriptor holds
    // 255 bytes, control characters would be taken for a character table); empty when they can.
    QString serviceProblem(const QString& callSign) const;
    // What receivers may make of a name that can be sent: cut after 15 characters, letters
    // outside ASCII garbled, or nothing to show.
    QStringList serviceWarnings(const QString& callSign) const;
    // What the cards are drawn for: the size, and PAL's pixel shape at 720 x 576 and 704 x 576
    // (16:9 ones when `wide`).
    Canvas canvas() const;
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
    // The code rates `modulation` has, low to high.
    static std::vector<std::pair<int, int>> codeRates(Modulation modulation);
};

// The video bitrate a transport stream of `muxRate` leaves, by the rule DATV stations use:
// (rate - 60 kbit/s) x 0.725.
qint64 videoBitrateForMuxRate(qint64 muxRate);

// "333k", "1.5M", "2000000": a rate in plain numbers or with k/M; nothing for anything else.
std::optional<double> parseRate(const QString& text);
// "3/4": a code rate; nothing for anything else.
std::optional<std::pair<int, int>> parseFec(const QString& text);
std::optional<Channel::Modulation> parseModulation(const QString& text);
// The name --modulation takes: dvbs, dvbs2-qpsk, dvbs2-8psk.
QString modulationName(Channel::Modulation modulation);

} // namespace kalvora
