#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <algorithm>
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

    // The ranges in order, those that overlap or touch made one, each inside [0, height): a
    // list of changes that stays as short as the distinct places that changed.
    static RowRanges merged(RowRanges ranges, int height) {
        std::sort(ranges.begin(), ranges.end());
        RowRanges result;
        for (auto [first, last] : ranges) {
            first = std::clamp(first, 0, height);
            last = std::clamp(last, 0, height);
            if (first >= last)
                continue;
            if (!result.isEmpty() && first <= result.last().second)
                result.last().second = std::max(result.last().second, last);
            else
                result.append({first, last});
        }
        return result;
    }
};

} // namespace kalvora
