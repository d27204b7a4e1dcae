#pragma once

#include <QImage>
#include <QObject>
#include <QRect>

namespace kalvora {

class TickerStrip;

// Renders a test pattern (its stage, see PatternWindow) into frames of its size, drawing only
// what changed: the picture and captions are kept as one image until a caption changes or the
// ticker strip moves, shows or hides; the strip, which moves at every step, is copied in on top
// of it. The frames are the pattern's own pixels, as QWidget::render gives them, one pixel per
// pattern pixel whatever the screen's scaling. One renderer per pattern serves the scaled
// output, the preview, the snapshot and the stream.
//
// It is also the pattern's one change tracker: it says which part of the pattern changed, and
// the window showing the frames draws only that part again.
class FrameRenderer : public QObject {
    Q_OBJECT
public:
    // `strip` is the pattern's ticker strip (on top of everything else), or nothing.
    FrameRenderer(QWidget& pattern, const TickerStrip* strip, QObject* parent = nullptr);

    // The current frame; valid until the next call.
    const QImage& frame();
    // How often the picture and captions were drawn again, for tests and benchmarks.
    int redraws() const { return m_redraws; }

signals:
    // Part of the pattern changed, in pattern pixels (an empty area: all of it).
    void changed(const QRect& area);

private:
    // Takes note of the strip's place and visibility; a change redraws the still.
    void stripChanged();

    QWidget& m_pattern;
    const TickerStrip* m_strip;
    QImage m_still; // everything but the strip's moving content
    QImage m_frame;
    bool m_stillValid = false;
    QRect m_stripPlace;
    bool m_stripShown = false;
    int m_redraws = 0;
};

} // namespace kalvora
