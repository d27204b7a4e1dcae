#pragma once

#include "platform/LoadedWindow.h"
#include "station/Placement.h"

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
    // The pattern's frames, drawn only where they changed: its own stage's, or those of the
    // card it shows instead (showCard).
    FrameRenderer& frames() const { return m_cardFrames ? *m_cardFrames : *m_frames; }
    // Shows another card's frames (drawn at the design size) in place of the stage; nothing:
    // the stage again. A click on the picture counts as a click on the stage's picture.
    void showCard(FrameRenderer* cardFrames);

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

    // Where the pattern is drawn from frames (scaled), the window shows `onAir`'s frames
    // instead of its own while that one is shown, and passes clicks on to it; nothing shows its
    // own again. Both patterns share one place on the output screen, and a window manager may
    // stack a window that covers a whole monitor in a layer of its own, out of reach of a
    // raise: this way whichever window it puts in front, the transmitter shows the pattern the
    // operator chose last.
    void showFramesOf(PatternWindow* onAir);
    // The pattern this window shows now.
    const PatternWindow& shownPattern() const;

signals:
    // Part of the pattern changed (an empty area: all of it).
    void patternChanged(const QRect& stageArea);
    void visibilityChanged();

protected:
    PatternWindow();
    // Called by the pattern once its stage is laid out; `strip` is its moving ticker strip.
    void startDrawingFrames(const TickerStrip* strip);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Re-created, it would carry placeholder captions on air: only the panel closes it.
    bool unloadsOnlyByProgram() const override { return true; }

private:
    // What a press at `point` of `shown`'s pattern lands on.
    static QWidget* pressTarget(const PatternWindow& shown, QPoint point);
    // The window's picture place in its own (Qt) coordinates.
    QRectF pictureInWindow() const;
    void contentChanged(const QRect& stageArea);
    // Draws the part of the window that shows `stageArea` again (all for an empty area).
    void redraw(const QRect& stageArea);

    QWidget* m_stage;
    FrameRenderer* m_frames = nullptr;
    OutputPlace m_place;
    QPointer<QWidget> m_pressedOn;
    QPointer<PatternWindow> m_onAir;
    QMetaObject::Connection m_onAirChanges;
    FrameRenderer* m_cardFrames = nullptr;
    QMetaObject::Connection m_cardChanges;
};

} // namespace kalvora
