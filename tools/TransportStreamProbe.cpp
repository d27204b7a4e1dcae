#include "TransportStreamProbe.h"

#include <QHash>
#include <algorithm>
#include <cmath>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#endif

namespace kalvora::probe {

namespace {

constexpr int PacketSize = 188;
constexpr int NullPid = 0x1fff;
constexpr int SdtPid = 0x11;

struct PcrSample {
    qint64 packet;
    qint64 pcr; // 27 MHz
};

// The stream's time at `packet`, in 27 MHz ticks, by the PCRs either side of it; -1 outside.
qint64 timeAt(const QList<PcrSample>& pcrs, qint64 packet) {
    const auto after = std::lower_bound(pcrs.begin(), pcrs.end(), packet,
                                        [](const PcrSample& s, qint64 p) { return s.packet < p; });
    if (after == pcrs.end() || after == pcrs.begin())
        return after != pcrs.end() && after->packet == packet ? after->pcr : -1;
    const PcrSample& before = *(after - 1);
    if (after->packet == before.packet)
        return before.pcr;
    return before.pcr +
           (after->pcr - before.pcr) * (packet - before.packet) / (after->packet - before.packet);
}

double longestGapMs(const QList<PcrSample>& pcrs, const QList<qint64>& packets) {
    double longest = -1;
    qint64 previous = -1;
    for (const qint64 packet : packets) {
        const qint64 time = timeAt(pcrs, packet);
        if (time < 0)
            continue;
        if (previous >= 0)
            longest = std::max(longest, double(time - previous) / 27000.0);
        previous = time;
    }
    return longest;
}

} // namespace

QStringList TransportStreamCheck::faults() const {
    QStringList found;
    if (packets == 0)
        return {QStringLiteral("no packets")};
    if (syncErrors)
        found << QStringLiteral("%1 packets out of sync").arg(syncErrors);
    if (continuityErrors)
        found << QStringLiteral("%1 continuity errors").arg(continuityErrors);
    const auto gap = [&found](const char* what, double ms, double limit) {
        if (ms < 0)
            found << QStringLiteral("fewer than two %1").arg(QLatin1String(what));
        else if (ms > limit)
            found << QStringLiteral("%1 %2 ms apart (at most %3)")
                         .arg(QLatin1String(what))
                         .arg(ms, 0, 'f', 1)
                         .arg(limit);
    };
    gap("PCRs", longestPcrGapMs, 40);
    gap("PATs", longestPatGapMs, 500);
    gap("PMTs", longestPmtGapMs, 500);
    gap("SDTs", longestSdtGapMs, 2000);
    return found;
}

TransportStreamCheck checkTransportStream(const QByteArray& stream, int pmtPid) {
    TransportStreamCheck check;
    QHash<int, int> lastCounter;
    QList<PcrSample> pcrs;
    QList<qint64> pats, pmts, sdts;
    const auto* bytes = reinterpret_cast<const uchar*>(stream.constData());
    check.packets = stream.size() / PacketSize;
    for (qint64 index = 0; index < check.packets; ++index) {
        const uchar* p = bytes + index * PacketSize;
        if (p[0] != 0x47) {
            ++check.syncErrors;
            continue;
        }
        const int pid = (p[1] & 0x1f) << 8 | p[2];
        const bool unitStart = p[1] & 0x40;
        const int control = p[3] >> 4 & 3, counter = p[3] & 0xf;
        const bool adaptation = control & 2, payload = control & 1;
        const int adaptationLength = adaptation ? p[4] : -1;
        const bool discontinuity = adaptationLength > 0 && (p[5] & 0x80);
        if (pid != NullPid && payload) {
            const auto last = lastCounter.constFind(pid);
            if (last != lastCounter.cend() && !discontinuity && counter != ((*last + 1) & 0xf) &&
                counter != *last)
                ++check.continuityErrors;
            lastCounter[pid] = counter;
        }
        if (adaptationLength >= 7 && (p[5] & 0x10) && (check.pcrPid < 0 || check.pcrPid == pid)) {
            check.pcrPid = pid;
            const qint64 base = qint64(p[6]) << 25 | qint64(p[7]) << 17 | qint64(p[8]) << 9 |
                                qint64(p[9]) << 1 | p[10] >> 7;
            const qint64 extension = (p[10] & 1) << 8 | p[11];
            pcrs.append({index, base * 300 + extension});
        }
        if (!unitStart || !payload)
            continue;
        const int start = 4 + (adaptation ? adaptationLength + 1 : 0);
        if (start >= PacketSize)
            continue;
        const int tableAt = start + 1 + p[start]; // after the pointer field
        const int table = tableAt < PacketSize ? p[tableAt] : -1;
        if (pid == 0 && table == 0x00)
            pats << index;
        else if (pid == pmtPid && table == 0x02)
            pmts << index;
        else if (pid == SdtPid && table == 0x42)
            sdts << index;
    }
    if (pcrs.size() >= 2) {
        for (qsizetype i = 1; i < pcrs.size(); ++i)
            check.longestPcrGapMs =
                std::max(check.longestPcrGapMs, double(pcrs[i].pcr - pcrs[i - 1].pcr) / 27000.0);
        const double seconds = double(pcrs.last().pcr - pcrs.first().pcr) / 27e6;
        if (seconds > 0)
            check.pcrBitrate =
                double(pcrs.last().packet - pcrs.first().packet) * PacketSize * 8 / seconds;
    }
    check.longestPatGapMs = longestGapMs(pcrs, pats);
    check.longestPmtGapMs = longestGapMs(pcrs, pmts);
    check.longestSdtGapMs = longestGapMs(pcrs, sdts);
    return check;
}

namespace {

// The part of [from, to] that the longest stall overlapping it covers.
qint64 coveredByStalls(qint64 from, qint64 to, const QList<MachineStall>& stalls) {
    qint64 covered = 0;
    for (const MachineStall& stall : stalls)
        covered = std::max(covered, std::min(to, stall.toNanoseconds) -
                                        std::max(from, stall.fromNanoseconds));
    return covered;
}

} // namespace

PacingCheck checkPacing(const QList<Arrival>& arrivals, double muxRate, double skipSeconds,
                        const QList<MachineStall>& machineStalls) {
    PacingCheck check;
    if (arrivals.isEmpty() || muxRate <= 0)
        return check;
    const qint64 from = arrivals.first().nanoseconds + qint64(skipSeconds * 1e9);
    const auto first = std::find_if(arrivals.begin(), arrivals.end(),
                                    [from](const Arrival& a) { return a.nanoseconds >= from; });
    if (first == arrivals.end() || first + 1 == arrivals.end())
        return check;
    constexpr qint64 Quarter = 250000000;
    const qint64 start = first->nanoseconds, end = arrivals.last().nanoseconds;
    check.seconds = double(end - start) / 1e9;
    // A datagram stands for the time from the one before it: the first opens the count.
    qint64 bits = 0;
    QList<qint64> quarters(qsizetype((end - start) / Quarter) + 1, 0);
    for (auto at = first + 1; at != arrivals.end(); ++at) {
        bits += qint64(at->bytes) * 8;
        quarters[qsizetype((at->nanoseconds - start) / Quarter)] += qint64(at->bytes) * 8;
        const qint64 gap = at->nanoseconds - (at - 1)->nanoseconds;
        const double gapMs =
            double(gap - coveredByStalls((at - 1)->nanoseconds, at->nanoseconds, machineStalls)) /
            1e6;
        if (gapMs > PacingCheck::LongGapMs)
            ++check.longGaps;
        else if (double(gap) / 1e6 > PacingCheck::LongGapMs)
            ++check.gapsInStalls;
        if (gapMs > check.longestGapMs) {
            check.longestGapMs = gapMs;
            check.longestGapAt = double(at->nanoseconds - start) / 1e9;
        }
        ++check.datagrams;
    }
    if (check.seconds > 0)
        check.rateRatio = double(bits) / check.seconds / muxRate;
    quarters.removeLast(); // the last quarter second is cut short
    // A sender makes up a stall within milliseconds of it: the quarter second after it is left
    // out where the stall ends this close to it.
    constexpr qint64 MakingUp = 20000000;
    for (qsizetype q = 0; q < quarters.size(); ++q) {
        const qint64 quarterFrom = start + q * Quarter;
        if (coveredByStalls(quarterFrom - MakingUp, quarterFrom + Quarter, machineStalls) > 0) {
            ++check.quartersLeftOut;
            continue;
        }
        ++check.quartersChecked;
        check.worstQuarterSecond =
            std::max(check.worstQuarterSecond, std::abs(double(quarters[q]) * 4 / muxRate - 1));
    }
    return check;
}

#ifdef Q_OS_LINUX

TimedReceiver::TimedReceiver(quint16 port) {
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket < 0)
        return;
    const int on = 1, buffer = 16 << 20;
    ::setsockopt(m_socket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    // Room for seconds of a stream while the reader is busy (root may go past rmem_max).
    if (::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_port = ntohs(address.sin_port);
}

TimedReceiver::~TimedReceiver() {
    if (m_socket >= 0)
        ::close(m_socket);
}

bool TimedReceiver::receive(double seconds, double idleSeconds) {
    if (m_port == 0)
        return false;
    char data[65536];
    char control[CMSG_SPACE(sizeof(timespec))];
    qint64 until = -1;
    for (;;) {
        pollfd waiting{m_socket, POLLIN, 0};
        // The first may take a while: a program starting under Wine, a dialog driven by keys.
        const double wait = until < 0 ? std::max(idleSeconds, 30.0) : idleSeconds;
        if (::poll(&waiting, 1, int(wait * 1000)) <= 0)
            return false;
        iovec part{data, sizeof data};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(m_socket, &message, 0);
        if (received < 0)
            return false;
        qint64 stamp = -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec at{};
                memcpy(&at, CMSG_DATA(c), sizeof at);
                stamp = qint64(at.tv_sec) * 1000000000 + at.tv_nsec;
            }
        if (stamp < 0)
            return false;
        arrivals.append({stamp, int(received)});
        bytes.append(data, received);
        if (until < 0)
            until = stamp + qint64(seconds * 1e9);
        if (stamp >= until)
            return true;
    }
}

MachineStallWatch::MachineStallWatch() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return;
    std::vector<int> cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed))
            cpus.push_back(cpu);
    m_seen.resize(cpus.size());
    for (size_t i = 0; i < cpus.size(); ++i)
        m_threads.emplace_back(&MachineStallWatch::watchCpu, this, cpus[i], std::ref(m_seen[i]));
    // Each thread says at once whether it got its CPU and priority.
    while (m_ready + m_refused < int(cpus.size()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_watching = !cpus.empty() && m_refused == 0;
}

MachineStallWatch::~MachineStallWatch() {
    stop();
}

void MachineStallWatch::watchCpu(int cpu, std::vector<MachineStall>& seen) {
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(cpu, &only);
    const sched_param priority{50}; // above a sender's lowest realtime priority
    if (pthread_setaffinity_np(pthread_self(), sizeof only, &only) != 0 ||
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) != 0) {
        ++m_refused;
        return;
    }
    ++m_ready;
    // The kernel's clock of the datagrams' stamps.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    qint64 last = now();
    while (!m_stop) {
        const timespec millisecond{0, 1000000};
        clock_nanosleep(CLOCK_MONOTONIC, 0, &millisecond, nullptr);
        const qint64 woke = now();
        if (double(woke - last) / 1e6 > StallMs + 1)
            seen.push_back({last, woke});
        last = woke;
    }
}

QList<MachineStall> MachineStallWatch::stop() {
    m_stop = true;
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    QList<MachineStall> all;
    if (!m_watching)
        return all;
    for (const auto& seen : m_seen)
        all.append(QList<MachineStall>(seen.begin(), seen.end()));
    std::sort(all.begin(), all.end(), [](const MachineStall& a, const MachineStall& b) {
        return a.fromNanoseconds < b.fromNanoseconds;
    });
    return all;
}

#else

MachineStallWatch::MachineStallWatch() = default;
MachineStallWatch::~MachineStallWatch() = default;
QList<MachineStall> MachineStallWatch::stop() {
    return {};
}

TimedReceiver::TimedReceiver(quint16) {}
TimedReceiver::~TimedReceiver() = default;
bool TimedReceiver::receive(double, double) {
    return false;
}

#endif

} // namespace kalvora::probe
