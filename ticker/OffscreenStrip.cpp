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

void OffscreenStrip::setFontSize(double points) {
    if (m_font.pointSizeF() == points)
        return;
    m_font.setPointSizeF(points);
    fontChanged();
}

void OffscreenStrip::fontChanged() {
    m_widths.clear();
    const QFontMetricsF metrics(m_font, &m_image);
    m_ascent = static_cast<int>(std::lround(metrics.ascent()));
    m_lineHeight = static_cast<int>(std::lround(metrics.lineSpacing()));
    m_widestCharacter = static_cast<int>(std::ceil(metrics.maxWidth())) + 2;
    fitImage();
}

int OffscreenStrip::textWidth(QChar ch) {
    return characterWidth(QString(ch), 0);
}

int OffscreenStrip::characterWidth(const QString& text, qsizetype index) {
    const QChar ch = text.at(index);
    if (ch.isLowSurrogate())
        return 0; // its high half carries the character's width
    const bool pair = ch.isHighSurrogate() && index + 1 < text.size() &&
                      text.at(index + 1).isLowSurrogate();
    const char32_t codePoint = pair ? QChar::surrogateToUcs4(ch, text.at(index + 1)) : ch.unicode();
    const auto cached = m_widths.constFind(codePoint);
    if (cached != m_widths.constEnd())
        return *cached;
    const QFontMetricsF metrics(m_font, &m_image);
    const int width =
        static_cast<int>(std::lround(metrics.horizontalAdvance(text.mid(index, pair ? 2 : 1))));
    m_widths.insert(codePoint, width);
    return width;
}

int OffscreenStrip::lineHeight() const {
    return m_lineHeight;
}

void OffscreenStrip::clear() {
    m_image.fill(m_backColor);
    m_printPosition = QPoint(0, 0);
}

int OffscreenStrip::print(const QString& text, int from) {
    const int width = m_image.width();
    int x = m_printPosition.x();
    int walked = 0;
    if (m_printPosition.y() < m_image.height()) {
        QPainter painter(&m_image);
        painter.setFont(m_font);
        painter.setPen(m_foreColor);
        const int baseline = m_printPosition.y() + m_ascent;
        // Characters of at least one pixel reach the edge within `width` of them; zero-width
        // ones (a tiny font, joiners) must not make the walk run on through the whole text.
        const int mostCharacters = width + 2;
        bool pastEdge = false;
        for (qsizetype i = std::max(from, 1) - 1; i < text.size() && walked < mostCharacters;
             ++i, ++walked) {
            if (x >= width) {
                if (pastEdge)
                    break;
                pastEdge = true; // one more, for a glyph that reaches back over the edge
            }
            const QChar ch = text.at(i);
            const bool pair = ch.isHighSurrogate() && i + 1 < text.size() &&
                              text.at(i + 1).isLowSurrogate();
            // A character outside the BMP is drawn whole; a lone half is not drawn at all.
            if (ch != QLatin1Char(' ') && !ch.isLowSurrogate())
                painter.drawText(QPoint(x, baseline), text.mid(i, pair ? 2 : 1));
            x += characterWidth(text, i);
            if (pair)
                ++i;
        }
    }
    m_printPosition = QPoint(0, m_printPosition.y() + m_lineHeight);
    return walked;
}

} // namespace kalvora
