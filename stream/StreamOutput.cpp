#include "stream/StreamOutput.h"

#include "stream/StreamEncoder.h"

#include <QFileInfo>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kalvora {

namespace {

// Frames waiting for the encoder at most; one more is dropped.
constexpr size_t MaxQueued = 3;
constexpr int MeterMs = 2000;

} // namespace

struct StreamOutput::Session {
    std::unique_ptr<StreamEncoder> encoder;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool quit = false;
    bool done = false;       // the worker has returned
    bool open = false;       // the output is open and takes frames
    bool leftBehind = false; // its output no longer wants to hear from it
    std::atomic<qint64> sent{0};
    std::atomic<qint64> bytes{0};
};

StreamOutput::StreamOutput(StreamSettings settings, FrameSource& source, StationClock& clock,
                           QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_source(source),
      m_callSign(source.callSign()), m_schedule(clock) {
    m_schedule.setPeriod(1000.0 / m_settings.fps);
    connect(&m_schedule, &Beat::timeout, this, &StreamOutput::frameDue);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &StreamOutput::start);
    m_meter.setInterval(MeterMs);
    connect(&m_meter, &QTimer::timeout, this, &StreamOutput::measure);
    m_watchdog.setInterval(1000);
    connect(&m_watchdog, &QTimer::timeout, this, &StreamOutput::watch);
}

StreamOutput::~StreamOutput() {
    stop();
}

int StreamOutput::retryPauseMs(int failures) {
    return std::min(30000, 1000 << std::clamp(failures, 1, 5));
}

void StreamOutput::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

QStringList StreamOutput::warnings() const {
    return m_settings.serviceWarnings(m_callSign);
}

qint64 StreamOutput::sentSoFar() const {
    return m_sentEarlier + (m_session ? m_session->sent.load() : 0);
}

void StreamOutput::start() {
    if (m_thread.joinable())
        return;
    // A name the stream cannot carry is a mistake of the settings: trying again cannot help.
    if (const QString problem = m_settings.serviceProblem(m_callSign); !problem.isEmpty()) {
        m_lastError = problem;
        emit message(problem);
        setState(State::Failed);
        emit finished(2);
        return;
    }
    m_retry.stop();
    m_session = std::make_shared<Session>();
    m_session->encoder = std::make_unique<StreamEncoder>(m_settings, m_callSign);
    setState(State::Connecting);
    // Opening may take a while (an RTMP or SRT handshake): on the worker, like the encoding.
    m_thread = std::thread(&StreamOutput::work, m_session, this);
    m_schedule.start();
    m_measured = false;
    m_watchedBytes = -1;
    m_stillSeconds = 0;
    // A recording is never started again by the watchdog: that would empty its file. A pipe
    // into another program is watched like a network.
    const QFileInfo file(m_settings.url);
    if (!m_settings.isFile() || (file.exists() && !file.isFile()))
        m_watchdog.start();
    m_unsent.reset(); // the first frame goes whole
    frameDue();
}

bool StreamOutput::endWorker() {
    if (!m_thread.joinable())
        return true;
    Session& session = *m_session;
    std::unique_lock<std::mutex> lock(session.mutex);
    session.quit = true;
    session.wake.notify_all();
    // The worker ends the stream properly (what the encoder holds, the file's end); a
    // network that hangs is given up on, and a worker that still does not return (an encoder
    // or a pipe that hangs) is left to itself: the picture and the next try never wait for it.
    if (!session.wake.wait_for(lock, std::chrono::seconds(3), [&] { return session.done; })) {
        session.encoder->interrupt();
        if (!session.wake.wait_for(lock, std::chrono::seconds(2), [&] { return session.done; })) {
            session.leftBehind = true;
            lock.unlock();
            m_thread.detach();
            return false;
        }
    }
    lock.unlock();
    m_thread.join();
    return true;
}

bool StreamOutput::halt() {
    m_schedule.stop();
    m_meter.stop();
    m_retry.stop();
    m_watchdog.stop();
    m_stillSeconds = 0;
    const bool ended = endWorker();
    if (m_session) {
        m_sentEarlier += m_session->sent;
        m_session.reset();
    }
    return ended;
}

void StreamOutput::stop() {
    halt();
    setState(State::Stopped);
}

void StreamOutput::watch() {
    const qint64 bytes = m_session ? m_session->bytes.load() : -1;
    if (m_state != State::Streaming || bytes != m_watchedBytes) {
        m_watchedBytes = bytes;
        m_stillSeconds = 0;
        return;
    }
    if (++m_stillSeconds < WatchdogSeconds)
        return;
    const QString why =
        tr("watchdog: nothing was sent for %1 s; the stream starts again").arg(WatchdogSeconds);
    emit message(why);
    if (!halt())
        emit message(tr("watchdog: the stalled encoder did not stop; it is left behind"));
    m_lastError = tr("nothing was sent for %1 s").arg(WatchdogSeconds);
    setState(State::Waiting);
    start();
}

void StreamOutput::identNow() {
    if (m_session)
        m_session->encoder->identNow();
}

void StreamOutput::frameDue() {
    const qint64 index = m_schedule.moment();
    // Drawn first: drawing may find a change of its own.
    const QImage& frame = m_source.frameAt(index);
    // What changed since the last frame that went to the encoder.
    const std::optional<RowRanges> changed = m_source.takeChangedRows();
    if (!changed)
        m_unsent.reset();
    else if (m_unsent)
        *m_unsent = FrameSource::merged(*m_unsent + *changed, frame.height());
    if (!m_session)
        return;
    Session& session = *m_session;
    std::lock_guard<std::mutex> lock(session.mutex);
    if (!session.open && m_state != State::Connecting)
        return;
    if (session.jobs.size() >= MaxQueued) {
        ++m_dropped; // its changes go with the next frame
        return;
    }
    // Copies: the renderer draws the next frame into the same image.
    Job job;
    job.index = index;
    if (!m_unsent) {
        job.frame = frame.copy();
    } else {
        job.rows = *m_unsent;
        for (const auto& [first, last] : job.rows)
            job.bands << frame.copy(0, first, frame.width(), last - first);
    }
    m_unsent = RowRanges();
    session.jobs.push_back(std::move(job));
    session.wake.notify_one();
}

void StreamOutput::work(std::shared_ptr<Session> session, StreamOutput* output) {
    Session& s = *session;
    // Tells the output on its own thread, unless it has left this session behind (it may be
    // gone by then).
    const auto tell = [&s, output](auto call) {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.leftBehind)
            QMetaObject::invokeMethod(output, call, Qt::QueuedConnection);
    };
    // However it ends, the output learns of it.
    struct Done {
        Session& s;
        ~Done() {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.done = true;
            s.wake.notify_all();
        }
    } done{s};
    const auto fail = [&] {
        const QString error = s.encoder->error();
        const bool permanent = s.encoder->errorIsPermanent();
        tell([output, id = &s, error, permanent] { output->failed(id, error, permanent); });
    };
    if (!s.encoder->open())
        return fail();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.open = true;
    }
    tell([output, id = &s] { output->opened(id); });
    QImage canvas; // the frame as the encoder last took it
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            s.wake.wait(lock, [&s] { return s.quit || !s.jobs.empty(); });
            if (s.quit)
                break;
            job = std::move(s.jobs.front());
            s.jobs.pop_front();
        }
        if (!job.frame.isNull() || canvas.isNull()) {
            canvas = job.frame;
        } else {
            canvas.detach();
            for (qsizetype i = 0; i < job.bands.size(); ++i)
                for (int row = 0; row < job.bands[i].height(); ++row)
                    memcpy(canvas.scanLine(job.rows[i].first + row),
                           job.bands[i].constScanLine(row), size_t(canvas.bytesPerLine()));
        }
        const bool whole = !job.frame.isNull();
        if (!s.encoder->writeFrame(canvas, job.index,
                                   whole ? std::nullopt : std::make_optional(job.rows)))
            return fail();
        ++s.sent;
        s.bytes = s.encoder->bytesSent();
    }
    bool wanted = false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        wanted = !s.leftBehind;
    }
    if (wanted)
        s.encoder->finish();
}

void StreamOutput::opened(const Session* session) {
    if (session != m_session.get() || m_state != State::Connecting)
        return;
    m_failures = 0;
    m_lastError.clear();
    // The rates are measured from here: what went before a break is not counted again.
    m_sent = m_lastSent = sentSoFar();
    m_lastBytes = m_session ? m_session->bytes.load() : 0;
    m_meter.start();
    setState(State::Streaming);
}

void StreamOutput::failed(const Session* session, const QString& error, bool permanent) {
    if (session != m_session.get())
        return; // a session ended since, by stop() or the watchdog
    halt();     // (its worker has returned)
    m_lastError = error;
    if (permanent) {
        emit message(error);
        setState(State::Failed);
        emit finished(1);
        return;
    }
    ++m_failures;
    const int pause = retryPauseMs(m_failures);
    emit message(tr("%1; trying again in %2 s").arg(error).arg(pause / 1000));
    setState(State::Waiting);
    m_retry.start(pause);
}

void StreamOutput::measure() {
    m_sent = sentSoFar();
    const qint64 bytes = m_session ? m_session->bytes.load() : m_lastBytes;
    m_bitrate = double(bytes - m_lastBytes) * 8 * 1000 / MeterMs;
    m_frameRate = double(m_sent - m_lastSent) * 1000 / MeterMs;
    m_lastBytes = bytes;
    m_lastSent = m_sent;
    m_measured = true;
    emit stateChanged();
}

QString StreamOutput::statusText() const {
    switch (m_state) {
    case State::Stopped:
        return tr("not streaming");
    case State::Connecting:
        return tr("connecting to %1").arg(m_settings.url);
    case State::Streaming:
        if (!m_measured)
            return tr("streaming");
        return tr("streaming: %1 frames/s, %2 kbit/s")
            .arg(m_frameRate, 0, 'f', 1)
            .arg(m_bitrate / 1000, 0, 'f', 0);
    case State::Waiting:
        return tr("not streaming: %1; trying again").arg(m_lastError);
    case State::Failed:
        return tr("not streaming: %1").arg(m_lastError);
    }
    return QString();
}

} // namespace kalvora
