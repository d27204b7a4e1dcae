#include "station/Canvas.h"

#include "station/Cards.h"

#include <cmath>

namespace kalvora {

Canvas Canvas::design() {
    return Canvas{Cards::designSize()};
}

bool Canvas::isDesign() const {
    return *this == design();
}

Canvas Canvas::forStream(QSize size, bool wide) {
    if (size == QSize(720, 576))
        return wide ? Canvas{size, 64, 45} : Canvas{size, 16, 15};
    if (size == QSize(704, 576))
        return wide ? Canvas{size, 16, 11} : Canvas{size, 12, 11};
    return Canvas{size};
}

QRect Canvas::placeOf(QSize source) const {
    if (source.isEmpty() || pixels.isEmpty())
        return QRect(QPoint(0, 0), pixels);
    // Fitted in shown pixels, then back to this canvas's pixels.
    const double scale =
        std::min(shownWidth() / source.width(), double(pixels.height()) / source.height());
    const int width =
        std::min(pixels.width(), int(std::lround(source.width() * scale / pixelAspect())) & ~1);
    const int height = std::min(pixels.height(), int(std::lround(source.height() * scale)) & ~1);
    return QRect(QPoint((pixels.width() - width) / 2 & ~1, (pixels.height() - height) / 2 & ~1),
                 QSize(width, height));
}

} // namespace kalvora
