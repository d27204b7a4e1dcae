#pragma once
// Small helpers of the programs that look at what a screen or a still shows.

#include <QImage>

#include <cstdlib>

namespace kalvora::test {

// Mean difference per colour channel of two pictures of the same size, 0 to 255; 255 where
// the sizes differ.
inline double meanChannelDifference(const QImage& a, const QImage& b) {
    if (a.isNull() || a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// How many pixels of `image` have exactly the colour `colour`.
inline int pixelsOf(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

// Whether anything but `background` is drawn on `image`.
inline bool hasInk(const QImage& image, QRgb background) {
    return pixelsOf(image, background) < image.width() * image.height();
}

} // namespace kalvora::test

#ifdef KALVORA_X11_SCREEN
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kalvora::test {

// The whole screen as the monitors get it (the root window), or a null picture.
inline QImage grabScreen(::Display* display) {
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* shot = XGetImage(display, root, 0, 0, unsigned(attributes.width),
                             unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!shot)
        return QImage();
    QImage screen(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
            screen.setPixel(x, y, 0xFF000000u | (XGetPixel(shot, x, y) & 0xFFFFFFu));
    XDestroyImage(shot);
    return screen;
}

} // namespace kalvora::test
#endif
