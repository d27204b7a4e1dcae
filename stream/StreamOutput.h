#pragma once

#include "clock/StationClock.h"
#include "station/FrameSource.h"
#include "stream/StreamSettings.h"

#include <QImage>
#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
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
// lacks, a file that cannot be written): then it stops and says why.
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
    void frameDue();
    void worker();
    // From the worker: the stream is open, or failed.
    void opened();
    void failed(const QString& error, bool permanent);
    void measure();
    void setState(State state);

    StreamSettings m_settings;
    FrameSource& m_source;
    QString m_callSign;
    // Changes not yet sent (a frame dropped); everything, at a start.
    std::optional<RowRanges> m_unsent;
    Beat m_schedule;
    QTimer m_retry;
    QTimer m_meter;
    State m_state = State::Stopped;
    QString m_lastError;
    int m_failures = 0;

    std::unique_ptr<StreamEncoder> m_encoder;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_quit = false;
    bool m_workerDone = false;
    bool m_open = false;

    std::atomic<qint64> m_sentAtomic{0};
    std::atomic<qint64> m_bytes{0};
    qint64 m_sent = 0;
    qint64 m_dropped = 0;
    qint64 m_lastBytes = 0;
    qint64 m_lastSent = 0;
    double m_bitrate = 0;
    double m_frameRate = 0;
    bool m_measured = false; // the rates cover a whole meter's time of this connection
};

} // namespace kalvora
