#pragma once

#include <QColor>
#include <QRect>

namespace kalvora {

class OffscreenStrip;

// What the scroller needs of the visible strip on test pattern 1.
class TickerView {
public:
    virtual ~TickerView() = default;
    // One-to-one copy of the strip-sized window of `source` whose left edge is column
    // `sourceX`; columns beyond the source show its background colour.
    virtual void showColumns(const OffscreenStrip& source, int sourceX) = 0;
    virtual void setStripVisible(bool visible) = 0;
    // The strip's place on the pattern, in pixels, and its background colour.
    virtual void setStripLook(const QRect& place, const QColor& backColor) = 0;
};

} // namespace kalvora
