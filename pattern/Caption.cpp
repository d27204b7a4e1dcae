#include "pattern/Caption.h"

#include "settings/Twips.h"

#include <cmath>

namespace kalvora {

Caption::Caption(const QString& name, QWidget* parent, const QRect& twips, const QString& family,
                 double points, Qt::Alignment horizontal, Sizing sizing, bool opaqueBlack)
    : QLabel(parent), m_sizing(sizing),
      m_centre((twips.x() + twips.width() / 2.0) / TwipsPerPixel) {
    setObjectName(name);
    setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(true);
    setFont(font);
    setAlignment(horizontal | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(opaqueBlack);
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
