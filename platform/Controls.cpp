#include "platform/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace kalvora {

namespace {

// Light enough to show on black, quiet enough not to compete with the yellow and green.
const QColor Outline(160, 160, 160);

QColor halfway(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// Colours set for a control hold for every state, disabled too, and a greyed-out field would
// look as editable as ever: disabled, the letters fade halfway into the background and a field's
// fill turns grey.
void greyWhenDisabled(QPalette& colours, const QColor& text, const QColor& background,
                      bool filled) {
    const QColor fill = filled ? halfway(background, QColor(128, 128, 128)) : background;
    colours.setColor(QPalette::Disabled, QPalette::WindowText, halfway(text, fill));
    colours.setColor(QPalette::Disabled, QPalette::Text, halfway(text, fill));
    colours.setColor(QPalette::Disabled, QPalette::Base, fill);
}

} // namespace

void setControlColors(QWidget* control, const QColor& text, const QColor& background) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
    greyWhenDisabled(colours, text, background, false);
    control->setPalette(colours);
}

void setInputColors(QWidget* control, const QColor& text, const QColor& fill) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Base, fill);
    // Styles draw frames and box outlines from the window colour, darkened.
    colours.setColor(QPalette::Window, Outline);
    colours.setColor(QPalette::Button, Outline);
    greyWhenDisabled(colours, text, fill, true);
    control->setPalette(colours);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips,
                  const QColor& letters, const QColor& background) {
    auto* label = placeControl(new QLabel(text, parent), name, twips);
    setControlColors(label, letters, background);
    return label;
}

QLineEdit* makeField(QWidget* parent, const QString& name, const QString& text,
                     const QRect& twips, const QColor& letters) {
    auto* field = placeControl(new QLineEdit(parent), name, twips);
    setInputColors(field, letters, Qt::black);
    field->setText(text);
    field->home(false); // the start of a text longer than the field
    return field;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& twips) {
    auto* button = placeControl(new QPushButton(text, parent), name, twips);
    button->setAutoDefault(false);
    return button;
}

} // namespace kalvora
