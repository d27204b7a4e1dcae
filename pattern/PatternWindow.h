#pragma once

#include "pattern/Placement.h"
#include "platform/LoadedWindow.h"

#include <QPointer>
#include <optional>

namespace kalvora {

class FrameRenderer;
class TickerStrip;

// A borderless test-pattern window for the transmitter's screen. The pattern itself (picture,
// captions, ticker strip) lies on the window's stage, always 808 x 608 pixels as designed.
//
// Where the output is exactly that many device pixels (1:1 on an unscaled screen) the stage
// is the window's content, as it always was. Anywhere else (a pattern fitted or stretched to
// its screen, or a screen that Qt scales) the stage is kept out of sight and the window shows
// the stage's frames, scaled to its picture place; a click on the picture still reaches the
// pattern. The same frames feed the preview and the stream.
class PatternWindow : public LoadedWindow {
    Q_OBJECT
public:
    // The pattern as designed; every part of it is a child of this.
    QWidget* stage() const { return m_stage; }
    static QSize designSize();
    // The pattern's frames, drawn only where they changed.
    FrameRenderer& frames() const { return *m_frames; }

    // Moves and sizes the window and lays the picture out in it.
    void setOutputPlace(const OutputPlace& place);
    const OutputPlace& outputPlace() const { return m_place; }
    // Whether the stage is the window's content (and not drawn from frames).
    bool showsStageDirectly() const;
    // The pattern point a window point shows; nothing outside the picture.
    std::optional<QPoint> patternPoint(QPointF windowPoint) const;
    // The part of the window that shows `stageArea` of the pattern, widened by the pixels that
    // filtering takes from across its edge.
    QRect windowArea(const QRect& stageArea) const;

protected:
    PatternWindow();
    // Called by the pattern once its stage is laid out; `strip` is its moving ticker strip,
    // which says when it changed.
    void finishStage(const TickerStrip* strip);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Re-created, it would carry placeholder captions on air: only the panel closes it.
    bool unloadsOnlyByProgram() const override { return true; }

private:
    // The window's picture place in its own (Qt) coordinates.
    QRectF pictureInWindow() const;
    void contentChanged(const QRect& stageArea);

    QWidget* m_stage;
    FrameRenderer* m_frames = nullptr;
    OutputPlace m_place;
    QRect m_stripPlace;
    QPointer<QWidget> m_pressedOn;
};

} // namespace kalvora
