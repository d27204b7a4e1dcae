#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>
#include <vector>

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

// A time the machine itself stood still, on the kernel's clock of the arrivals.
struct MachineStall {
    qint64 fromNanoseconds = 0;
    qint64 toNanoseconds = 0;
};

// Watches for the machine standing still: a virtual machine whose host takes a CPU away for a
// tenth of a second when both are busy stops every thread on it, the highest priority too. One
// thread for each CPU, pinned to it at a realtime priority above any sender's, wakes every
// millisecond; a wake-up more than StallMs late is a stall. Realtime needs the privilege for it:
// without it (or off Linux) it watches nothing, so that a thread that was merely outrun never
// counts as the machine's.
class MachineStallWatch {
public:
    static constexpr double StallMs = 10;
    MachineStallWatch();
    ~MachineStallWatch();
    MachineStallWatch(const MachineStallWatch&) = delete;
    MachineStallWatch& operator=(const MachineStallWatch&) = delete;

    bool watching() const { return m_watching; }
    // Stops watching; what it saw, in order.
    QList<MachineStall> stop();

private:
    void watchCpu(int cpu, std::vector<MachineStall>& seen);
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_ready{0};
    std::atomic<int> m_refused{0};
    bool m_watching = false;
    std::vector<std::vector<MachineStall>> m_seen;
    std::vector<std::thread> m_threads;
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
    // With the machine's stalls given, the gaps and quarter seconds above count only the time
    // the machine ran: a gap is what no stall covers, and a quarter second that a stall (or the
    // making up of it) touched is left out. These say how much was left to the machine.
    qint64 gapsInStalls = 0; // long gaps that a stall explains
    qint64 quartersLeftOut = 0;
    qint64 quartersChecked = 0;
};

// How the datagrams after the first `skipSeconds` arrived, against a stream of `muxRate` bit/s.
PacingCheck checkPacing(const QList<Arrival>& arrivals, double muxRate, double skipSeconds = 0,
                        const QList<MachineStall>& machineStalls = {});

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
