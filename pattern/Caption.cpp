#include "pattern/Caption.h"

#include "settings/Twips.h"

#include <cmath>

namespace kalvora {

Caption::Caption(const Design& design, QWidget* parent)
    : QLabel(parent), m_sizing(design.sizing),
      m_centre((design.twips.x() + design.twips.width() / 2.0) / TwipsPerPixel) {
    QFont font(QString::fromLatin1(design.family));
    font.setPointSizeF(design.points);
    setUp(
        design,
        twipsRect(design.twips.x(), design.twips.y(), design.twips.width(), design.twips.height()),
        font);
}

Caption::Caption(const Design& design, QWidget* parent, const QRect& pixels, const QFont& font)
    : QLabel(parent), m_sizing(design.sizing), m_centre(pixels.x() + pixels.width() / 2.0) {
    setUp(design, pixels, font);
}

void Caption::setUp(const Design& design, const QRect& pixels, const QFont& font) {
    setObjectName(QString::fromLatin1(design.name));
    setGeometry(pixels);
    QFont bold(font);
    bold.setBold(true);
    setFont(bold);
    setAlignment(design.horizontal | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(design.opaqueBlack);
    setTextFormat(Qt::PlainText);
}

void Caption::setCaption(const QString& text) {
    setText(text);
    const QRect before = geometry();
    if (m_sizing != Sizing::Fixed) {
        const QFontMetrics metrics(font());
        const QSize size(metrics.horizontalAdvance(text), metrics.height());
        int left = before.left();
        if (m_sizing == Sizing::KeepCentre)
            left = static_cast<int>(std::floor(m_centre - size.width() / 2.0));
        setGeometry(QRect(QPoint(left, before.top()), size));
    }
    // Announced once the box has its new size, so that whoever draws it again finds it there.
    emit captionChanged(before.united(geometry()));
}

} // namespace kalvora
