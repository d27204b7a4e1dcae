#pragma once

#include <QRect>
#include <cmath>

namespace kalvora {

// Window layouts are measured in twips (1/1440 inch); at 96 dots per inch 15 twips make one
// pixel. Positions stay in twips in the code, the unit the windows were designed in, and are
// converted here, at the edge.
constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(double twips) {
    // nearbyint rounds halves to even in the default rounding mode, as the conversions do.
    return static_cast<int>(std::nearbyint(twips / TwipsPerPixel));
}

inline int pixelsToTwips(int pixels) {
    return pixels * TwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace kalvora
