#include "app/FrameStream.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kalvora {

FrameStream::FrameStream(FrameSource& source, StationClock& clock, int fps, int fd, QObject* parent)
    : QObject(parent), m_source(source), m_fps(fps), m_fd(fd), m_pendingOffset(0),
      m_schedule(clock) {
    // Every frame is aimed at its own moment from the start, so that the rate never drifts;
    // a moment already missed is skipped and counted as dropped.
    m_schedule.setPeriod(1000.0 / fps);
    connect(&m_schedule, &Beat::timeout, this, &FrameStream::frameDue);
    m_reportTimer.setInterval(60 * 1000);
    connect(&m_reportTimer, &QTimer::timeout, this, &FrameStream::report);
#ifndef Q_OS_WIN
    // Never block on a slow reader: a frame that cannot go out yet waits, later ones drop.
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_writable = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &FrameStream::flush);
#endif
}

FrameStream::~FrameStream() = default;

void FrameStream::start() {
    m_reportTimer.start();
    m_schedule.start();
    frameDue();
}

void FrameStream::stop() {
    m_schedule.stop();
    m_reportTimer.stop();
}

void FrameStream::frameDue() {
    if (m_finished)
        return;
    if (m_frame && m_pendingOffset < m_frame->sizeInBytes()) {
        ++m_dropped; // the last frame is still going out
        return;
    }
    // Nothing is rendered while a frame is pending, so it goes out straight from the image.
    // RGB32 is B, G, R, 0xFF in memory on every little-endian machine: BGRA.
    m_frame = &m_source.frameAt(m_schedule.moment());
    m_pendingOffset = 0;
    flush();
}

void FrameStream::flush() {
    const char* bytes = reinterpret_cast<const char*>(m_frame->constBits());
    const qsizetype size = m_frame->sizeInBytes();
    while (m_pendingOffset < size) {
#ifdef Q_OS_WIN
        const auto n = ::_write(m_fd, bytes + m_pendingOffset, unsigned(size - m_pendingOffset));
#else
        const auto n = ::write(m_fd, bytes + m_pendingOffset, size_t(size - m_pendingOffset));
#endif
        if (n > 0) {
            m_pendingOffset += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
#ifdef Q_OS_WIN
        // A pipe whose reader has gone: Windows says "invalid argument", its own error says
        // more.
        if (n < 0 && (_doserrno == ERROR_NO_DATA || _doserrno == ERROR_BROKEN_PIPE)) {
            finish(EPIPE);
            return;
        }
#endif
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (m_writable)
                m_writable->setEnabled(true);
            return;
        }
        finish(n < 0 ? errno : 0);
        return;
    }
    if (m_writable)
        m_writable->setEnabled(false);
    ++m_written;
}

void FrameStream::finish(int error) {
    m_finished = true;
    m_schedule.stop();
    m_reportTimer.stop();
    if (m_writable)
        m_writable->setEnabled(false);
    // A reader that closes the pipe is the ordinary end of a stream.
    if (error == EPIPE) {
        emit finished(0);
        return;
    }
    std::fprintf(stderr, "kalvora: the frames could not be written: %s\n",
                 error ? std::strerror(error) : "the output accepted no more bytes");
    emit finished(1);
}

void FrameStream::report() {
    const qint64 dropped = framesDropped() - m_droppedReported;
    m_droppedReported = framesDropped();
    if (dropped > 0)
        std::fprintf(stderr,
                     "kalvora: %lld frames dropped in the last minute; the reader is "
                     "slower than %d frames per second\n",
                     static_cast<long long>(dropped), m_fps);
}

} // namespace kalvora
