#pragma once

#include "ticker/OffscreenStrip.h"
#include "ticker/TickerSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace kalvora {

class SettingsStore;
class TickerStrip;

// What the scroller needs of the visible strip on test pattern 1.
class TickerView {
public:
    virtual ~TickerView() = default;
    // One-to-one copy of the strip-sized window of `source` whose left edge is column
    // `sourceX`; columns beyond the source show its background colour.
    virtual void showColumns(const OffscreenStrip& source, int sourceX) = 0;
    virtual void setStripVisible(bool visible) = 0;
};

// Runs the ticker text across the visible strip, one pixel per step of Timer3.
//
// The text is printed on the off-screen strip once per character; each step copies a window of
// that strip shifted by StartX onto the visible strip. When the first character has moved out
// of the window, the strip is printed again from the next character and StartX starts over.
// At the end of the text the file is read again and the next run starts.
class TickerScroller : public QObject {
    Q_OBJECT
public:
    // `visibleStrip` is asked for the strip at each use: the pattern window that owns it is
    // created on first touch.
    TickerScroller(OffscreenStrip& offscreen, std::function<TickerView&()> visibleStrip,
                   QString programFolder, QObject* parent = nullptr);

    // The settings copies, replaced by Lees_TT_Settings.
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

    // Precise, because the ticker is on air; an interval of 0 keeps it stopped.
    QTimer Timer3;

    // Reads the ticker keys and applies them at once to both strips: size, place above the
    // bottom edge of a pattern `patternHeight` pixels high, colours, font, and whether the
    // visible strip shows. Speed, leading blanks and the text wait for the next run.
    // Returns whether the ticker is enabled.
    bool Lees_TT_Settings(const SettingsStore& store, TickerStrip& strip, int patternHeight);
    // Reads and composes the text and starts a run (at start-up and at the end of each run).
    void Start_TT();
    // An enabled ticker that is not running (it was disabled at start-up, or its text ran out
    // while it was disabled) would show an empty strip until the next start of the program:
    // start it now.
    void startIfEnabledAndStopped();
    // One scroll step.
    void Timer3_Timer();
    // The on/off button: shows or hides the strip; the scroller keeps running either way.
    void Command4_Click();

    void setTickerOn(bool on);

signals:
    void tickerOnChanged(bool on);

private:
    OffscreenStrip& m_offscreen;
    TickerLine m_line; // TickerText, cut into cells
    std::function<TickerView&()> m_visibleStrip;
    QString m_programFolder;
    // A run is going: Start_TT found text, and it has not run out with the ticker disabled.
    bool m_running = false;
};

} // namespace kalvora
