#include "stream/StreamEncoder.h"

#include "stream/PacedSender.h"
#include "stream/StreamAudio.h"
#include "stream/StreamDestination.h"

#include <QFile>
#include <QHash>
#include <QtGlobal>
#include <numeric>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace kalvora {

namespace {

constexpr int AudioRate = 48000;
constexpr int AudioBitrate = 24000;

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

const char* encoderName(const QString& codec) {
    if (codec == QLatin1String("hevc"))
        return "libx265";
    if (codec == QLatin1String("mpeg2"))
        return "mpeg2video";
    return "libx264";
}

constexpr int DatagramBytes = 7 * 188;

// What the muxer writes, handed to the paced sender (FFmpeg 7 made the data const).
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int toPacer(void* sender, const uint8_t* data, int size) {
#else
int toPacer(void* sender, uint8_t* data, int size) {
#endif
    const int code = static_cast<PacedSender*>(sender)->write(data, size);
    return code == PacedSender::Stopped ? AVERROR_EXIT : code < 0 ? code : size;
}

// The length of the part of a recording that holds whole packets: 188-byte packets of a
// transport stream, or FLV's tags (each followed by its size), from the file's start.
qint64 wholePacketsLength(const QString& file, bool flv) {
    QFile recording(file);
    if (!recording.open(QIODevice::ReadOnly))
        return -1;
    const qint64 size = recording.size();
    if (!flv)
        return size - size % 188;
    qint64 at = 9 + 4; // the header, then the size of the tag before the first: 0
    qint64 whole = std::min(size, at);
    while (at + 11 <= size) {
        recording.seek(at);
        const QByteArray header = recording.read(11);
        const qint64 data =
            qint64(uchar(header[1])) << 16 | qint64(uchar(header[2])) << 8 | uchar(header[3]);
        if (at + 11 + data + 4 > size)
            break;
        at += 11 + data + 4;
        whole = at;
    }
    return whole;
}

} // namespace

struct StreamEncoder::Parts {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    // The picture as converted so far: only the rows that change are converted again.
    AVFrame* kept = nullptr;
    QSize keptFrom;
    // Scalers by the height of the source band they take.
    QHash<int, SwsContext*> scalers;
    AVFrame* band = nullptr;
    QRect inner; // where the pattern lies in the stream's picture
    std::unique_ptr<StreamAudio> audioSource;
    qint64 audioSamples = 0;
    qint64 lastIndex = -1; // the last frame given to the encoder
    // UDP: the muxer writes into `paced`, which sends through FFmpeg's own UDP output at the
    // mux rate by the wall clock.
    AVIOContext* udp = nullptr;
    AVIOContext* intoPacer = nullptr;
    std::unique_ptr<PacedSender> paced;

    ~Parts() {
        paced.reset();
        if (intoPacer) {
            av_freep(&intoPacer->buffer);
            avio_context_free(&intoPacer);
            if (format)
                format->pb = nullptr;
        }
        avio_closep(&udp);
        for (SwsContext* scaler : std::as_const(scalers))
            sws_freeContext(scaler);
        av_frame_free(&kept);
        av_frame_free(&band);
        av_packet_free(&packet);
        av_frame_free(&sound);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) {
            if (format->pb && !(format->oformat->flags & AVFMT_NOFILE))
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

StreamEncoder::StreamEncoder(const StreamSettings& settings, const QString& callSign)
    : m_settings(settings), m_callSign(callSign) {}

StreamEncoder::~StreamEncoder() = default;

bool StreamEncoder::fail(const QString& what, int code, bool permanent) {
    m_error = code ? QStringLiteral("%1: %2").arg(what, avError(code)) : what;
    m_permanent = permanent;
    return false;
}

int StreamEncoder::interruptCallback(void* self) {
    return static_cast<StreamEncoder*>(self)->m_interrupted ? 1 : 0;
}

qint64 StreamEncoder::bytesSent() const {
    if (!m_parts)
        return 0;
    if (m_parts->paced)
        return m_parts->paced->bytesSent();
    if (!m_parts->format || !m_parts->format->pb)
        return 0;
    return avio_tell(m_parts->format->pb);
}

void StreamEncoder::interrupt() {
    m_interrupted = true;
    if (PacedSender* sender = m_pacedSender)
        sender->stop();
}

bool StreamEncoder::open() {
    // Our messages name what failed; the libraries would say it again, less clearly.
    av_log_set_level(AV_LOG_FATAL);
    m_parts = std::make_unique<Parts>();
    m_headerWritten = false;
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    const QByteArray url = s.url.toUtf8();
    const bool flv = s.container() == StreamSettings::Container::Flv;
    const int code =
        avformat_alloc_output_context2(&p.format, nullptr, flv ? "flv" : "mpegts", url.constData());
    if (code < 0 || !p.format)
        return fail(QStringLiteral("cannot make a %1 stream").arg(flv ? "FLV" : "transport"), code,
                    true);
    p.format->interrupt_callback = {&StreamEncoder::interruptCallback, this};
    // Room for the mux to spread packets over at a constant rate, as ffmpeg's own tool gives;
    // whole datagrams of 7 packets, not a packet at a time.
    p.format->max_delay = 700000;
    p.format->flush_packets = 0;
    if (!openVideo() || !openSound())
        return false;
    preparePictures();
    if (!openOutput() || !writeHeader())
        return false;
    m_headerWritten = true;
    return true;
}

// The video encoder and its stream: the settings' size, rate and bitrate, no B-frames.
bool StreamEncoder::openVideo() {
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    int code = 0;
    const AVCodec* videoCodec = avcodec_find_encoder_by_name(encoderName(s.codec));
    if (!videoCodec)
        return fail(QStringLiteral("the installed FFmpeg has no %1 encoder (%2)")
                        .arg(s.codec, QLatin1String(encoderName(s.codec))),
                    0, true);
    p.video = avcodec_alloc_context3(videoCodec);
    p.video->width = s.size.width();
    p.video->height = s.size.height();
    p.video->pix_fmt = AV_PIX_FMT_YUV420P;
    p.video->time_base = AVRational{1, s.fps};
    p.video->framerate = AVRational{s.fps, 1};
    p.video->gop_size = std::max(1, qRound(s.keyframeSeconds * s.fps));
    p.video->max_b_frames = 0;
    const qint64 bitrate = s.effectiveVideoBitrate();
    p.video->bit_rate = bitrate;
    p.video->rc_max_rate = bitrate;
    p.video->rc_min_rate = s.muxRate > 0 ? bitrate : 0;
    p.video->rc_buffer_size = int(std::min<qint64>(bitrate, INT_MAX));
    // PAL's 720 and 704 x 576 have pixels of their own shape (4:3 or 16:9); elsewhere they are
    // square.
    const Canvas canvas = s.canvas();
    p.video->sample_aspect_ratio = AVRational{canvas.pixelWidth, canvas.pixelHeight};
    if (s.codec == QLatin1String("h264")) {
        av_opt_set(p.video->priv_data, "preset", "veryfast", 0);
        av_opt_set(p.video->priv_data, "tune", "zerolatency", 0);
        if (s.muxRate > 0)
            av_opt_set(p.video->priv_data, "x264-params", "nal-hrd=cbr:force-cfr=1", 0);
    } else if (s.codec == QLatin1String("hevc")) {
        av_opt_set(p.video->priv_data, "preset", "veryfast", 0);
        av_opt_set(p.video->priv_data, "tune", "zerolatency", 0);
        av_opt_set(p.video->priv_data, "x265-params", "log-level=error", 0);
    }
    if (p.format->oformat->flags & AVFMT_GLOBALHEADER)
        p.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((code = avcodec_open2(p.video, videoCodec, nullptr)) < 0)
        return fail(QStringLiteral("the %1 encoder refused the settings").arg(s.codec), code, true);
    p.videoStream = avformat_new_stream(p.format, nullptr);
    avcodec_parameters_from_context(p.videoStream->codecpar, p.video);
    p.videoStream->time_base = p.video->time_base;
    p.videoStream->avg_frame_rate = p.video->framerate;
    p.videoStream->sample_aspect_ratio = p.video->sample_aspect_ratio;
    return true;
}

// Where the settings ask for sound: the AAC encoder and its stream, and the sound source (a
// tone, the Morse ident).
bool StreamEncoder::openSound() {
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    int code = 0;
    if (s.audio != StreamSettings::Audio::None) {
        const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac)
            return fail(QStringLiteral("the installed FFmpeg has no AAC encoder"), 0, true);
        p.audio = avcodec_alloc_context3(aac);
        p.audio->sample_rate = AudioRate;
        p.audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        av_channel_layout_copy(&p.audio->ch_layout, &mono);
        p.audio->bit_rate = AudioBitrate;
        p.audio->time_base = AVRational{1, AudioRate};
        if (p.format->oformat->flags & AVFMT_GLOBALHEADER)
            p.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((code = avcodec_open2(p.audio, aac, nullptr)) < 0)
            return fail(QStringLiteral("the AAC encoder refused the settings"), code, true);
        p.audioStream = avformat_new_stream(p.format, nullptr);
        avcodec_parameters_from_context(p.audioStream->codecpar, p.audio);
        p.audioStream->time_base = p.audio->time_base;
        p.sound = av_frame_alloc();
        p.sound->format = p.audio->sample_fmt;
        p.sound->nb_samples = p.audio->frame_size;
        p.sound->sample_rate = AudioRate;
        av_channel_layout_copy(&p.sound->ch_layout, &p.audio->ch_layout);
        av_frame_get_buffer(p.sound, 0);
        p.audioSource =
            std::make_unique<StreamAudio>(s.audio, m_callSign, s.identMinutes, AudioRate);
    }
    return true;
}

void StreamEncoder::preparePictures() {
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    p.kept = av_frame_alloc();
    p.kept->format = AV_PIX_FMT_YUV420P;
    p.kept->width = s.size.width();
    p.kept->height = s.size.height();
    av_frame_get_buffer(p.kept, 0);
    p.packet = av_packet_alloc();
}

void StreamEncoder::placeSource(QSize source) {
    Parts& p = *m_parts;
    const Canvas canvas = m_settings.canvas();
    // A picture drawn for the stream fills it; any other (square pixels) is kept in its shape
    // in the middle, on black.
    p.inner = source == canvas.pixels ? QRect(QPoint(0, 0), source) : canvas.placeOf(source);
    if (av_frame_make_writable(p.kept) < 0)
        return;
    for (int y = 0; y < p.kept->height; ++y)
        memset(p.kept->data[0] + y * p.kept->linesize[0], 16, size_t(p.kept->width));
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < p.kept->height / 2; ++y)
            memset(p.kept->data[plane] + y * p.kept->linesize[plane], 128,
                   size_t(p.kept->width / 2));
    for (SwsContext* scaler : std::as_const(p.scalers))
        sws_freeContext(scaler);
    p.scalers.clear();
    p.keptFrom = source;
}

// The service's names and the transport stream's rules, then the container's header.
bool StreamEncoder::writeHeader() {
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    const bool flv = s.container() == StreamSettings::Container::Flv;
    // The service as receivers list it.
    av_dict_set(&p.format->metadata, "service_name",
                s.serviceNameFor(m_callSign).toUtf8().constData(), 0);
    av_dict_set(&p.format->metadata, "service_provider", s.serviceProvider.toUtf8().constData(), 0);

    AVDictionary* mux = nullptr;
    if (!flv) {
        av_dict_set(&mux, "mpegts_pmt_start_pid", "4095", 0);
        av_dict_set(&mux, "mpegts_start_pid", "256", 0);
        av_dict_set(&mux, "mpegts_service_id", "1", 0);
        av_dict_set(&mux, "muxrate", QByteArray::number(s.transportMuxRate()).constData(), 0);
        // What a broadcast monitor asks for, whatever this FFmpeg's defaults: a PCR every
        // 20 ms, PAT and PMT ten times a second, the SDT twice.
        av_dict_set(&mux, "pcr_period", "20", 0);
        av_dict_set(&mux, "pat_period", "0.1", 0);
        av_dict_set(&mux, "sdt_period", "0.5", 0);
    }
    const int code = avformat_write_header(p.format, &mux);
    av_dict_free(&mux);
    if (code < 0)
        return fail(QStringLiteral("cannot start the stream to %1").arg(s.url), code, s.isFile());
    return true;
}

namespace {

// What a UDP send reports when nobody listens at the address (an SDR program not started yet,
// or closed): the system's "port unreachable" for a datagram sent before, on Windows always, on
// Linux on a connected socket. UDP has no connection to lose: the stream goes on for whoever
// listens next, as a modulator expects.
bool nobodyListening(int error) {
    constexpr int WindowsConnectionReset = -10054; // FFmpeg passes WSAECONNRESET on as it is
    return error == AVERROR(ECONNREFUSED) || error == AVERROR(ECONNRESET) ||
           error == WindowsConnectionReset;
}

} // namespace

bool StreamEncoder::openOutput() {
    Parts& p = *m_parts;
    const StreamSettings& s = m_settings;
    if (p.format->oformat->flags & AVFMT_NOFILE)
        return true;
    const QByteArray url = s.url.toUtf8();
    AVDictionary* io = nullptr;
    if (s.isUdp() || s.url.startsWith(QLatin1String("srt://")))
        av_dict_set(&io, "pkt_size", QByteArray::number(DatagramBytes).constData(),
                    AV_DICT_DONT_OVERWRITE);
    if (!s.isFile())
        av_dict_set(&io, "rw_timeout", "5000000", 0); // a dead link fails, never hangs
    if (const auto pluto = plutoRtmpNames(s.url)) {
        av_dict_set(&io, "rtmp_app", pluto->application.toUtf8().constData(), 0);
        av_dict_set(&io, "rtmp_playpath", pluto->stream.toUtf8().constData(), 0);
    }
    AVIOContext*& output = s.isUdp() ? p.udp : p.format->pb;
    const int code =
        avio_open2(&output, url.constData(), AVIO_FLAG_WRITE, &p.format->interrupt_callback, &io);
    av_dict_free(&io);
    if (code < 0) {
        // A file that cannot be made (no such folder, a name too long, no room, read-only)
        // stays that way; so do an address FFmpeg cannot send to.
        const bool permanent = s.isFile() || code == AVERROR_PROTOCOL_NOT_FOUND ||
                               code == AVERROR(EINVAL) || code == AVERROR(EACCES);
        return fail(QStringLiteral("cannot open %1").arg(s.url), code, permanent);
    }
    if (!s.isUdp())
        return true;
    // A modulator's buffer is small, and its symbol clock is the wall clock: the datagrams go
    // out evenly at the mux rate, and one sent late is made up by the next, never lost.
    AVIOContext* udp = p.udp;
    p.paced = std::make_unique<PacedSender>(
        s.transportMuxRate(), DatagramBytes, [udp](const char* data, int size) {
            avio_write(udp, reinterpret_cast<const unsigned char*>(data), size);
            avio_flush(udp);
            if (nobodyListening(udp->error)) {
                udp->error = 0; // (AVIO would drop every write after an error)
                return 0;
            }
            return udp->error < 0 ? udp->error : 0;
        });
    auto* buffer = static_cast<unsigned char*>(av_malloc(DatagramBytes));
    p.intoPacer =
        avio_alloc_context(buffer, DatagramBytes, 1, p.paced.get(), nullptr, &toPacer, nullptr);
    p.format->pb = p.intoPacer;
    m_pacedSender = p.paced.get();
    return true;
}

bool StreamEncoder::drain(void* contextPointer, void* streamPointer) {
    auto* context = static_cast<AVCodecContext*>(contextPointer);
    auto* stream = static_cast<AVStream*>(streamPointer);
    Parts& p = *m_parts;
    for (;;) {
        const int code = avcodec_receive_packet(context, p.packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return fail(QStringLiteral("encoding failed"), code, false);
        av_packet_rescale_ts(p.packet, context->time_base, stream->time_base);
        p.packet->stream_index = stream->index;
        const int written = av_interleaved_write_frame(p.format, p.packet);
        if (written < 0 && m_settings.isFile())
            return endRecording(written);
        if (written < 0)
            return fail(QStringLiteral("sending to %1 failed").arg(m_settings.url), written, false);
    }
}

bool StreamEncoder::endRecording(int code) {
    Parts& p = *m_parts;
    // What could not be written stays unwritten; a packet cut off at the end goes, so that
    // the file holds whole packets from its start. It is never opened over again.
    avio_closep(&p.format->pb);
    m_headerWritten = false;
    const bool flv = m_settings.container() == StreamSettings::Container::Flv;
    const qint64 whole = wholePacketsLength(m_settings.url, flv);
    QFile recording(m_settings.url);
    if (whole >= 0 && recording.size() != whole)
        recording.resize(whole);
    return fail(QStringLiteral("the recording into %1 stopped: %2; it keeps the %3 bytes "
                               "recorded until then")
                    .arg(m_settings.url, avError(code))
                    .arg(std::max<qint64>(0, whole)),
                0, true);
}

bool StreamEncoder::encodeAudioUntil(qint64 videoIndex) {
    Parts& p = *m_parts;
    if (!p.audio)
        return true;
    const qint64 until = (videoIndex + 1) * AudioRate / m_settings.fps;
    if (m_identAsked.exchange(false))
        p.audioSource->startIdent();
    while (p.audioSamples + p.sound->nb_samples <= until) {
        av_frame_make_writable(p.sound);
        p.audioSource->fill(reinterpret_cast<float*>(p.sound->data[0]), p.sound->nb_samples);
        p.sound->pts = p.audioSamples;
        p.audioSamples += p.sound->nb_samples;
        const int code = avcodec_send_frame(p.audio, p.sound);
        if (code < 0)
            return fail(QStringLiteral("encoding the sound failed"), code, false);
        if (!drain(p.audio, p.audioStream))
            return false;
    }
    return true;
}

void StreamEncoder::convertRows(const QImage& frame, int first, int last) {
    Parts& p = *m_parts;
    const int height = frame.height(), shown = p.inner.height();
    // Bands of source rows that map onto whole, even numbers of stream rows (19 onto 18 for
    // 608 onto 576): converted alone, a band comes out as it would in the whole picture. One
    // band more on each side keeps the filter's reach inside what is converted.
    const int common = std::gcd(height, shown);
    int from = height / common, to = shown / common;
    if (to % 2) {
        from *= 2;
        to *= 2;
    }
    int top = 0, bottom = height;
    if (height % from == 0 && from * 4 <= height) {
        top = std::max(0, (first / from - 1) * from);
        bottom = std::min(height, ((last + from - 1) / from + 1) * from);
    }
    const int rows = bottom - top, outRows = rows / from * to, outTop = top / from * to;
    SwsContext*& scaler = p.scalers[rows];
    if (!scaler)
        scaler = sws_getContext(frame.width(), rows, AV_PIX_FMT_BGRA, p.inner.width(), outRows,
                                AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!p.band || p.band->height < outRows) {
        av_frame_free(&p.band);
        p.band = av_frame_alloc();
        p.band->format = AV_PIX_FMT_YUV420P;
        p.band->width = p.inner.width();
        p.band->height = shown;
        av_frame_get_buffer(p.band, 0);
    }
    if (av_frame_make_writable(p.kept) < 0)
        return;
    const uint8_t* const source[1] = {frame.constBits() + qsizetype(top) * frame.bytesPerLine()};
    const int stride[1] = {int(frame.bytesPerLine())};
    sws_scale(scaler, source, stride, 0, rows, p.band->data, p.band->linesize);
    // The band's own rows, without the margins (except at the picture's edges).
    const int keepFrom = top == 0 ? 0 : to, keepTo = bottom == height ? outRows : outRows - to;
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane ? 1 : 0;
        for (int row = keepFrom >> shift; row < keepTo >> shift; ++row)
            memcpy(p.kept->data[plane] +
                       (((p.inner.top() + outTop) >> shift) + row) * p.kept->linesize[plane] +
                       (p.inner.left() >> shift),
                   p.band->data[plane] + row * p.band->linesize[plane],
                   size_t(p.inner.width() >> shift));
    }
}

bool StreamEncoder::writeFrame(const QImage& frame, qint64 index,
                               const std::optional<QList<std::pair<int, int>>>& changedRows) {
    Parts& p = *m_parts;
    // Frames that did not come (dropped on a busy machine) are the last one again, so that
    // every frame time has its frame; after a stall of more than a second the time jumps.
    if (p.lastIndex >= 0 && index - p.lastIndex <= m_settings.fps)
        for (qint64 missed = p.lastIndex + 1; missed < index; ++missed)
            if (!encodeKept(missed))
                return false;
    const QImage source =
        frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
            ? frame
            : frame.convertToFormat(QImage::Format_RGB32);
    if (p.keptFrom != source.size())
        placeSource(source.size());
    if (!changedRows) {
        convertRows(source, 0, source.height());
    } else {
        for (const auto& [first, last] : *changedRows)
            convertRows(source, std::clamp(first, 0, source.height()),
                        std::clamp(last, 0, source.height()));
    }
    return encodeKept(index);
}

bool StreamEncoder::encodeKept(qint64 index) {
    Parts& p = *m_parts;
    // Given as it is kept: the encoder copies what it takes, and should it still hold a
    // reference when the next rows are converted, that conversion writes into a copy (see
    // convertRows).
    p.kept->pts = index;
    p.lastIndex = index;
    const int code = avcodec_send_frame(p.video, p.kept);
    if (code < 0)
        return fail(QStringLiteral("encoding the picture failed"), code, false);
    return drain(p.video, p.videoStream) && encodeAudioUntil(index);
}

void StreamEncoder::finish() {
    if (!m_parts || !m_headerWritten)
        return;
    Parts& p = *m_parts;
    // A recording that fails here ends as at any other write (endRecording).
    avcodec_send_frame(p.video, nullptr);
    if (!drain(p.video, p.videoStream))
        return;
    if (p.audio) {
        avcodec_send_frame(p.audio, nullptr);
        if (!drain(p.audio, p.audioStream))
            return;
    }
    const int code = av_write_trailer(p.format);
    if (code < 0 && m_settings.isFile()) {
        endRecording(code);
        return;
    }
    m_headerWritten = false;
    if (p.paced)
        p.paced->finish(std::chrono::seconds(2));
}

} // namespace kalvora
