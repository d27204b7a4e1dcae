#pragma once

#include "ticker/TickerView.h"

#include <QImage>
#include <QWidget>

namespace kalvora {

// The visible ticker strip on test pattern 1 (`Picture1`). It keeps its own image: each step
// copies the strip-sized window of the off-screen strip into it, and paintEvent only draws it.
class TickerStrip : public QWidget, public TickerView {
    Q_OBJECT
public:
    explicit TickerStrip(QWidget* parent = nullptr);

    void setBackColor(const QColor& color);
    QColor backColor() const { return m_backColor; }

    void showColumns(const OffscreenStrip& source, int sourceX) override;
    void setStripVisible(bool visible) override {
        setVisible(visible);
        emit contentChanged();
    }
    void setStripLook(const QRect& place, const QColor& backColor) override {
        setGeometry(place);
        setBackColor(backColor);
    }

    const QImage& image() const { return m_image; }

signals:
    // The strip moved on, changed colour, place or size, or was shown or hidden.
    void contentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void fitImage();

    QImage m_image;
    QColor m_backColor = Qt::red;
};

} // namespace kalvora
