#pragma once

#include <QRect>
#include <QSize>

namespace kalvora {

// What a card is drawn for: a grid of pixels and the shape of one pixel (a pixel's width over
// its height, the stream's sample aspect ratio). The picture is shown at `shownSize()`; a card
// lays itself out for that shape and draws on the pixels themselves, so that nothing of it is
// ever scaled afterwards.
struct Canvas {
    QSize pixels;
    int pixelWidth = 1; // the sample aspect ratio, pixelWidth : pixelHeight
    int pixelHeight = 1;

    double pixelAspect() const { return double(pixelWidth) / pixelHeight; }
    // The picture as the viewer sees it, in pixels as tall as the canvas's.
    double shownWidth() const { return pixels.width() * pixelAspect(); }
    // 16:9 and wider (anything from about 3:2 on) takes the wide layout; narrower, the 4:3 one.
    bool isWide() const { return shownWidth() >= 1.5 * pixels.height(); }

    // The card as designed (808 x 608, square pixels): the windows' size.
    static Canvas design();
    bool isDesign() const;

    // A stream's picture: PAL's 720 x 576 and 704 x 576 have 4:3 pixels (16:15, 12:11), or 16:9
    // ones (64:45, 16:11) when `wide`; other sizes have square pixels.
    static Canvas forStream(QSize size, bool wide);

    // Where a picture of `source` square pixels lies on this canvas, as large as it fits
    // keeping its shape, centred, on even pixels (the chroma planes are halved).
    QRect placeOf(QSize source) const;

    bool operator==(const Canvas& other) const {
        return pixels == other.pixels &&
               pixelWidth * other.pixelHeight == other.pixelWidth * pixelHeight;
    }
    bool operator!=(const Canvas& other) const { return !(*this == other); }
};

} // namespace kalvora
