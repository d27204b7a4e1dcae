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

    // As a card's window designs it: a box in twips, a bold font of `points`.
    struct Design {
        const char* name;
        QRect twips;
        const char* family;
        double points;
        Qt::Alignment horizontal;
        Sizing sizing;
        bool opaqueBlack;
    };

    Caption(const Design& design, QWidget* parent);
    // The same caption laid out elsewhere: a box in pixels, with a font of its own.
    Caption(const Design& design, QWidget* parent, const QRect& pixels, const QFont& font);

    void setCaption(const QString& text);

signals:
    // The text (and with it the box) changed; `area`, in the parent's coordinates, holds the
    // box before and after.
    void captionChanged(const QRect& area);

private:
    void setUp(const Design& design, const QRect& pixels, const QFont& font);

    Sizing m_sizing;
    // The designed centre, in pixels, kept exact: placing each new size from the last one
    // would round odd differences and let the box creep sideways.
    double m_centre;
};

} // namespace kalvora
