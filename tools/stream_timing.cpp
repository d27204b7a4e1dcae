// Times a live UDP stream by the kernel's receive clock: the rate that arrived against the mux
// rate (over the whole run and each minute), the worst quarter second, the longest gap between
// datagrams, and what a broadcast monitor would say of the packets. Optionally with busy
// processes beside it, as on a loaded station PC.
//
//   stream_timing [--port PORT] [--save FILE] SECONDS BUSY MUXRATE PROGRAM ARGUMENTS...
//
// "{port}" in the arguments becomes the loopback port the reader listens on (PORT where one is
// given: a destination's own, like the SDR software's 5004); the first two seconds, in which
// the stream settles, are not counted. FILE keeps what arrived, for ffprobe.
#include "TransportStreamProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cstdio>

using namespace kalvora::probe;

namespace {

constexpr double SettleSeconds = 2;

void print(const char* what, const PacingCheck& c) {
    std::printf(
        "%-14s %7.1f s  rate %.4f %%  worst quarter second %.2f %% off  longest gap "
        "%.1f ms (at %.1f s)  left to the machine's stalls: %lld gaps, %lld quarter seconds\n",
        what, c.seconds, c.rateRatio * 100, c.worstQuarterSecond * 100, c.longestGapMs,
        c.longestGapAt, static_cast<long long>(c.gapsInStalls),
        static_cast<long long>(c.quartersLeftOut));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();
    quint16 port = 0;
    QString saveTo;
    while (arguments.size() > 2 &&
           (arguments[1] == QLatin1String("--port") || arguments[1] == QLatin1String("--save"))) {
        if (arguments[1] == QLatin1String("--port"))
            port = quint16(arguments[2].toUInt());
        else
            saveTo = arguments[2];
        arguments.remove(1, 2);
    }
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: stream_timing [--port PORT] [--save FILE] SECONDS BUSY "
                             "MUXRATE PROGRAM ARGUMENTS...\n");
        return 2;
    }
    const double seconds = arguments[1].toDouble(), muxRate = arguments[3].toDouble();
    const int busy = arguments[2].toInt();
    TimedReceiver receiver(port);
    if (receiver.port() == 0) {
        std::fprintf(stderr,
                     port ? "stream_timing: loopback port %d is taken\n"
                          : "stream_timing: no loopback socket with kernel timestamps "
                            "here\n",
                     int(port));
        return 1;
    }
    QStringList programArguments = arguments.mid(5);
    for (QString& argument : programArguments)
        argument.replace(QLatin1String("{port}"), QString::number(receiver.port()));
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(arguments[4], programArguments);
    // Busy processes, each a core's worth, ended with the run (and by `timeout` in any case;
    // SIGTERM, not SIGKILL, reaches the shell through it).
    QList<QProcess*> load;
    for (int i = 0; i < busy; ++i) {
        auto* spinner = new QProcess;
        spinner->start(QStringLiteral("timeout"),
                       {QString::number(int(seconds + 30)), QStringLiteral("sh"),
                        QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        load << spinner;
    }
    // What the machine itself stood still for (a virtual machine's host) is told apart.
    MachineStallWatch machine;
    const bool received = receiver.receive(seconds + SettleSeconds);
    const QList<MachineStall> stalls = machine.stop();
    for (QProcess* spinner : load) {
        spinner->terminate(); // timeout passes it on to its busy shell
        spinner->waitForFinished();
        delete spinner;
    }
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    if (!received && receiver.arrivals.isEmpty()) {
        std::fprintf(stderr, "stream_timing: nothing arrived\n");
        return 1;
    }
    std::printf(
        "%d busy processes, mux rate %.0f bit/s, %s\n", busy, muxRate,
        machine.watching()
            ? qPrintable(QStringLiteral("the machine stood still %1 times").arg(stalls.size()))
            : "the machine's stalls not watched (no realtime priority)");
    print("whole run", checkPacing(receiver.arrivals, muxRate, SettleSeconds, stalls));
    // Minute by minute, from the end of the settling.
    const qint64 start = receiver.arrivals.first().nanoseconds;
    for (int minute = 0; (minute + 1) * 60 <= seconds; ++minute) {
        QList<Arrival> part;
        const qint64 from = start + qint64((SettleSeconds + minute * 60) * 1e9),
                     to = from + qint64(60e9);
        for (const Arrival& a : std::as_const(receiver.arrivals))
            if (a.nanoseconds >= from && a.nanoseconds <= to)
                part << a;
        print(qPrintable(QStringLiteral("minute %1").arg(minute + 1)),
              checkPacing(part, muxRate, 0, stalls));
    }
    if (!saveTo.isEmpty()) {
        QFile file(saveTo);
        if (!file.open(QIODevice::WriteOnly) || file.write(receiver.bytes) != receiver.bytes.size())
            std::fprintf(stderr, "stream_timing: cannot keep the stream in %s\n",
                         qPrintable(saveTo));
    }
    const TransportStreamCheck packets = checkTransportStream(receiver.bytes);
    std::printf("packets %lld, PCR every %.1f ms at most, PAT %.0f ms, PMT %.0f ms, SDT %.0f ms, "
                "bitrate by the PCR %.0f bit/s\n",
                static_cast<long long>(packets.packets), packets.longestPcrGapMs,
                packets.longestPatGapMs, packets.longestPmtGapMs, packets.longestSdtGapMs,
                packets.pcrBitrate);
    const QStringList faults = packets.faults();
    std::printf("%s\n", faults.isEmpty() ? "no faults"
                                         : qPrintable(QStringLiteral("faults: ") +
                                                      faults.join(QStringLiteral("; "))));
    return 0;
}
