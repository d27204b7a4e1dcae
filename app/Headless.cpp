#include "app/Headless.h"

#include "app/CommandLine.h"
#include "app/FrameStream.h"
#include "app/RemoteControl.h"
#include "app/ServiceNotifier.h"
#include "app/StationStream.h"
#include "files/SafeFile.h"
#include "pattern/OnAirFrames.h"
#include "station/Station.h"
#include "stream/StreamOutput.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kalvora {

namespace {

// The station started without screens, and the chosen card's frames made. An encoder
// transmits from the first frame on, so that frame must be whole: the time and date, which
// the clock would only give at the next second, and the ticker's first step.
std::unique_ptr<OnAirFrames> startWith(Station& station, const Options& options, int fps) {
    station.Timer1_Timer();
    // A carousel or an ident card changes the card from one frame to the next.
    const Rooster& rooster = station.rooster();
    const bool scheduled = !rooster.carousel.isEmpty() || rooster.ident.seconds > 0;
    return std::make_unique<OnAirFrames>(station, fps, scheduled ? QString() : options.card,
                                         options.canvas);
}

// The picture format the file name asks for, from its ending; empty when there is none we
// can write.
QByteArray snapshotFormat(const QString& file) {
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray();
}

// The web page, where --web or the settings ask for one, and MQTT where --mqtt does. False,
// having said why, when they cannot be; a page without a password yet is said and goes on.
bool serveRemote(RemoteControl& remote, const Options& options) {
    const QString problem =
        remote.serve(options.webAddress, options.webCertificate, options.webKey);
    if (!problem.isEmpty())
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(problem));
    if (!problem.isEmpty() && !remote.serving())
        return false;
    const QString mqtt = remote.connectMqtt(options.mqttUrl, options.mqttUser, options.mqttPassword,
                                            options.mqttCaFile);
    if (!mqtt.isEmpty())
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(mqtt));
    return mqtt.isEmpty();
}

} // namespace

int startStation(Station& station, const Options& options) {
    const QString logFolder =
        options.logFolder.isEmpty() ? OnAirLog::defaultFolder() : options.logFolder;
    station.setLog(std::make_unique<OnAirLog>(
        logFolder, [] { return QDateTime::currentDateTimeUtc(); },
        [](const QString& problem) {
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(problem));
        }));
    station.start(Station::Screens::None);
    const std::optional<Card> card = station.card(options.card);
    if (!card) {
        std::fprintf(stderr,
                     "kalvora: there is no card \"%s\": the cards are %s, and the pictures in %s "
                     "(nothing was written)\n",
                     qPrintable(options.card), qPrintable(Cards::namesForMessage()),
                     qPrintable(QDir::toNativeSeparators(station.cardsFolder())));
        return 2;
    }
    if (card->kind == Card::Kind::Picture) {
        const Card checked = Cards::pictureCard(card->picture);
        if (!checked.problem.isEmpty()) {
            std::fprintf(stderr, "kalvora: the picture %s cannot be shown: %s\n",
                         qPrintable(QDir::toNativeSeparators(card->picture)),
                         qPrintable(checked.problem));
            return 1;
        }
    }
    // The schedule the settings keep, with what the command line gives for this run.
    Rooster rooster = station.rooster();
    if (options.onAirHours)
        rooster.hours = *options.onAirHours;
    if (options.carousel)
        rooster.carousel = *options.carousel;
    if (options.identCardMinutes)
        rooster.ident.minutes = *options.identCardMinutes;
    if (options.identCardSeconds)
        rooster.ident.seconds = *options.identCardSeconds;
    if (const QString unknown = station.unknownCard(rooster.carousel); !unknown.isEmpty()) {
        std::fprintf(stderr, "kalvora: --carousel: there is no card \"%s\"\n", qPrintable(unknown));
        return 2;
    }
    if (options.mode != Options::Mode::Snapshot) {
        station.chooseCard(options.card, false);
        station.setRooster(rooster);
        if (options.standbyAtStart)
            station.goToStandby(QStringLiteral("standby at start"));
    }
    // For this run only: the contest number and band kept in the settings stay as they are.
    if (options.contestNumber || !options.band.isEmpty()) {
        const QString band = options.band.isEmpty() ? station.contestBand() : options.band;
        station.setContest(band, options.contestNumber.value_or(station.contestNumber()), false);
    }
    return 0;
}

int writeSnapshot(Station& station, const Options& options) {
    const QByteArray format = snapshotFormat(options.snapshotFile);
    if (format.isEmpty()) {
        std::fprintf(stderr,
                     "kalvora: cannot tell the picture format from the name %s; end it in .png "
                     "(nothing was written)\n",
                     qPrintable(options.snapshotFile));
        return 2;
    }
    // Rendered at one pixel per pixel: 808 x 608 (or --size) whatever scaling Qt applies to the
    // screen.
    // As it was at start-up: no clock yet, the ticker not moved.
    OnAirFrames frames(station, options.fps, options.card, options.canvas);
    const QImage& picture = frames.still();
    // Encoded whole before the file is touched, then put in place whole: an existing still
    // stays as it was when anything fails.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format.constData())) {
        std::fprintf(stderr, "kalvora: the picture could not be made as %s\n", format.constData());
        return 1;
    }
    const SafeFile::Result saved = SafeFile::replace(options.snapshotFile, bytes);
    if (!saved.ok) {
        std::fprintf(stderr, "kalvora: cannot write %s: %s\n", qPrintable(options.snapshotFile),
                     qPrintable(saved.error));
        return 1;
    }
    return 0;
}

int streamFrames(Station& station, const Options& options) {
#ifdef Q_OS_WIN
    const int out = _fileno(stdout);
    // In text mode every 0x0A byte of a frame would go out as 0x0D 0x0A.
    _setmode(out, _O_BINARY);
#else
    const int out = STDOUT_FILENO;
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is an ordinary end, seen as EPIPE
#endif
    if (isatty(out)) {
        std::fprintf(stderr, "kalvora: --frames writes raw video; pipe it into an encoder "
                             "(see kalvora --help)\n");
        return 2;
    }
    const std::unique_ptr<OnAirFrames> frames = startWith(station, options, options.fps);
    FrameStream stream(*frames, station.clock(), options.fps, out);
    // Queued: a first frame that cannot go out ends the stream before the event loop runs.
    QObject::connect(&stream, &FrameStream::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    // Nothing goes out before the web page and MQTT are up, or the run ends for them.
    RemoteControl remote(station, station.store());
    if (!serveRemote(remote, options))
        return 2;
    // Standby: no frames, so that the encoder they feed sends nothing either.
    QObject::connect(&station, &Station::standbyChanged, &stream, [&stream](bool standby) {
        if (standby)
            stream.stop();
        else
            stream.start();
    });
    if (!station.inStandby())
        stream.start();
    ServiceNotifier service(station);
    service.ready();
    return QCoreApplication::exec();
}

namespace {

std::atomic<bool> stopRequested{false};

void requestStop(int) {
    stopRequested = true;
}

} // namespace

int streamNetwork(Station& station, const Options& options) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#ifndef Q_OS_WIN
    std::signal(SIGPIPE, SIG_IGN); // a connection that closes is an error of the write
#endif
    const std::unique_ptr<OnAirFrames> frames = startWith(station, options, options.fps);
    StreamOutput output(options.stream, *frames, station.clock());
    QObject::connect(&output, &StreamOutput::message, [](const QString& text) {
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(text));
    });
    QObject::connect(&output, &StreamOutput::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (!options.note.isEmpty())
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(options.note));
    for (const QString& warning : output.warnings())
        std::fprintf(stderr, "kalvora: warning: %s\n", qPrintable(warning));
    // Once a minute, how it went.
    QTimer report;
    qint64 sentBefore = 0, droppedBefore = 0;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::fprintf(stderr, "kalvora: last minute: %lld frames sent, %lld dropped, %.0f kbit/s\n",
                     static_cast<long long>(output.framesSent() - sentBefore),
                     static_cast<long long>(output.framesDropped() - droppedBefore),
                     output.bitrate() / 1000);
        sentBefore = output.framesSent();
        droppedBefore = output.framesDropped();
    });
    report.start(60 * 1000);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [&] {
        if (stopRequested)
            QCoreApplication::exit(0);
    });
    stopWatch.start(100);
    // Nothing goes out before the web page and MQTT are up, or the run ends for them.
    RemoteControl remote(station, station.store());
    remote.setStream(remoteStream(output, station));
    if (!serveRemote(remote, options))
        return 2;
    followStation(output, station);
    // Run as a systemd service: ready now, the stream's state in `systemctl status`.
    ServiceNotifier service(station);
    QObject::connect(&output, &StreamOutput::stateChanged, &service, [&] {
        service.status(station.inStandby() ? station.standbyText() : output.statusText());
    });
    service.status(station.inStandby() ? station.standbyText() : output.statusText());
    service.ready();
    const int code = QCoreApplication::exec();
    output.stop();
    return code;
}

} // namespace kalvora
