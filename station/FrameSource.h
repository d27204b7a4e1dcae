#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace kalvora {

// What every frame output (raw frames, a still, a network stream, the panel's stream) takes its
// pictures from: what is on air, drawn frame by frame with a ticker that steps with the frames.
class FrameSource {
public:
    // Rows [first, last) of a frame.
    using RowRanges = QList<std::pair<int, int>>;

    virtual ~FrameSource() = default;
    // The picture of frame `index`, counted by the output from its start: the ticker has moved
    // on to it. Valid until the next call.
    virtual const QImage& frameAt(qint64 index) = 0;
    // The rows that changed since this was last asked, or nothing when anything may have (a
    // new card, a new size): an output converts only those rows again.
    virtual std::optional<RowRanges> takeChangedRows() = 0;
    // The call sign on the card that is on air: the name of a stream's service.
    virtual QString callSign() const = 0;
};

} // namespace kalvora
