#pragma once

#include "clock/StationClock.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerSettings.h"

#include <QObject>
#include <QRect>
#include <QString>

namespace kalvora {

class TickerView;

// Runs the ticker text across the visible strip, one pixel per step of Timer3.
//
// The text is printed on the off-screen strip once per character; each step copies a window of
// that strip shifted by StartX onto the visible strip. When the first character has moved out
// of the window, the strip is printed again from the next character and StartX starts over.
// At the end of the text the file is read again and the next run starts.
class TickerScroller : public QObject {
    Q_OBJECT
public:
    // Timer3 is a beat of `clock`; TickerTape.txt is read from `tickerFolder`.
    TickerScroller(OffscreenStrip& offscreen, StationClock& clock, QString tickerFolder,
                   QObject* parent = nullptr);

    // The settings in use, replaced by Lees_TT_Settings.
    TickerSettings settings;

    // Scroller state. TickerText is the composed text in the order the strip shows it (see
    // TickerLine); positions count its UTF-16 units from 1 and always stand at the start of a
    // cell. They are plain ints, so a text of any length the file can give fits.
    QString TickerText;
    QString TickerPath;
    int StartChar = 0;
    int StopChar = 0;
    int StartX = 0;
    bool TickerOn = false;

    // An interval of 0 keeps it stopped.
    Beat Timer3;

    // The visible strip, or none (pattern 1 not loaded): it takes the strip's look and state
    // at once, and every step from then on.
    void setView(TickerView* view);

    // Applies new settings at once to both strips: size, place above the bottom edge of a
    // pattern `patternHeight` pixels high, colours, font, and whether the visible strip shows.
    // Speed, leading blanks and the text wait for the next run. Returns whether the ticker is
    // enabled.
    bool Lees_TT_Settings(const TickerSettings& newSettings, int patternHeight);
    // For a card drawn at another size than the windows' 808 x 608: from the next
    // Lees_TT_Settings on, the strip's width times `across`, its height, place above the
    // bottom and type size times `down`, its letters stretched to `fontStretch` percent (for
    // pixels that are not square). Not called: as designed.
    void setDrawingScale(double across, double down, int fontStretch);
    // Reads the text, puts the leading blanks in front and starts a run (at start-up and at the end
    // of each run).
    void Start_TT();
    // An enabled ticker that is not running (it was disabled at start-up, or its text ran out
    // while it was disabled) would show an empty strip until the next start of the program:
    // start it now.
    void startIfEnabledAndStopped();
    // One scroll step.
    void Timer3_Timer();

    // For frame outputs (`--frames`, `--stream`): the ticker steps with the frames instead of
    // Timer3, the same whole number of pixels on every frame (the nearest to the set speed),
    // or, slower than a pixel a frame, one pixel every so many whole frames; every step is one
    // pixel, also where a cell leaves. So its motion is even in every frame. 0 frames per
    // second: back to Timer3.
    void lockToFrames(int framesPerSecond);
    // Steps for frame `index` (counted from 0): as many as the frames since the last one call
    // for, so that a dropped frame does not slow the text down.
    void frameShown(qint64 index);
    // The steps a run makes up to frame `index`, at the current speed.
    qint64 stepsUpToFrame(qint64 index) const;
    // The on/off button: shows or hides the strip; the scroller keeps running either way.
    void Command4_Click();
    // Shows or hides the strip as the on/off button does (a frame output follows the screens').
    void showStrip(bool on);

    void setTickerOn(bool on);
    bool stripVisible() const { return m_stripVisible; }
    // Where the visible strip lies on the pattern, in pixels.
    QRect stripPlace() const { return m_stripPlace; }

signals:
    void tickerOnChanged(bool on);

private:
    void setStripVisible(bool visible);

    OffscreenStrip& m_offscreen;
    TickerLine m_line; // TickerText, cut into cells
    TickerView* m_view = nullptr;
    QString m_tickerFolder;
    QRect m_stripPlace;
    double m_across = 1, m_down = 1;
    int m_fontStretch = 100;
    bool m_stripVisible = false;
    // A run is going: Start_TT found text, and it has not run out with the ticker disabled.
    bool m_running = false;
    int m_framesPerSecond = 0;
    // Locked to frames: whether the run steps (as Timer3 would run), and the last frame shown.
    bool m_frameStepping = false;
    qint64 m_lastFrame = -1;
};

} // namespace kalvora
