#include "stream/StreamAudio.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

const QHash<QChar, QString>& morseCode() {
    static const QHash<QChar, QString> code = [] {
        const char* letters[] = {".-",   "-...", "-.-.", "-..",  ".",    "..-.", "--.",
                                 "....", "..",   ".---", "-.-",  ".-..", "--",   "-.",
                                 "---",  ".--.", "--.-", ".-.",  "...",  "-",    "..-",
                                 "...-", ".--",  "-..-", "-.--", "--.."};
        const char* digits[] = {"-----", ".----", "..---", "...--", "....-",
                                ".....", "-....", "--...", "---..", "----."};
        QHash<QChar, QString> table;
        for (int i = 0; i < 26; ++i)
            table.insert(QChar('A' + i), QString::fromLatin1(letters[i]));
        for (int i = 0; i < 10; ++i)
            table.insert(QChar('0' + i), QString::fromLatin1(digits[i]));
        table.insert(QLatin1Char('/'), QStringLiteral("-..-."));
        return table;
    }();
    return code;
}

constexpr double RampSeconds = 0.005;

} // namespace

QString StreamAudio::morse(const QString& text) {
    QStringList words;
    for (const QString& word : text.toUpper().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QStringList signs;
        for (const QChar c : word)
            if (morseCode().contains(c))
                signs << morseCode().value(c);
        if (!signs.isEmpty())
            words << signs.join(QLatin1Char(' '));
    }
    return words.join(QStringLiteral(" / "));
}

StreamAudio::StreamAudio(StreamSettings::Audio kind, const QString& callSign, int identMinutes,
                         int sampleRate)
    : m_kind(kind), m_sampleRate(sampleRate), m_identPeriod(identMinutes * 60.0) {
    // Dot: 1 unit on; dash: 3; 1 off between elements, 3 between letters, 7 between words.
    const QString code = morse(callSign);
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('.') || c == QLatin1Char('-')) {
            m_keyed.insert(m_keyed.end(), c == QLatin1Char('.') ? 1 : 3, true);
            const bool lastOfLetter = i + 1 == code.size() || code.at(i + 1) == QLatin1Char(' ');
            if (!lastOfLetter)
                m_keyed.push_back(false);
        } else if (c == QLatin1Char(' ') && i + 1 < code.size() &&
                   code.at(i + 1) != QLatin1Char('/') && code.at(i - 1) != QLatin1Char('/')) {
            m_keyed.insert(m_keyed.end(), 3, false);
        } else if (c == QLatin1Char('/')) {
            m_keyed.insert(m_keyed.end(), 7, false);
        }
    }
}

void StreamAudio::startIdent() {
    if (m_kind != StreamSettings::Audio::Tone)
        m_identStart = m_sample;
}

double StreamAudio::keyLevel(double t) const {
    const auto unit = static_cast<size_t>(t / UnitSeconds);
    if (unit >= m_keyed.size() || !m_keyed[unit])
        return 0;
    // Where this element starts and ends: the run of keyed units around this one.
    size_t first = unit, last = unit;
    while (first > 0 && m_keyed[first - 1])
        --first;
    while (last + 1 < m_keyed.size() && m_keyed[last + 1])
        ++last;
    const double fromStart = t - double(first) * UnitSeconds;
    const double toEnd = double(last + 1) * UnitSeconds - t;
    const double edge = std::min({fromStart, toEnd, RampSeconds}) / RampSeconds;
    return 0.5 - 0.5 * std::cos(M_PI * edge);
}

void StreamAudio::fill(float* samples, int count) {
    for (int i = 0; i < count; ++i, ++m_sample) {
        const double t = double(m_sample) / m_sampleRate;
        double value = 0;
        if (m_kind == StreamSettings::Audio::Tone) {
            value = Level * std::sin(2 * M_PI * ToneHz * t);
        } else {
            double level = 0;
            if (m_kind == StreamSettings::Audio::Ident && m_identPeriod > 0)
                level = keyLevel(std::fmod(t, m_identPeriod));
            if (m_identStart >= 0) {
                const double intoAsked = double(m_sample - m_identStart) / m_sampleRate;
                level = std::max(level, keyLevel(intoAsked));
                if (intoAsked > identSeconds())
                    m_identStart = -1;
            }
            value = Level * level * std::sin(2 * M_PI * MorseHz * t);
        }
        samples[i] = float(value);
    }
}

} // namespace kalvora
