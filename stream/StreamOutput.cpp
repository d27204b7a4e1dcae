#include "stream/StreamOutput.h"

#include "stream/StreamEncoder.h"

namespace kalvora {

namespace {

// Frames waiting for the encoder at most; one more is dropped.
constexpr size_t MaxQueued = 3;
constexpr int MeterMs = 2000;

} // namespace

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
    m_quit = false;
    m_workerDone = false;
    m_open = false;
    m_jobs.clear();
    m_encoder = std::make_unique<StreamEncoder>(m_settings, m_callSign);
    setState(State::Connecting);
    // Opening may take a while (an RTMP or SRT handshake): on the worker, like the encoding.
    m_thread = std::thread(&StreamOutput::worker, this);
    m_schedule.start();
    m_bytes = 0;
    m_measured = false;
    m_unsent.reset(); // the first frame goes whole
    frameDue();
}

void StreamOutput::stop() {
    m_schedule.stop();
    m_meter.stop();
    m_retry.stop();
    if (m_thread.joinable()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_quit = true;
        m_wake.notify_all();
        // The worker ends the stream properly (what the encoder holds, the file's end); a
        // network that hangs is given up on.
        if (!m_wake.wait_for(lock, std::chrono::seconds(3), [this] { return m_workerDone; }))
            m_encoder->interrupt();
        lock.unlock();
        m_thread.join();
    }
    m_encoder.reset();
    setState(State::Stopped);
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
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open && m_state != State::Connecting)
        return;
    if (m_jobs.size() >= MaxQueued) {
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
    m_jobs.push_back(std::move(job));
    m_wake.notify_one();
}

void StreamOutput::worker() {
    // However it ends, stop() learns of it.
    struct Done {
        StreamOutput* output;
        ~Done() {
            std::lock_guard<std::mutex> lock(output->m_mutex);
            output->m_workerDone = true;
            output->m_wake.notify_all();
        }
    } done{this};
    if (!m_encoder->open()) {
        const QString error = m_encoder->error();
        const bool permanent = m_encoder->errorIsPermanent();
        QMetaObject::invokeMethod(
            this, [this, error, permanent] { failed(error, permanent); }, Qt::QueuedConnection);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
    }
    QMetaObject::invokeMethod(this, &StreamOutput::opened, Qt::QueuedConnection);
    QImage canvas; // the frame as the encoder last took it
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
            if (m_quit)
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
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
        if (!m_encoder->writeFrame(canvas, job.index,
                                   whole ? std::nullopt : std::make_optional(job.rows))) {
            const QString error = m_encoder->error();
            const bool permanent = m_encoder->errorIsPermanent();
            QMetaObject::invokeMethod(
                this, [this, error, permanent] { failed(error, permanent); }, Qt::QueuedConnection);
            return;
        }
        ++m_sentAtomic;
        m_bytes = m_encoder->bytesSent();
    }
    m_encoder->finish();
}

void StreamOutput::opened() {
    if (m_state != State::Connecting)
        return;
    m_failures = 0;
    m_lastError.clear();
    // The rates are measured from here: what went before a break is not counted again.
    m_sent = m_lastSent = m_sentAtomic;
    m_lastBytes = m_bytes;
    m_meter.start();
    setState(State::Streaming);
}

void StreamOutput::failed(const QString& error, bool permanent) {
    if (m_thread.joinable())
        m_thread.join();
    m_schedule.stop();
    m_meter.stop();
    m_encoder.reset();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = false;
        m_jobs.clear();
    }
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
    m_sent = m_sentAtomic;
    const qint64 bytes = m_bytes;
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
