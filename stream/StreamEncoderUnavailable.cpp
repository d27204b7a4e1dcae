// The encoder of a build without FFmpeg's libraries (the Windows build, where they are not
// available): every stream fails at once, saying why, and trying again cannot help.
#include "stream/StreamEncoder.h"

#include <QCoreApplication>

namespace kalvora {

struct StreamEncoder::Parts {};

StreamEncoder::StreamEncoder(const StreamSettings& settings, const QString& callSign)
    : m_settings(settings), m_callSign(callSign) {}

StreamEncoder::~StreamEncoder() = default;

bool StreamEncoder::open() {
    m_error = QCoreApplication::translate(
        "StreamEncoder", "this build of Kalvora has no stream: FFmpeg's libraries were not "
                         "available for it");
    m_permanent = true;
    return false;
}

bool StreamEncoder::writeFrame(const QImage&, qint64,
                               const std::optional<QList<std::pair<int, int>>>&) {
    return false;
}

void StreamEncoder::finish() {}

qint64 StreamEncoder::bytesSent() const {
    return 0;
}

void StreamEncoder::interrupt() {
    m_interrupted = true;
}

} // namespace kalvora
