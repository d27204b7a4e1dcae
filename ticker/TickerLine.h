#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace kalvora {

// The ticker text as the strip shows it, cut into cells: the pieces that are drawn whole and
// leave the strip in one advance.
//
// A cell is a grapheme cluster (a letter with its combining marks, a character outside the
// BMP, an emoji sequence), so that a decomposed "é" is drawn as one letter, or a word of a
// right-to-left script, which is drawn as a text engine lays it out: right to left, its
// letters shaped and joined. A right-to-left run in the line (words, and the blanks, digits
// and punctuation between them) is put in the order the eye meets it on a left-to-right line:
// its last word leftmost. No cell is longer than MaxCellLength UTF-16 units (a longer word is
// cut into pieces, which then do not join), so drawing a cell costs the same however long the
// text is.
class TickerLine {
public:
    static constexpr int MaxCellLength = 32;

    TickerLine() = default;
    // Takes the text in the order it was written; the work is proportional to its length.
    explicit TickerLine(const QString& written);

    // The text in the order the strip shows it (equal to the written text where nothing runs
    // right to left).
    const QString& text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    // The length of the cell that starts at `index`; 0 inside a cell.
    int cellLength(qsizetype index) const;
    QStringView cell(qsizetype index) const {
        return QStringView(m_text).mid(index, cellLength(index));
    }
    bool isRightToLeft(qsizetype index) const { return m_kinds.at(index) == RightToLeft; }

private:
    static constexpr char LeftToRight = 'l';
    static constexpr char RightToLeft = 'r';
    static constexpr char Inside = '-';
    void append(QStringView cell, char kind);

    QString m_text;
    QByteArray m_kinds; // per UTF-16 unit: the kind of cell it starts, or Inside
};

} // namespace kalvora
