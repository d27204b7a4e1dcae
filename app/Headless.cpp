#include "app/Headless.h"

#include "app/CommandLine.h"
#include "app/FrameStream.h"
#include "app/WindowRegistry.h"
#include "files/SafeFile.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "station/Station.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>
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

// The station started, and the window of the chosen pattern made to draw its frames.
PatternWindow& startWith(WindowRegistry& windows, const Options& options) {
    windows.station().start();
    if (options.pattern == 2)
        return windows.pattern2();
    return windows.display();
}

// The picture format the file name asks for, from its ending; empty when there is none we
// can write.
QByteArray snapshotFormat(const QString& file) {
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray();
}

} // namespace

int writeSnapshot(WindowRegistry& windows, const Options& options) {
    const QByteArray format = snapshotFormat(options.snapshotFile);
    if (format.isEmpty()) {
        std::fprintf(stderr,
                     "kalvora: cannot tell the picture format from the name %s; end it in .png "
                     "(nothing was written)\n",
                     qPrintable(options.snapshotFile));
        return 2;
    }
    // Rendered at one pixel per pixel: 808 x 608 whatever scaling Qt applies to the screen.
    const QImage& picture = startWith(windows, options).frames().frame();
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

int streamFrames(WindowRegistry& windows, const Options& options) {
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
    // An encoder transmits from the first frame on, so that frame must be whole: the time and
    // date, which the window only gets at the next second, and the ticker's first step.
    PatternWindow& pattern = startWith(windows, options);
    Station& station = windows.station();
    station.Timer1_Timer();
    if (station.ticker.Timer3.isActive())
        station.ticker.Timer3_Timer();
    FrameStream stream(pattern.frames(), station.clock(), options.fps, out);
    // Queued: a first frame that cannot go out ends the stream before the event loop runs.
    QObject::connect(&stream, &FrameStream::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    stream.start();
    return QCoreApplication::exec();
}

} // namespace kalvora
