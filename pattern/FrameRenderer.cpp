#include "pattern/FrameRenderer.h"

#include "pattern/Caption.h"
#include "pattern/TickerStrip.h"

#include <QPainter>
#include <cstring>

namespace kalvora {

FrameRenderer::FrameRenderer(QWidget& pattern, const TickerStrip* strip, QObject* parent)
    : QObject(parent), m_pattern(pattern), m_strip(strip) {
    for (Caption* caption : pattern.findChildren<Caption*>())
        connect(caption, &Caption::captionChanged, this, [this](const QRect& area) {
            m_stillValid = false;
            emit changed(area);
        });
    if (strip) {
        m_stripPlace = strip->geometry();
        m_stripShown = strip->isVisibleTo(&pattern);
        connect(strip, &TickerStrip::contentChanged, this, &FrameRenderer::stripChanged);
    }
}

void FrameRenderer::stripChanged() {
    const QRect place = m_strip->geometry();
    const bool shown = m_strip->isVisibleTo(&m_pattern);
    if (place == m_stripPlace && shown == m_stripShown) {
        emit changed(place); // it moved on
        return;
    }
    // Moved, resized, shown or hidden: its old place is drawn again too.
    const QRect area = place.united(m_stripPlace);
    m_stripPlace = place;
    m_stripShown = shown;
    m_stillValid = false;
    emit changed(area);
}

const QImage& FrameRenderer::frame() {
    // A hidden strip learns of a new geometry only when shown: looked at here as well.
    if (m_strip &&
        (m_strip->geometry() != m_stripPlace || m_strip->isVisibleTo(&m_pattern) != m_stripShown))
        stripChanged();
    const QRect stripPlace = m_stripPlace;
    const bool stripShown = m_stripShown;
    bool stillDrawn = false;
    if (!m_stillValid || m_still.size() != m_pattern.size()) {
        m_still = QImage(m_pattern.size(), QImage::Format_RGB32);
        m_pattern.render(&m_still);
        m_stillValid = true;
        ++m_redraws;
        stillDrawn = true;
    }
    // Between two drawings of the still only the strip changes, and it is copied in whole
    // below: the rest of the last frame is still right.
    if (stillDrawn || m_frame.size() != m_still.size()) {
        if (m_frame.size() != m_still.size())
            m_frame = QImage(m_still.size(), QImage::Format_RGB32);
        std::memcpy(m_frame.bits(), m_still.constBits(), size_t(m_still.sizeInBytes()));
    }
    if (stripShown) {
        // The strip paints nothing but its image, and nothing lies on top of it.
        const QRect shown = stripPlace.intersected(m_frame.rect());
        const QImage& content = m_strip->image();
        for (int y = shown.top(); y <= shown.bottom(); ++y) {
            const int row = y - stripPlace.top();
            if (row >= content.height())
                break;
            const int columns =
                std::min(shown.width(), content.width() - (shown.left() - stripPlace.left()));
            if (columns <= 0)
                break;
            std::memcpy(reinterpret_cast<QRgb*>(m_frame.scanLine(y)) + shown.left(),
                        reinterpret_cast<const QRgb*>(content.constScanLine(row)) +
                            (shown.left() - stripPlace.left()),
                        size_t(columns) * sizeof(QRgb));
        }
    }
    return m_frame;
}

} // namespace kalvora
