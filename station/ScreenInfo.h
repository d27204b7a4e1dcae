#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace kalvora {

// A connected screen, as the program places windows on it.
struct ScreenInfo {
    QString name;    // as Qt reports it, e.g. "HDMI-1"; what the settings store
    QString model;   // maker and model, where the screen says
    QRect geometry;  // in Qt's (logical) coordinates of the desktop
    QSize pixelSize; // in device pixels
    bool primary = false;
    double devicePixelRatio = 1; // device pixels per Qt pixel on this screen
};

} // namespace kalvora
