#pragma once

#include "stream/StreamSettings.h"

#include <QImage>
#include <QList>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace kalvora {

class PacedSender;

// Encodes pattern frames (and the stream's sound) with FFmpeg's libraries and sends them,
// muxed, to the stream's address: H.264, HEVC or MPEG-2 video without B-frames and with a
// keyframe at the set interval; AAC sound; a transport stream (PMT PID 4095, video PID 256,
// audio PID 257, service 1, the service name and provider set, constant bitrate at a mux
// rate, PCR every 20 ms, PAT and PMT every 0.1 s, SDT every 0.5 s; over UDP paced by the wall
// clock) or FLV for RTMP. A recording that cannot be written any further ends with whole
// packets. Used from one thread at a time.
class StreamEncoder {
public:
    StreamEncoder(const StreamSettings& settings, const QString& callSign);
    ~StreamEncoder();
    StreamEncoder(const StreamEncoder&) = delete;
    StreamEncoder& operator=(const StreamEncoder&) = delete;

    // Opens the encoders and the output (connecting, for RTMP and SRT). False when it cannot;
    // error() says why.
    bool open();
    // Encodes frame `index` (any size; it is scaled to the stream's) and sends it with the
    // sound up to its end. `changedRows` are the rows [first, last) that changed since the
    // frame before, of the same size; only those are converted again (nothing given: all).
    // False when the output failed; error() says why.
    bool writeFrame(const QImage& frame, qint64 index,
                    const std::optional<QList<std::pair<int, int>>>& changedRows = std::nullopt);
    // Sends what the encoders still hold and ends the stream properly.
    void finish();

    QString error() const { return m_error; }
    // Whether trying again cannot help: an address or codec this FFmpeg lacks, bad settings.
    bool errorIsPermanent() const { return m_permanent; }
    // Bytes handed to the output so far.
    qint64 bytesSent() const;
    // Makes a blocking open or write give up (from any thread).
    void interrupt();
    // The Morse ident on the sound from the next frame on (from any thread).
    void identNow() { m_identAsked = true; }

private:
    struct Parts;
    bool fail(const QString& what, int code, bool permanent);
    // Opens where the stream goes: a file, a server, or FFmpeg's UDP output behind the pacer.
    bool openOutput();
    // The steps of open(), in order.
    bool openVideo();
    bool openSound();
    // The picture the encoder takes.
    void preparePictures();
    // Where frames of `source` pixels lie in the stream's picture, with black around them.
    void placeSource(QSize source);
    bool writeHeader();
    // Encodes the picture as kept as frame `index`, and the sound up to its end.
    bool encodeKept(qint64 index);
    // A file that cannot be written to any more: ended, with whole packets, and said so.
    bool endRecording(int code);
    // Encodes the sound up to the end of video frame `videoIndex`.
    bool encodeAudioUntil(qint64 videoIndex);
    // Sends every packet the encoder has ready.
    bool drain(void* context, void* stream);
    // Converts source rows [first, last) of `frame` into the kept picture.
    void convertRows(const QImage& frame, int first, int last);
    static int interruptCallback(void* self);

    StreamSettings m_settings;
    QString m_callSign;
    std::unique_ptr<Parts> m_parts;
    QString m_error;
    bool m_permanent = false;
    bool m_headerWritten = false;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_identAsked{false};
    std::atomic<PacedSender*> m_pacedSender{nullptr}; // for interrupt(), from another thread
};

} // namespace kalvora
