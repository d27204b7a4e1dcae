#include "pattern/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace kalvora {

PictureBox::PictureBox(const QString& name, const QString& resource, QWidget* parent)
    : PictureBox(name, QImage(resource), parent) {}

PictureBox::PictureBox(const QString& name, QImage picture, QWidget* parent)
    : QWidget(parent), m_picture(std::move(picture)) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::resizeEvent(QResizeEvent*) {
    fitPicture();
}

// A window that is rendered without ever being shown gets no resize event; painting makes sure.
void PictureBox::fitPicture() {
    if (m_scaled.size() == size())
        return;
    if (m_picture.size() == size() && m_picture.format() == QImage::Format_RGB32) {
        m_scaled = m_picture;
        return;
    }
    m_scaled = m_picture.convertToFormat(QImage::Format_RGB32)
                   .scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void PictureBox::paintEvent(QPaintEvent*) {
    fitPicture();
    QPainter(this).drawImage(0, 0, m_scaled);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        emit clicked();
    m_pressed = false;
}

} // namespace kalvora
