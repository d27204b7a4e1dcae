#include "stream/StreamDestination.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

using Kind = StreamDestination::Kind;

// The Pluto's own address on its USB network, and the RTMP port of its DATV firmware.
constexpr const char* PlutoRtmp = "rtmp://192.168.2.1:7272";

// What the firmware's parameters after the gain are for every sender: no calibration, the
// PCR/PTS delay in ms, the audio's kbit/s.
constexpr const char* PlutoTail = "nocalib,800,32";

QString modeName(Channel::Modulation modulation) {
    return modulation == Channel::Modulation::DvbS ? QStringLiteral("DVBS")
                                                   : QStringLiteral("DVBS2");
}

QString constellationName(Channel::Modulation modulation) {
    return modulation == Channel::Modulation::DvbS28psk ? QStringLiteral("8PSK")
                                                        : QStringLiteral("QPSK");
}

QString rateText(double rate) {
    const qint64 whole = qint64(std::llround(rate));
    return whole % 1000 == 0 ? QStringLiteral("%1k").arg(whole / 1000) : QString::number(whole);
}

// The option names a channel is given by, and the one it replaces.
bool isChannelOption(const QString& name) {
    return name == QLatin1String("--symbol-rate") || name == QLatin1String("--fec") ||
           name == QLatin1String("--modulation") || name == QLatin1String("--muxrate");
}

// Words back into one line that QProcess::splitCommand (which reads the options) splits the
// same way: a word with a blank or a quote in quotes, its quotes tripled.
QString joinCommand(const QStringList& words) {
    QStringList quoted;
    for (QString word : words) {
        if (word.isEmpty() || word.contains(QLatin1Char(' ')) || word.contains(QLatin1Char('\t')) ||
            word.contains(QLatin1Char('"')))
            word = QLatin1Char('"') + word.replace(QLatin1String("\""), QLatin1String("\"\"\"")) +
                   QLatin1Char('"');
        quoted << word;
    }
    return quoted.join(QLatin1Char(' '));
}

// The fields of a Pluto RTMP address, when it is one: the application's nine (MHz to the
// audio's rate), then the call sign. Read without QRegularExpression: the stream's own thread
// reads it too, and a thread that ran one leaves a JIT stack that MinGW's runtime frees on a
// dead pointer when the thread ends (Stop crashed the Windows build).
std::optional<QStringList> plutoFields(const QString& address) {
    const QLatin1String scheme("rtmp://");
    if (!address.startsWith(scheme, Qt::CaseInsensitive) || !address.endsWith(QLatin1Char(',')))
        return std::nullopt;
    const qsizetype slash = address.indexOf(QLatin1Char('/'), scheme.size());
    if (slash <= scheme.size() || address.mid(slash + 1, 1) != QLatin1String(","))
        return std::nullopt;
    QStringList fields;
    qsizetype at = slash + 2;
    for (int i = 0; i < 9; ++i) { // ",437,DVBS2,...,32,"
        const qsizetype comma = address.indexOf(QLatin1Char(','), at);
        if (comma < 0)
            return std::nullopt;
        fields << address.mid(at, comma - at);
        if (fields.last().contains(QLatin1Char('/')))
            return std::nullopt;
        at = comma + 1;
    }
    if (address.mid(at, 2) != QLatin1String("/,"))
        return std::nullopt;
    fields << address.mid(at + 2, address.size() - at - 3); // "/,CALL,"
    return fields;
}

} // namespace

const std::vector<StreamDestination>& streamDestinations() {
    static const std::vector<StreamDestination> destinations = {
        {"modulator", "DATV-modulator op deze pc (UDP 1314)", "udp://127.0.0.1:1314", Kind::Udp},
        {"pluto", "PlutoSDR met DATV-firmware (UDP 8282)", "udp://192.168.2.1:8282", Kind::Udp},
        {"pluto-multicast", "PlutoSDR, nieuwere firmware (multicast 239.0.0.1:5004)",
         "udp://239.0.0.1:5004?ttl=1", Kind::Udp},
        {"pluto-rtmp", "PlutoSDR, RTMP-ingang (7272)", PlutoRtmp, Kind::PlutoRtmp},
        {"sdr", "SDR-programma op deze pc (UDP 5004)", "udp://127.0.0.1:5004", Kind::Udp},
        {"rtmp", "RTMP-server van de club", "rtmp://server.van.de.club/live/", Kind::Rtmp},
        {"srt", "SRT", "srt://server.van.de.club:9000", Kind::Srt},
        {"file", "Bestand", "kalvora.ts", Kind::File},
    };
    return destinations;
}

const StreamDestination& streamDestination(const QString& key) {
    const auto& all = streamDestinations();
    const auto found = std::find_if(all.begin(), all.end(), [&](const StreamDestination& d) {
        return key == QLatin1String(d.key);
    });
    return found == all.end() ? all.front() : *found;
}

TransmitChoice TransmitChoice::from(const QString& address, const QString& options) {
    TransmitChoice choice;
    if (const auto fields = plutoFields(address)) {
        bool ok = false;
        if (const double mhz = (*fields)[0].toDouble(&ok); ok && mhz > 0)
            choice.frequencyMHz = mhz;
        if (const int gain = (*fields)[5].toInt(&ok); ok)
            choice.gainDb = gain;
    }
    const QStringList words = QProcess::splitCommand(options);
    // Given as "--fec 2/3" or "--fec=2/3", as the command line takes them.
    const auto value = [&words](const char* name) {
        const QString given = QLatin1String(name), joined = given + QLatin1Char('=');
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i] == given && i + 1 < words.size())
                return words[i + 1];
            if (words[i].startsWith(joined))
                return words[i].mid(joined.size());
        }
        return QString();
    };
    Channel channel;
    const auto symbols = parseRate(value("--symbol-rate"));
    const auto fec = parseFec(value("--fec"));
    const auto modulation = parseModulation(value("--modulation"));
    if (symbols && fec && modulation) {
        channel.symbolRate = *symbols;
        std::tie(channel.fecNumerator, channel.fecDenominator) = *fec;
        channel.modulation = *modulation;
        if (channel.muxRate())
            choice.channel = channel;
    }
    return choice;
}

QString destinationAddress(const StreamDestination& destination, const TransmitChoice& choice,
                           const QString& callSign, const QString& current) {
    if (destination.kind == Kind::File) {
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        return videos.isEmpty() ? QLatin1String(destination.address)
                                : videos + QLatin1Char('/') + QLatin1String(destination.address);
    }
    if (destination.kind == Kind::Rtmp)
        return QLatin1String(destination.address) + callSign;
    if (destination.kind != Kind::PlutoRtmp)
        return QLatin1String(destination.address);
    QString host = QLatin1String(destination.address);
    if (plutoFields(current))
        host = current.left(current.indexOf(QLatin1Char('/'), int(qstrlen("rtmp://"))));
    const Channel& c = choice.channel;
    const QStringList application = {QString::number(choice.frequencyMHz, 'g', 12),
                                     modeName(c.modulation),
                                     constellationName(c.modulation),
                                     QString::number(std::llround(c.symbolRate / 1000)),
                                     QString::number(c.fecNumerator) +
                                         QString::number(c.fecDenominator),
                                     QString::number(choice.gainDb),
                                     QLatin1String(PlutoTail)};
    return host + QStringLiteral("/,") + application.join(QLatin1Char(',')) +
           QStringLiteral(",/,") + callSign + QLatin1Char(',');
}

QString optionsWithChannel(const QString& options, const std::optional<Channel>& channel) {
    const QStringList words = QProcess::splitCommand(options);
    QStringList kept;
    for (int i = 0; i < words.size(); ++i) {
        const QString name = words[i].section(QLatin1Char('='), 0, 0);
        if (!isChannelOption(name)) {
            kept << words[i];
            continue;
        }
        if (!channel && name == QLatin1String("--muxrate")) {
            kept << words[i]; // a rate given for a file or a server stays
            if (!words[i].contains(QLatin1Char('=')) && i + 1 < words.size())
                kept << words[++i];
            continue;
        }
        if (!words[i].contains(QLatin1Char('=')))
            ++i; // its value
    }
    if (channel)
        kept << QStringLiteral("--symbol-rate") << rateText(channel->symbolRate)
             << QStringLiteral("--fec")
             << QStringLiteral("%1/%2").arg(channel->fecNumerator).arg(channel->fecDenominator)
             << QStringLiteral("--modulation") << modulationName(channel->modulation);
    return joinCommand(kept);
}

std::optional<RtmpNames> plutoRtmpNames(const QString& address) {
    const auto fields = plutoFields(address);
    if (!fields)
        return std::nullopt;
    RtmpNames names;
    names.application =
        QLatin1Char(',') + fields->mid(0, 9).join(QLatin1Char(',')) + QLatin1Char(',');
    names.stream = QLatin1Char(',') + fields->at(9) + QLatin1Char(',');
    return names;
}

} // namespace kalvora
