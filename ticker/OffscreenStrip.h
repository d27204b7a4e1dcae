#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QString>

#include "ticker/TickerLine.h"

namespace kalvora {

// The ticker's drawing strip that nobody sees: a persistent image with its own print position,
// font and colours. The scroller prints the text on it once per character advance and copies a
// window of it onto the visible strip at every step.
//
// Text is printed cell by cell (see TickerLine: a letter with its marks, or a right-to-left
// word) at whole-pixel advances equal to the measured cell widths, without kerning between
// cells, so that a cell sits exactly where the widths of the cells before it say. That is what
// lets the scroller shift the picture by exactly one pixel per step.
class OffscreenStrip {
public:
    OffscreenStrip();

    // The size of the window that is copied onto the visible strip. The image itself is wider
    // by the widest character, so that the columns shifted in at the right edge show the next
    // character's start rather than background.
    void resize(QSize size);
    QSize size() const { return m_size; }

    void setBackColor(const QColor& color) { m_backColor = color; }
    QColor backColor() const { return m_backColor; }
    void setForeColor(const QColor& color);
    QColor foreColor() const { return m_foreColor; }
    // Replaces face and size; the weight stays bold.
    void setFontName(const QString& family);
    void setFontSize(double points);
    // Letters narrowed or widened (percent; 100 as the font is): for a picture whose pixels are
    // not square. Kept when the face or size changes.
    void setFontStretch(int percent);
    const QFont& font() const { return m_font; }

    // Fills with the background colour and puts the print position at the top-left corner.
    void clear();
    // Prints `line` from the cell at position `from` (counted from 1) at the print position,
    // then moves the print position to the start of the next line. Only as much of the line as
    // covers the strip, plus one cell, is drawn, and never more cells than the strip has pixel
    // columns (plus two): the cost does not grow with the text's length, even for characters
    // that take no width. Returns how many cells it went through.
    int print(const TickerLine& line, int from = 1);
    int print(const QString& text, int from = 1) { return print(TickerLine(text), from); }
    // Width in pixels of one character in the strip's font (0 for "no character").
    int textWidth(QChar ch);
    // Width of the cell at `index` of `line`; 0 inside a cell (the cell's start carries its
    // whole width).
    int cellWidth(const TickerLine& line, qsizetype index);
    int characterWidth(const QString& text, qsizetype index) {
        return cellWidth(TickerLine(text), index);
    }
    int lineHeight() const;

    QPoint printPosition() const { return m_printPosition; }
    const QImage& image() const { return m_image; }

private:
    // A character as the font draws it in the text colour, on nothing: its premultiplied
    // pixels and where they go from the pen position on the baseline.
    struct Glyph {
        QImage image;
        QPoint offset;
    };
    void fontChanged();
    void fitImage();
    const Glyph& glyph(QStringView cell, bool rightToLeft);
    void drawGlyph(const Glyph& glyph, QPoint pen);

    QSize m_size;
    QImage m_image;
    QFont m_font;
    QColor m_backColor = Qt::white;
    QColor m_foreColor = Qt::black;
    QPoint m_printPosition;
    // By cell text; a right-to-left cell's key starts with an extra '\x01'.
    QHash<QString, int> m_widths;
    // Each cell is laid out and drawn once per font and colour, then only copied: a character
    // advance reprints the whole visible text.
    QHash<QString, Glyph> m_glyphs;
    int m_widestCharacter = 0;
    int m_ascent = 0;
    int m_lineHeight = 0;
};

} // namespace kalvora
