#include "ticker/TickerLine.h"

#include <QList>
#include <QTextBoundaryFinder>

namespace kalvora {

namespace {

enum class Direction { Left, Right, Number, Neutral };

Direction directionOf(QStringView text, qsizetype index) {
    const char32_t codePoint =
        text.at(index).isHighSurrogate() && index + 1 < text.size() &&
                text.at(index + 1).isLowSurrogate()
            ? QChar::surrogateToUcs4(text.at(index), text.at(index + 1))
            : text.at(index).unicode();
    switch (QChar::direction(codePoint)) {
    case QChar::DirL:
        return Direction::Left;
    case QChar::DirR:
    case QChar::DirAL:
        return Direction::Right;
    case QChar::DirEN:
    case QChar::DirAN:
        return Direction::Number;
    default:
        return Direction::Neutral; // blanks, punctuation, marks
    }
}

// Calls `take(start, end)` for each grapheme cluster of `text`, in order; a cluster longer than
// TickerLine::MaxCellLength is cut.
template <typename Take> void forEachCluster(QStringView text, Take take) {
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = clusters.toNextBoundary();
        if (end <= start)
            end = text.size();
        for (; start < end; start = std::min(end, start + TickerLine::MaxCellLength))
            take(start, std::min(end, start + TickerLine::MaxCellLength));
    }
}

} // namespace

TickerLine::TickerLine(const QString& written) {
    m_text.reserve(written.size());
    m_kinds.reserve(written.size());
    const QStringView text(written);
    const auto leftToRight = [this, text](qsizetype from, qsizetype to) {
        const QStringView part = text.mid(from, to - from);
        forEachCluster(part, [&](qsizetype start, qsizetype end) {
            append(part.mid(start, end - start), LeftToRight);
        });
    };
    // A right-to-left run: its words (cut where longer than a cell) and blanks, last first.
    const auto rightToLeft = [this, text](qsizetype from, qsizetype to) {
        QList<std::pair<QStringView, char>> pieces;
        for (qsizetype i = from; i < to;) {
            if (text.at(i).isSpace()) {
                pieces.append({text.mid(i, 1), LeftToRight});
                ++i;
                continue;
            }
            qsizetype end = i;
            while (end < to && !text.at(end).isSpace())
                ++end;
            const QStringView word = text.mid(i, end - i);
            if (word.size() <= MaxCellLength) {
                pieces.append({word, RightToLeft});
            } else {
                // Pieces of whole clusters, each as long as a cell may be.
                qsizetype pieceStart = 0, pieceEnd = 0;
                forEachCluster(word, [&](qsizetype, qsizetype clusterEnd) {
                    if (clusterEnd - pieceStart > MaxCellLength) {
                        pieces.append({word.mid(pieceStart, pieceEnd - pieceStart), RightToLeft});
                        pieceStart = pieceEnd;
                    }
                    pieceEnd = clusterEnd;
                });
                pieces.append({word.mid(pieceStart, pieceEnd - pieceStart), RightToLeft});
            }
            i = end;
        }
        for (auto piece = pieces.crbegin(); piece != pieces.crend(); ++piece)
            append(piece->first, piece->second);
    };

    // A run starts at a right-to-left character and takes what follows it up to the last
    // right-to-left character or number before a left-to-right character: a number after
    // right-to-left text belongs to it, as the Unicode bidirectional algorithm has it.
    qsizetype runStart = -1, runEnd = -1, done = 0;
    forEachCluster(text, [&](qsizetype start, qsizetype end) {
        const Direction direction = directionOf(text, start);
        if (direction == Direction::Right) {
            if (runStart < 0) {
                leftToRight(done, start);
                runStart = start;
            }
            runEnd = end;
        } else if (direction == Direction::Number && runStart >= 0) {
            runEnd = end;
        } else if (direction == Direction::Left && runStart >= 0) {
            rightToLeft(runStart, runEnd);
            done = runEnd;
            runStart = -1;
        }
    });
    if (runStart >= 0) {
        rightToLeft(runStart, runEnd);
        done = runEnd;
    }
    leftToRight(done, text.size());
}

void TickerLine::append(QStringView cell, char kind) {
    if (cell.isEmpty())
        return;
    m_text += cell;
    m_kinds += kind;
    m_kinds += QByteArray(cell.size() - 1, Inside);
}

int TickerLine::cellLength(qsizetype index) const {
    if (index < 0 || index >= m_kinds.size() || m_kinds.at(index) == Inside)
        return 0;
    qsizetype end = index + 1;
    while (end < m_kinds.size() && m_kinds.at(end) == Inside)
        ++end;
    return int(end - index);
}

} // namespace kalvora
