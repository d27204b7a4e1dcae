#pragma once

#include "clock/StationClock.h"
#include "station/FrameSource.h"
#include "stream/StreamSettings.h"

#include <QImage>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace kalvora {

class StreamEncoder;

// Sends what is on air as a network stream (or into a file): the frames are beats of the
// station's clock, taken from a frame source on this thread and encoded and sent on a thread of its
// own, so the screens never wait for the network. When the encoder is still busy with earlier
// frames a frame is dropped (and counted), never the stream falling behind the clock.
//
// A stream that cannot be opened, or breaks, is tried again after a pause that grows (2, 4, 8
// ... seconds, at most 30), unless trying again cannot help (an address or codec this FFmpeg
// lacks, a file that cannot be written): then it stops and says why. One that sends nothing
// for WatchdogSeconds while it should is started again (a recording into a file excepted:
// starting it again would empty the file).
class StreamOutput : public QObject {
    Q_OBJECT
public:
    // The service is named after the source's call sign as it is now. Only the rows that the
    // source says changed are copied and converted again.
    StreamOutput(StreamSettings settings, FrameSource& source, StationClock& clock,
                 QObject* parent = nullptr);
    ~StreamOutput() override;

    using RowRanges = FrameSource::RowRanges;

    void start();
    void stop();

    enum class State { Stopped, Connecting, Streaming, Waiting, Failed };
    State state() const { return m_state; }
    // Why the last try failed; empty while it streams.
    QString lastError() const { return m_lastError; }
    // What the operator reads: streaming with the rates reached, or why not.
    QString statusText() const;

    qint64 framesSent() const { return m_sent; }
    qint64 framesDropped() const { return m_dropped; }
    // Bits per second over the last few seconds.
    double bitrate() const { return m_bitrate; }
    // What receivers may make of the service's name (too long for some, not ASCII).
    QStringList warnings() const;
    double frameRate() const { return m_frameRate; }

    // Pause before the next try, after `failures` failures in a row.
    static int retryPauseMs(int failures);
    // A stream that has sent nothing for this long although it should is torn down and
    // started again (an encoder or an output that hangs).
    static constexpr int WatchdogSeconds = 5;
    // The Morse ident on the stream's sound from now on (the ident card went on air).
    void identNow();

signals:
    void stateChanged();
    // A message for the operator (standard error headless): a failure, a try again.
    void message(const QString& text);
    // It stopped for good: 0 stopped; 1 failed and trying again cannot help; 2 the settings
    // cannot make a stream (a service name too long).
    void finished(int exitCode);

private:
    // A frame for the encoder: whole, or the rows that changed (each band a copy of them).
    struct Job {
        QImage frame;
        QList<QImage> bands;
        RowRanges rows; // with the bands: the rows they replace
        qint64 index = 0;
    };
    // One connection: the encoder and what its thread shares with this one. A thread that
    // will not end (an encoder or output that hangs) is left behind with its session.
    struct Session;
    void frameDue();
    static void work(std::shared_ptr<Session> session, StreamOutput* output);
    // From the worker of `session`: the stream is open, or failed.
    void opened(const Session* session);
    void failed(const Session* session, const QString& error, bool permanent);
    // Ends the worker; false when it had to be left behind.
    bool endWorker();
    // No more frames, no timers, the session ended (its frames counted): false when its worker
    // had to be left behind.
    bool halt();
    void measure();
    void watch();
    void setState(State state);

    StreamSettings m_settings;
    FrameSource& m_source;
    QString m_callSign;
    // Changes not yet sent (a frame dropped); everything, at a start.
    std::optional<RowRanges> m_unsent;
    Beat m_schedule;
    QTimer m_retry;
    QTimer m_meter;
    QTimer m_watchdog;
    State m_state = State::Stopped;
    QString m_lastError;
    int m_failures = 0;

    std::shared_ptr<Session> m_session;
    std::thread m_thread;

    // Frames sent by the sessions before this one.
    qint64 sentSoFar() const;
    qint64 m_sentEarlier = 0;
    qint64 m_sent = 0;
    qint64 m_dropped = 0;
    qint64 m_lastBytes = 0;
    qint64 m_lastSent = 0;
    double m_bitrate = 0;
    double m_frameRate = 0;
    bool m_measured = false; // the rates cover a whole meter's time of this connection
    // The watchdog's view: the bytes sent when it last looked, and since when they stand still.
    qint64 m_watchedBytes = -1;
    int m_stillSeconds = 0;
};

} // namespace kalvora
