#pragma once

#include "clock/StationClock.h"
#include "station/FrameSource.h"

#include <QImage>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace kalvora {

// Streams what is on air as raw frames (808 x 608 BGRA, one after the other) to a file
// descriptor, normally standard output piped into an encoder.
//
// Frames go out on a steady schedule. A reader that is slower than the schedule makes frames
// drop, never the pictures fall behind the clock: while a frame is still being written, the
// frames that come due are skipped and counted. Closing the pipe ends the stream cleanly.
class FrameStream : public QObject {
    Q_OBJECT
public:
    // The frames are beats of `clock`, `fps` a second.
    FrameStream(FrameSource& source, StationClock& clock, int fps, int fd,
                QObject* parent = nullptr);
    ~FrameStream() override;

    void start();
    // No more frames until start() (standby); a frame half written is finished first, so the
    // reader never gets part of one.
    void stop();

    qint64 framesWritten() const { return m_written; }
    qint64 framesDropped() const { return m_dropped + m_schedule.missed(); }

signals:
    // The reader has gone (exit code 0) or writing failed (non-zero, said on standard error).
    // It can come from start() itself, when the first frame cannot go out: connect it queued.
    void finished(int exitCode);

private:
    void frameDue();
    void flush();
    void finish(int error);
    void report();

    FrameSource& m_source;
    const int m_fps;
    const int m_fd;
    // The frame going out; the source keeps it unchanged until it is asked for the next.
    const QImage* m_frame = nullptr;
    // How much of m_frame has gone out; all of it when no frame is pending.
    qsizetype m_pendingOffset;
    Beat m_schedule;
    QTimer m_reportTimer;
    qint64 m_written = 0;
    qint64 m_dropped = 0;
    qint64 m_droppedReported = 0;
    QSocketNotifier* m_writable = nullptr;
    bool m_finished = false;
};

} // namespace kalvora
