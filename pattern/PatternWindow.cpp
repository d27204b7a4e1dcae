#include "pattern/PatternWindow.h"

#include "pattern/FrameRenderer.h"
#include "pattern/PictureBox.h"
#include "station/Cards.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace kalvora {

namespace {

// The patterns are pictures for the transmitter: shown, they come to the front but never take
// the keyboard from the control panel, so the operator's next keystrokes are not lost.
constexpr Qt::WindowFlags PatternWindowFlags =
    Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;

// Far enough left that no part of the stage lies in any window.
constexpr int OutOfSight = -100000;

} // namespace

QSize PatternWindow::designSize() {
    return Cards::designSize();
}

PatternWindow::PatternWindow() : LoadedWindow(PatternWindowFlags), m_stage(new QWidget(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Form2"));
    m_stage->setObjectName(QStringLiteral("stage"));
    m_stage->setGeometry(QRect(QPoint(0, 0), designSize()));
    // Wherever the picture leaves a pixel open, the window's own background shows, as it
    // always did, on the screen and in every frame.
    m_stage->setAutoFillBackground(true);
    m_place.window = QRect(QPoint(0, 0), designSize());
    m_place.picture = m_place.window;
    setFixedSize(designSize());
}

void PatternWindow::startDrawingFrames(const TickerStrip* strip) {
    m_frames = new FrameRenderer(*m_stage, strip, this);
    // Out of sight, the stage paints nothing: whatever changes on it is drawn again from
    // frames, and only where it changed (while another card is shown, its changes count).
    connect(m_frames, &FrameRenderer::changed, this, [this](const QRect& area) {
        if (!m_cardFrames)
            contentChanged(area);
    });
}

bool PatternWindow::showsStageDirectly() const {
    return !m_cardFrames && m_place.isDirect(designSize());
}

void PatternWindow::showCard(FrameRenderer* cardFrames) {
    if (cardFrames == m_cardFrames)
        return;
    disconnect(m_cardChanges);
    m_cardFrames = cardFrames;
    if (cardFrames)
        m_cardChanges =
            connect(cardFrames, &FrameRenderer::changed, this, &PatternWindow::contentChanged);
    setOutputPlace(m_place);
    contentChanged(QRect());
}

void PatternWindow::setOutputPlace(const OutputPlace& place) {
    m_place = place;
    setFixedSize(place.window.size());
    move(place.window.topLeft());
    m_stage->move(showsStageDirectly() ? QPoint(0, 0) : QPoint(OutOfSight, 0));
    update();
}

QRectF PatternWindow::pictureInWindow() const {
    // The screen's own ratio, once the window is on it; the planned one before.
    const double ratio = isVisible() ? devicePixelRatioF() : m_place.devicePixelRatio;
    const QRectF picture(m_place.picture);
    return QRectF(picture.topLeft() / ratio, picture.size() / ratio);
}

std::optional<QPoint> PatternWindow::patternPoint(QPointF windowPoint) const {
    if (showsStageDirectly())
        return windowPoint.toPoint();
    const QRectF picture = pictureInWindow();
    if (!picture.contains(windowPoint))
        return std::nullopt;
    const QSize design = designSize();
    const QPointF inPicture = windowPoint - picture.topLeft();
    return QPoint(
        std::min(design.width() - 1, int(inPicture.x() * design.width() / picture.width())),
        std::min(design.height() - 1, int(inPicture.y() * design.height() / picture.height())));
}

void PatternWindow::showFramesOf(PatternWindow* onAir) {
    if (onAir == this)
        onAir = nullptr;
    // Drawn again even for the same window: it may have been shown or hidden meanwhile.
    update();
    if (onAir == m_onAir)
        return;
    disconnect(m_onAirChanges);
    m_onAir = onAir;
    if (onAir)
        m_onAirChanges = connect(onAir, &PatternWindow::patternChanged, this,
                                 [this, onAir](const QRect& stageArea) {
                                     if (&shownPattern() == onAir)
                                         redraw(stageArea);
                                 });
}

const PatternWindow& PatternWindow::shownPattern() const {
    if (m_onAir && m_onAir->isVisible() && !showsStageDirectly())
        return *m_onAir;
    return *this;
}

void PatternWindow::showEvent(QShowEvent* event) {
    LoadedWindow::showEvent(event);
    emit visibilityChanged();
}

void PatternWindow::hideEvent(QHideEvent* event) {
    LoadedWindow::hideEvent(event);
    emit visibilityChanged();
}

void PatternWindow::contentChanged(const QRect& stageArea) {
    emit patternChanged(stageArea);
    if (&shownPattern() == this)
        redraw(stageArea);
}

void PatternWindow::redraw(const QRect& stageArea) {
    if (showsStageDirectly() || !isVisible())
        return;
    if (stageArea.isEmpty())
        update();
    else
        update(windowArea(stageArea));
}

QRect PatternWindow::windowArea(const QRect& stageArea) const {
    const QRectF picture = pictureInWindow();
    const double sx = picture.width() / designSize().width();
    const double sy = picture.height() / designSize().height();
    return QRectF(picture.left() + stageArea.left() * sx, picture.top() + stageArea.top() * sy,
                  stageArea.width() * sx, stageArea.height() * sy)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

void PatternWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (showsStageDirectly()) {
        // The stage covers the window; this is only reached while it is being laid out.
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    const QRectF picture = pictureInWindow();
    const QImage& frame = shownPattern().frames().frame();
    // Black around the picture (fit) and in any part pixel beyond it (1:1 on a scaled screen).
    painter.fillRect(rect(), Qt::black);
    // At one device pixel per pattern pixel the frame is copied as it is; scaled, it is
    // filtered.
    const bool exact = qFuzzyCompare(picture.width() * devicePixelRatioF(), frame.width()) &&
                       qFuzzyCompare(picture.height() * devicePixelRatioF(), frame.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
    painter.drawImage(picture, frame);
}

QWidget* PatternWindow::pressTarget(const PatternWindow& shown, QPoint point) {
    // Another card shown in its place: all of it is the picture.
    if (shown.m_cardFrames)
        return shown.m_stage->findChild<PictureBox*>();
    return shown.m_stage->childAt(point);
}

void PatternWindow::mousePressEvent(QMouseEvent* event) {
    m_pressedOn = nullptr;
    // Shown directly, the picture takes its own clicks; what reaches the window here was
    // passed on by a caption or the strip.
    if (showsStageDirectly() || event->button() != Qt::LeftButton)
        return;
    if (const auto point = patternPoint(event->position()))
        m_pressedOn = pressTarget(shownPattern(), *point);
}

void PatternWindow::mouseReleaseEvent(QMouseEvent* event) {
    QWidget* pressed = m_pressedOn;
    m_pressedOn = nullptr;
    if (!pressed || event->button() != Qt::LeftButton)
        return;
    const auto point = patternPoint(event->position());
    // A click is a press and a release on the same picture, as on the picture itself.
    if (point && pressTarget(shownPattern(), *point) == pressed)
        if (auto* picture = qobject_cast<PictureBox*>(pressed))
            emit picture->clicked();
}

} // namespace kalvora
