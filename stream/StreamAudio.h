#pragma once

#include "stream/StreamSettings.h"

#include <QString>
#include <vector>

namespace kalvora {

// The stream's sound, sample by sample: silence, a 1 kHz tone at -18 dBFS, or the call sign in
// Morse (800 Hz at the same level, 20 words per minute) at the start and every `identMinutes`,
// silence between. Each Morse element rises and falls over 5 ms, so that it keys without
// clicks.
class StreamAudio {
public:
    StreamAudio(StreamSettings::Audio kind, const QString& callSign, int identMinutes,
                int sampleRate);

    // The next `count` samples, from -1 to 1.
    void fill(float* samples, int count);
    // The Morse ident from the next sample on, besides the timed ones (the ident card went on
    // air); not over a tone, which stays the test signal it was chosen as.
    void startIdent();

    static constexpr double Level = 0.12589254; // -18 dBFS
    static constexpr double ToneHz = 1000;
    static constexpr double MorseHz = 800;
    static constexpr int WordsPerMinute = 20;
    // The text in Morse, letters apart by a blank and words by " / " (".--. .. / -...."); what
    // Morse has no sign for is left out.
    static QString morse(const QString& text);
    // How long one ident lasts, in seconds.
    double identSeconds() const { return double(m_keyed.size()) * UnitSeconds; }

private:
    // PARIS timing: a dot is 1.2 s / words per minute.
    static constexpr double UnitSeconds = 1.2 / WordsPerMinute;
    // Whether the key is down, per dot unit of one ident.
    double keyLevel(double secondsIntoIdent) const;

    StreamSettings::Audio m_kind;
    int m_sampleRate;
    double m_identPeriod;
    std::vector<bool> m_keyed;
    long long m_sample = 0;
    long long m_identStart = -1; // the sample an ident asked for began at; -1: none
};

} // namespace kalvora
