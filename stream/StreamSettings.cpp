#include "stream/StreamSettings.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

// Kbch of the DVB-S2 normal frame, by code rate (ETSI EN 302 307-1, table 5a).
struct Kbch {
    int numerator, denominator, bits;
};
constexpr Kbch S2Codes[] = {{1, 4, 16008}, {1, 3, 21408}, {2, 5, 25728}, {1, 2, 32208},
                            {3, 5, 38688}, {2, 3, 43040}, {3, 4, 48408}, {4, 5, 51648},
                            {5, 6, 53840}, {8, 9, 57472}, {9, 10, 58192}};

} // namespace

StreamSettings::Container StreamSettings::container() const {
    const QString lower = url.toLower();
    return lower.startsWith(QLatin1String("rtmp")) || lower.endsWith(QLatin1String(".flv"))
               ? Container::Flv
               : Container::TransportStream;
}

qint64 StreamSettings::effectiveVideoBitrate() const {
    if (videoBitrate > 0)
        return videoBitrate;
    if (muxRate > 0)
        return videoBitrateForMuxRate(muxRate);
    return 1000000;
}

qint64 StreamSettings::transportMuxRate() const {
    if (container() != Container::TransportStream)
        return 0;
    if (muxRate > 0)
        return muxRate;
    return std::min(MaxMuxRate, qint64(std::ceil(effectiveVideoBitrate() / 0.725)) + 60000);
}

QString StreamSettings::addressProblem() const {
    for (const QChar c : url)
        if (c.category() == QChar::Other_Control)
            return c == QLatin1Char('\n') || c == QLatin1Char('\r')
                       ? QStringLiteral("the address has a line break; it must be one line")
                       : QStringLiteral("the address has a control character (U+%1)")
                             .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    if (url.size() > MaxStreamTextLength)
        return QStringLiteral("the address is %1 characters long; at most %2 are taken")
            .arg(url.size())
            .arg(MaxStreamTextLength);
    static const QRegularExpression network(
        QStringLiteral("^([a-z]+)://(?:[^/@?#]*@)?(\\[[^\\]]*\\]|[^/:?#]*)(:([^/?#]*))?"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = network.match(url);
    if (!match.hasMatch())
        return QString();
    const QString scheme = match.captured(1).toLower();
    // (An SRT listener waits on a port of its own: no host.)
    const bool listener = url.contains(QLatin1String("mode=listener"));
    if (match.captured(2).isEmpty() && !listener)
        return QStringLiteral("%1 has no host to send to").arg(url);
    const bool portNeeded = scheme == QLatin1String("udp") || scheme == QLatin1String("srt");
    if (match.captured(3).isEmpty()) {
        if (portNeeded)
            return QStringLiteral("%1 has no port (like %2://%3:1314)")
                .arg(url, scheme, match.captured(2));
        return QString();
    }
    bool ok = false;
    const int port = match.captured(4).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return QStringLiteral("the port \"%1\" of %2 is not one from 1 to 65535")
            .arg(match.captured(4), url);
    return QString();
}

QString StreamSettings::serviceNameFor(const QString& callSign) const {
    return serviceName.isEmpty() ? callSign : serviceName;
}

namespace {

// The bytes a name takes in the SDT as FFmpeg writes it: UTF-8 after a 0x15 where any letter
// is not ASCII.
int sdtBytes(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const bool ascii =
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; });
    return int(utf8.size()) + (ascii ? 0 : 1);
}

bool hasControl(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

QString StreamSettings::serviceProblem(const QString& callSign) const {
    if (container() != Container::TransportStream)
        return QString();
    const QString name = serviceNameFor(callSign);
    if (hasControl(name) || hasControl(serviceProvider))
        return QStringLiteral("the service name and provider may not hold control characters or "
                              "line breaks");
    // Descriptor: type, the provider's length, provider, the name's length, name.
    const int room = 255 - 3;
    const int used = sdtBytes(name) + sdtBytes(serviceProvider);
    if (used > room)
        return QStringLiteral("the service name \"%1\" and provider \"%2\" take %3 bytes in the "
                              "SDT, which carries %4 for both; give a shorter --service-name")
            .arg(name.left(40) + (name.size() > 40 ? QStringLiteral("...") : QString()),
                 serviceProvider.left(40) +
                     (serviceProvider.size() > 40 ? QStringLiteral("...") : QString()))
            .arg(used)
            .arg(room);
    return QString();
}

QStringList StreamSettings::serviceWarnings(const QString& callSign) const {
    if (container() != Container::TransportStream || !serviceProblem(callSign).isEmpty())
        return {};
    const QString name = serviceNameFor(callSign);
    QStringList warnings;
    if (name.trimmed().isEmpty())
        warnings << QStringLiteral("the service has no name: receivers list it without one "
                                   "(fill in the call sign or give --service-name)");
    if (name.size() > 15)
        warnings << QStringLiteral("the service name \"%1\" has %2 characters; some receivers "
                                   "show only the first 15")
                        .arg(name)
                        .arg(name.size());
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x80; }))
        warnings << QStringLiteral("the service name \"%1\" has letters outside ASCII; some "
                                   "receivers garble them")
                        .arg(name);
    return warnings;
}

Canvas StreamSettings::canvas() const {
    return Canvas::forStream(size, wide);
}

std::vector<std::pair<int, int>> Channel::codeRates(Modulation modulation) {
    if (modulation == Modulation::DvbS)
        return {{1, 2}, {2, 3}, {3, 4}, {5, 6}, {7, 8}};
    std::vector<std::pair<int, int>> rates;
    for (const Kbch& code : S2Codes)
        // 8PSK has no code rate below 3/5.
        if (modulation == Modulation::DvbS2Qpsk || code.numerator * 5 >= code.denominator * 3)
            rates.emplace_back(code.numerator, code.denominator);
    return rates;
}

std::optional<qint64> Channel::muxRate() const {
    if (symbolRate <= 0 || fecDenominator <= 0)
        return std::nullopt;
    const std::vector<std::pair<int, int>> rates = codeRates(modulation);
    if (std::find(rates.begin(), rates.end(), std::make_pair(fecNumerator, fecDenominator)) ==
        rates.end())
        return std::nullopt;
    if (modulation == Modulation::DvbS)
        return qint64(std::floor(symbolRate * 2 * fecNumerator / fecDenominator * 188 / 204));
    const int bitsPerSymbol = modulation == Modulation::DvbS2Qpsk ? 2 : 3;
    const Kbch& code = *std::find_if(std::begin(S2Codes), std::end(S2Codes), [&](const Kbch& k) {
        return k.numerator == fecNumerator && k.denominator == fecDenominator;
    });
    return qint64(std::floor(symbolRate * (code.bits - 80) / (64800.0 / bitsPerSymbol + 90)));
}

qint64 videoBitrateForMuxRate(qint64 muxRate) {
    return std::max<qint64>(20000, qint64((muxRate - 60000) * 0.725));
}

std::optional<double> parseRate(const QString& text) {
    static const QRegularExpression rate(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)([kKmM]?)$"));
    const QRegularExpressionMatch match = rate.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    double value = match.captured(1).toDouble();
    const QString unit = match.captured(2).toLower();
    if (unit == QLatin1String("k"))
        value *= 1e3;
    else if (unit == QLatin1String("m"))
        value *= 1e6;
    if (value <= 0)
        return std::nullopt;
    return value;
}

std::optional<std::pair<int, int>> parseFec(const QString& text) {
    static const QRegularExpression fec(QStringLiteral("^([0-9]+)/([0-9]+)$"));
    const QRegularExpressionMatch match = fec.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int n = match.captured(1).toInt(), d = match.captured(2).toInt();
    if (n <= 0 || d <= n)
        return std::nullopt;
    return std::make_pair(n, d);
}

std::optional<Channel::Modulation> parseModulation(const QString& text) {
    if (text == QLatin1String("dvbs"))
        return Channel::Modulation::DvbS;
    if (text == QLatin1String("dvbs2-qpsk"))
        return Channel::Modulation::DvbS2Qpsk;
    if (text == QLatin1String("dvbs2-8psk"))
        return Channel::Modulation::DvbS28psk;
    return std::nullopt;
}

QString modulationName(Channel::Modulation modulation) {
    switch (modulation) {
    case Channel::Modulation::DvbS:
        return QStringLiteral("dvbs");
    case Channel::Modulation::DvbS2Qpsk:
        return QStringLiteral("dvbs2-qpsk");
    case Channel::Modulation::DvbS28psk:
        break;
    }
    return QStringLiteral("dvbs2-8psk");
}

} // namespace kalvora
