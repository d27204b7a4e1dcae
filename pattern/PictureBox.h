#pragma once

#include <QImage>
#include <QWidget>

namespace kalvora {

// A test-pattern picture stretched to fill its box. It is scaled once, when the box gets its
// size, so painting is only a copy.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(const QString& name, const QString& resource, QWidget* parent);
    // A picture drawn for the box: shown as it is where the box has its size.
    PictureBox(const QString& name, QImage picture, QWidget* parent);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitPicture();

    QImage m_picture;
    QImage m_scaled;
    bool m_pressed = false;
};

} // namespace kalvora
