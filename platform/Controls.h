#pragma once

#include "settings/Twips.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalvora {

// The colours the windows are drawn in.
namespace Colours {
inline const QColor Yellow(255, 255, 0);
inline const QColor Green(0, 255, 0);
} // namespace Colours

// Names a control (tests find it by that name) and puts it at its place, given in twips.
template <typename Control>
Control* placeControl(Control* control, const QString& name, const QRect& twips) {
    control->setObjectName(name);
    control->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return control;
}

// The text and background colours of a caption, panel or window.
void setControlColors(QWidget* control, const QColor& text, const QColor& background);

// The letters and fill of an input control (text field, check box, list). Its frame or box
// outline is drawn from another colour, kept light, so that the control stays visible on the
// black windows even where its fill is black too.
void setInputColors(QWidget* control, const QColor& text, const QColor& fill);

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips,
                  const QColor& letters, const QColor& background);
// A one-line text field with `letters` on black.
QLineEdit* makeField(QWidget* parent, const QString& name, const QString& text, const QRect& twips,
                     const QColor& letters);
// A push button that Enter in another control does not press.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& twips);

} // namespace kalvora
