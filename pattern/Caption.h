#pragma once

#include <QLabel>

namespace kalvora {

// A caption laid over a test-pattern picture. Its text line starts at the top of its box.
// A caption that sizes itself takes the size of its text whenever the text changes, keeping
// its left edge or its centre where they were designed, however often it changes.
class Caption : public QLabel {
    Q_OBJECT
public:
    enum class Sizing { Fixed, KeepLeft, KeepCentre };

    Caption(const QString& name, QWidget* parent, const QRect& twips, const QString& family,
            double points, Qt::Alignment horizontal, Sizing sizing, bool opaqueBlack);

    void setCaption(const QString& text);

signals:
    // The text (and with it the box) changed; `area`, in the parent's coordinates, holds the
    // box before and after.
    void captionChanged(const QRect& area);

private:
    Sizing m_sizing;
    // The designed centre, in pixels, kept exact: placing each new size from the last one
    // would round odd differences and let the box creep sideways.
    double m_centre;
};

} // namespace kalvora
