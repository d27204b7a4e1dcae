#include "stream/StreamSettings.h"

#include <QRegularExpression>
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

bool StreamSettings::paddedTo43() const {
    return size == QSize(720, 576) || size == QSize(704, 576);
}

std::optional<qint64> Channel::muxRate() const {
    if (symbolRate <= 0 || fecDenominator <= 0)
        return std::nullopt;
    if (modulation == Modulation::DvbS) {
        const std::pair<int, int> dvbS[] = {{1, 2}, {2, 3}, {3, 4}, {5, 6}, {7, 8}};
        for (const auto& [n, d] : dvbS)
            if (n == fecNumerator && d == fecDenominator)
                return qint64(std::floor(symbolRate * 2 * n / d * 188 / 204));
        return std::nullopt;
    }
    const int bitsPerSymbol = modulation == Modulation::DvbS2Qpsk ? 2 : 3;
    for (const Kbch& code : S2Codes) {
        if (code.numerator != fecNumerator || code.denominator != fecDenominator)
            continue;
        // 8PSK has no code rate below 3/5.
        if (bitsPerSymbol == 3 && double(code.numerator) / code.denominator < 0.6)
            return std::nullopt;
        return qint64(std::floor(symbolRate * (code.bits - 80) / (64800.0 / bitsPerSymbol + 90)));
    }
    return std::nullopt;
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

} // namespace kalvora
