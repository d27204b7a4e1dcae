#include "ticker/OffscreenStrip.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace kalvora {

namespace {

// Drawing happens at 96 dots per inch whatever the screen, so that 15 twips are one pixel
// and a point size gives the same pixels everywhere.
constexpr int DotsPerMeter96Dpi = 3780;

QImage blankImage(QSize size, const QColor& color) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter96Dpi);
    image.setDotsPerMeterY(DotsPerMeter96Dpi);
    image.fill(color);
    return image;
}

} // namespace

OffscreenStrip::OffscreenStrip()
    : m_size(1, 1), m_image(blankImage(QSize(1, 1), Qt::white)),
      m_font(QStringLiteral("MS Sans Serif")) {
    m_font.setPointSizeF(12);
    m_font.setBold(true);
    m_font.setKerning(false);
    m_font.setStyleStrategy(QFont::PreferAntialias);
    fontChanged();
}

void OffscreenStrip::resize(QSize size) {
    m_size = size;
    fitImage();
}

void OffscreenStrip::fitImage() {
    const QSize imageSize(m_size.width() + m_widestCharacter, m_size.height());
    if (imageSize == m_image.size())
        return;
    QImage resized = blankImage(imageSize, m_backColor);
    QPainter(&resized).drawImage(0, 0, m_image);
    m_image = resized;
}

void OffscreenStrip::setFontName(const QString& family) {
    if (m_font.family() == family)
        return;
    m_font.setFamily(family);
    fontChanged();
}

void OffscreenStrip::setFontStretch(int percent) {
    if (m_font.stretch() == percent)
        return;
    m_font.setStretch(percent);
    fontChanged();
}

void OffscreenStrip::setFontSize(double points) {
    if (m_font.pointSizeF() == points)
        return;
    m_font.setPointSizeF(points);
    fontChanged();
}

void OffscreenStrip::setForeColor(const QColor& color) {
    if (color == m_foreColor)
        return;
    m_foreColor = color;
    m_glyphs.clear();
}

void OffscreenStrip::fontChanged() {
    m_widths.clear();
    m_glyphs.clear();
    const QFontMetricsF metrics(m_font, &m_image);
    m_ascent = static_cast<int>(std::lround(metrics.ascent()));
    m_lineHeight = static_cast<int>(std::lround(metrics.lineSpacing()));
    m_widestCharacter = static_cast<int>(std::ceil(metrics.maxWidth())) + 2;
    fitImage();
}

int OffscreenStrip::textWidth(QChar ch) {
    return characterWidth(QString(ch), 0);
}

namespace {

QString cacheKey(QStringView cell, bool rightToLeft) {
    return rightToLeft ? QLatin1Char('\x01') + cell.toString() : cell.toString();
}

} // namespace

int OffscreenStrip::cellWidth(const TickerLine& line, qsizetype index) {
    const QStringView cell = line.cell(index);
    if (cell.isEmpty())
        return 0; // inside a cell: its start carries the whole width
    const QString key = cacheKey(cell, line.isRightToLeft(index));
    const auto cached = m_widths.constFind(key);
    if (cached != m_widths.constEnd())
        return *cached;
    // The advance is the same in either direction.
    const QFontMetricsF metrics(m_font, &m_image);
    const int width = static_cast<int>(std::lround(metrics.horizontalAdvance(cell.toString())));
    m_widths.insert(key, width);
    return width;
}

const OffscreenStrip::Glyph& OffscreenStrip::glyph(QStringView cell, bool rightToLeft) {
    const QString key = cacheKey(cell, rightToLeft);
    const auto cached = m_glyphs.constFind(key);
    if (cached != m_glyphs.constEnd())
        return *cached;
    // A text of many different cells (a long one in a large script) must not make the cache
    // grow without end: past a limit it starts again.
    constexpr qsizetype MostGlyphs = 4096;
    if (m_glyphs.size() >= MostGlyphs)
        m_glyphs.clear();
    const QString text = cell.toString();
    // Room for everything the font may paint around the cell, antialiasing included. A
    // cluster's bounding box can leave out its marks (and a fallback font's glyphs), so the
    // room is a line's height wider all round; only what is inked is kept.
    const QFontMetrics metrics(m_font, &m_image);
    const int margin = metrics.height();
    const QRect bounds =
        metrics.boundingRect(text)
            .united(QRect(0, -metrics.ascent(), metrics.horizontalAdvance(text), metrics.height()))
            .adjusted(-margin, -margin, margin, margin);
    QImage image(bounds.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(DotsPerMeter96Dpi);
    image.setDotsPerMeterY(DotsPerMeter96Dpi);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(m_font);
        painter.setPen(m_foreColor);
        // A right-to-left word is shaped and ordered as a right-to-left paragraph, so that
        // punctuation at its ends lands where a reader of that script expects it.
        painter.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(-bounds.topLeft(), text);
    }
    // Only the pixels that were painted are kept.
    QRect inked;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]))
                inked |= QRect(x, y, 1, 1);
    }
    Glyph made;
    if (!inked.isEmpty()) {
        made.image = image.copy(inked);
        made.offset = bounds.topLeft() + inked.topLeft();
    }
    return *m_glyphs.insert(key, made);
}

// Premultiplied "source over" of the glyph onto the strip, clipped to it.
void OffscreenStrip::drawGlyph(const Glyph& glyph, QPoint pen) {
    if (glyph.image.isNull())
        return;
    const QRect place(pen + glyph.offset, glyph.image.size());
    const QRect drawn = place.intersected(m_image.rect());
    if (drawn.isEmpty())
        return;
    // Row addresses by stride: scanLine() would check for sharing at every row.
    uchar* const strip = m_image.bits();
    const uchar* const pixels = glyph.image.constBits();
    for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
        const auto* from =
            reinterpret_cast<const QRgb*>(pixels + (y - place.top()) * glyph.image.bytesPerLine()) +
            (drawn.left() - place.left());
        auto* to = reinterpret_cast<QRgb*>(strip + y * m_image.bytesPerLine()) + drawn.left();
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb source = from[x];
            const uint alpha = qAlpha(source);
            if (alpha == 0)
                continue;
            if (alpha == 255) {
                to[x] = source;
                continue;
            }
            const uint keep = 255 - alpha;
            const QRgb under = to[x];
            to[x] = qRgb(qRed(source) + (qRed(under) * keep + 127) / 255,
                         qGreen(source) + (qGreen(under) * keep + 127) / 255,
                         qBlue(source) + (qBlue(under) * keep + 127) / 255);
        }
    }
}

int OffscreenStrip::lineHeight() const {
    return m_lineHeight;
}

void OffscreenStrip::clear() {
    m_image.fill(m_backColor);
    m_printPosition = QPoint(0, 0);
}

int OffscreenStrip::print(const TickerLine& line, int from) {
    const int width = m_image.width();
    int x = m_printPosition.x();
    int walked = 0;
    if (m_printPosition.y() < m_image.height()) {
        const int baseline = m_printPosition.y() + m_ascent;
        // Cells of at least one pixel reach the edge within `width` of them; zero-width ones
        // (a tiny font, joiners) must not make the walk run on through the whole text.
        const int mostCells = width + 2;
        bool pastEdge = false;
        qsizetype i = std::max(from, 1) - 1;
        // Started inside a cell: from the next one.
        while (i < line.size() && line.cellLength(i) == 0)
            ++i;
        for (; i < line.size() && walked < mostCells; ++walked) {
            if (x >= width) {
                if (pastEdge)
                    break;
                pastEdge = true; // one more, for a glyph that reaches back over the edge
            }
            const QStringView cell = line.cell(i);
            if (cell != QLatin1String(" "))
                drawGlyph(glyph(cell, line.isRightToLeft(i)), QPoint(x, baseline));
            x += cellWidth(line, i);
            i += cell.size();
        }
    }
    m_printPosition = QPoint(0, m_printPosition.y() + m_lineHeight);
    return walked;
}

} // namespace kalvora
