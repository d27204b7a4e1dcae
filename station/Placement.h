#pragma once

#include "station/ScreenInfo.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <optional>

namespace kalvora {

// Where both test patterns go, from the screens Qt reports and the operator's choice of output
// screen (the setting "output_screen": empty for automatic, otherwise a screen's name).
//
// `onOutput` is the side "Scherm" toggles: the output (transmitter) screen, or the primary
// screen. Automatic keeps the program's first rule: the output is at x = the primary screen's
// width, y = 0 (taken from the primary's own corner, and never on the primary while another
// screen is connected: then the other screen nearest to that corner), and the other side at
// 0, 0 (the primary's own corner where it does not start there). A chosen screen puts the patterns
// at its top-left corner, wherever it lies; a chosen screen that is not connected sends them to the
// primary screen's top-left corner, where the operator can see them, until it comes back.
QPoint patternCorner(const QList<ScreenInfo>& screens, const QString& chosen, bool onOutput);

// The screen that feeds the transmitter: the chosen one while it is connected; for automatic,
// the screen (other than the primary) at the first rule's corner. Nothing when there is none.
std::optional<ScreenInfo> transmitterScreen(const QList<ScreenInfo>& screens,
                                            const QString& chosen);

// The name the Uitgang menu gives a screen: its name, maker and model, and size.
QString screenCaption(const ScreenInfo& screen);

} // namespace kalvora

namespace kalvora {

// How large a pattern is on its output screen (the setting "output_scale").
enum class OutputScale {
    OneToOne, // "1:1": 808 x 608 device pixels at the top-left corner
    Fit,      // "fit": as large as fits, its shape kept, centred, black around it
    Fill,     // "fill": stretched over the whole screen (for screens with non-square pixels)
};
// Anything unknown is the default, 1:1.
OutputScale outputScaleFrom(const QString& text);
QString outputScaleText(OutputScale scale);

// Where a pattern window goes and where its picture lies in it.
struct OutputPlace {
    QRect window;  // in Qt's coordinates of the desktop
    QRect picture; // in device pixels, from the window's top-left corner
    double devicePixelRatio = 1;
    // The picture is exactly the pattern, pixel for pixel: the window can show it as it is.
    bool isDirect(const QSize& design) const {
        return devicePixelRatio == 1 && picture == QRect(QPoint(0, 0), design) &&
               window.size() == design;
    }
};

// The window for a pattern of `design` pixels whose corner is at `corner` (see patternCorner).
// The output side is scaled as `scale` says to the screen the corner lies on; the operator's
// side, and a corner on no screen, keep 1:1. 1:1 is always exact in device pixels, also on a
// screen that Qt scales.
OutputPlace outputPlace(const QList<ScreenInfo>& screens, QPoint corner, bool onOutput,
                        OutputScale scale, QSize design);

} // namespace kalvora
