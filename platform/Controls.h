#pragma once

#include "platform/Twips.h"

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QWidget>

namespace kalvora {

// Names a control after the layout table and puts it at its place, given in twips.
template <typename Control>
Control* placeControl(Control* control, const QString& name, const QRect& twips) {
    control->setObjectName(name);
    control->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return control;
}

// A control's text and background colours, as the layout tables give them.
inline void setControlColors(QWidget* control, const QColor& text, const QColor& background) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
    control->setPalette(colours);
}

} // namespace kalvora
