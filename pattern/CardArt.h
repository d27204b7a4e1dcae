#pragma once

#include "station/Canvas.h"

#include <QImage>

namespace kalvora {

// The built-in cards' pictures, drawn (not scaled) for the pixels that show them: every edge
// falls on a whole pixel, the finest grating is one pixel black, one pixel white at any size,
// and the circle is round as the viewer sees it, whatever the shape of the pixels.
//
// Both are designed on a sheet 960 units high: 1280 wide for 4:3, wider for wider pictures
// (1707 for 16:9), where the grid and the bars reach across the whole width and the test card's
// middle keeps its 4:3 design around the centre.
namespace CardArt {
inline constexpr int SheetHeight = 960;
// The sheet's width for a canvas of that shape.
double sheetWidth(const Canvas& canvas);

// For a canvas, laid out for its shape.
QImage testCard(const Canvas& canvas);
QImage colourBars(const Canvas& canvas);
// `pixels` showing a sheet `sheetWidth` units wide (the windows' pictures are a little wider
// than the window: see tools/draw_pictures).
QImage testCard(QSize pixels, double sheetWidth);
QImage colourBars(QSize pixels, double sheetWidth);
// Every colour the pictures are drawn in (for an 8-bit palette).
QList<QRgb> colours();
} // namespace CardArt

} // namespace kalvora
