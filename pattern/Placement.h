#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QPoint>
#include <QString>

namespace kalvora {

// Where both test patterns go, from the screens Qt reports and the operator's choice of output
// screen (the setting "output_screen": empty for automatic, otherwise a screen's name).
//
// `onOutput` is the side "Scherm" toggles: the output (transmitter) screen, or the primary
// screen. Automatic keeps the program's first rule: the output is at x = the primary screen's
// width, y = 0, and the other side at 0, 0. A chosen screen puts the patterns at its top-left
// corner, wherever it lies; a chosen screen that is not connected sends them to the primary
// screen's top-left corner, where the operator can see them, until it comes back.
QPoint patternPlace(const QList<ScreenInfo>& screens, const QString& chosen, bool onOutput);

// The name the Uitgang menu gives a screen: its name, maker and model, and size.
QString screenCaption(const ScreenInfo& screen);

} // namespace kalvora
