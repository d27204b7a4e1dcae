#include "pattern/TickerStrip.h"

#include "ticker/OffscreenStrip.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace kalvora {

TickerStrip::TickerStrip(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TickerStrip::setBackColor(const QColor& color) {
    m_backColor = color;
    fitImage();
    m_image.fill(color);
    update();
    emit contentChanged();
}

void TickerStrip::resizeEvent(QResizeEvent*) {
    fitImage();
    emit contentChanged();
}

void TickerStrip::moveEvent(QMoveEvent*) {
    emit contentChanged();
}

// A hidden widget gets its resize event only when shown, and the strip is mostly hidden at
// first: the image follows the widget's size here instead.
void TickerStrip::fitImage() {
    if (m_image.size() == size())
        return;
    m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_image.fill(m_backColor);
}

void TickerStrip::showColumns(const OffscreenStrip& source, int sourceX) {
    fitImage();
    const QImage& from = source.image();
    const int width = m_image.width();
    const int copied = std::clamp(from.width() - sourceX, 0, width);
    const QRgb fill = source.backColor().rgb();
    // Row addresses by stride: scanLine() would check for sharing at every row.
    uchar* const to = m_image.bits();
    const uchar* const pixels = from.constBits();
    for (int y = 0; y < m_image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(to + y * m_image.bytesPerLine());
        int x = 0;
        if (y < from.height() && copied > 0) {
            std::memcpy(line,
                        reinterpret_cast<const QRgb*>(pixels + y * from.bytesPerLine()) + sourceX,
                        size_t(copied) * sizeof(QRgb));
            x = copied;
        }
        std::fill(line + x, line + width, fill);
    }
    update();
    emit contentChanged();
}

void TickerStrip::paintEvent(QPaintEvent*) {
    fitImage();
    QPainter(this).drawImage(0, 0, m_image);
}

} // namespace kalvora
