#include "platform/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace kalvora {

namespace {

// Light enough to show on black, quiet enough not to compete with the yellow and green.
const QColor Outline(160, 160, 160);

} // namespace

void setControlColors(QWidget* control, const QColor& text, const QColor& background) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
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
