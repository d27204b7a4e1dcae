#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What a broadcast monitor looks at in a transport stream, for the tests and the stream
// benchmark: the packets' sync and continuity, how often the PCR and the tables come (in the
// stream's own time, from its PCR), and, for a stream received over UDP, how evenly and at what
// rate the datagrams arrived by the kernel's clock.
namespace kalvora::probe {

struct TransportStreamCheck {
    qint64 packets = 0;
    qint64 syncErrors = 0;       // packets that do not start with 0x47
    qint64 continuityErrors = 0; // a packet missing, or repeated twice, in a PID's count
    int pcrPid = -1;             // the first PID that carries a PCR
    double pcrBitrate = 0;       // bit/s between the first and the last PCR
    double longestPcrGapMs = -1; // -1: fewer than two seen
    double longestPatGapMs = -1;
    double longestPmtGapMs = -1;
    double longestSdtGapMs = -1;

    // What breaks the rules Kalvora's streams keep: a PCR at least every 40 ms, PAT and PMT
    // every 0.5 s, SDT every 2 s, no sync or continuity error. Empty when nothing does.
    QStringList faults() const;
};

// Reads a transport stream from its first byte; `pmtPid` is where the programme's map is.
TransportStreamCheck checkTransportStream(const QByteArray& stream, int pmtPid = 4095);

// A datagram as it arrived, timed by the kernel.
struct Arrival {
    qint64 nanoseconds = 0;
    int bytes = 0;
};

struct PacingCheck {
    qint64 datagrams = 0;
    double seconds = 0;
    double rateRatio = 0;          // the bits that arrived per second, as a share of the mux rate
    double worstQuarterSecond = 0; // the largest departure of a quarter second from the mux rate
    double longestGapMs = 0;       // between two datagrams
    double longestGapAt = 0;       // seconds into the part checked
    // Gaps longer than LongGapMs: a few where a machine stalled now and then, 25 a second
    // where the stream goes out frame by frame.
    static constexpr double LongGapMs = 20;
    qint64 longGaps = 0;
};

// How the datagrams after the first `skipSeconds` arrived, against a stream of `muxRate` bit/s.
PacingCheck checkPacing(const QList<Arrival>& arrivals, double muxRate, double skipSeconds = 0);

// Takes UDP datagrams on a loopback port, each stamped by the kernel as it came in
// (SO_TIMESTAMPNS), so that the reader's own lateness does not look like gaps in the stream.
// Linux only; elsewhere port() is 0.
class TimedReceiver {
public:
    // On `port` of the loopback address; 0: on one that is free.
    explicit TimedReceiver(quint16 port = 0);
    ~TimedReceiver();
    TimedReceiver(const TimedReceiver&) = delete;
    TimedReceiver& operator=(const TimedReceiver&) = delete;

    int port() const { return m_port; }
    // Receives for `seconds` from the first datagram on; false when none came for
    // `idleSeconds` between two, or for half a minute (at least) before the first.
    bool receive(double seconds, double idleSeconds = 5);

    QList<Arrival> arrivals;
    QByteArray bytes; // what arrived, one datagram after the other

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace kalvora::probe
