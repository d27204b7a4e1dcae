#include "ticker/TickerScroller.h"

#include "settings/Twips.h"
#include "ticker/TickerFile.h"
#include "ticker/TickerView.h"

#include <QCoreApplication>
#include <cmath>

namespace kalvora {

TickerScroller::TickerScroller(OffscreenStrip& offscreen, StationClock& clock, QString tickerFolder,
                               QObject* parent)
    : QObject(parent), Timer3(clock), m_offscreen(offscreen),
      m_tickerFolder(std::move(tickerFolder)) {
    connect(&Timer3, &Beat::timeout, this, &TickerScroller::Timer3_Timer);
}

void TickerScroller::setTickerOn(bool on) {
    if (TickerOn == on)
        return;
    TickerOn = on;
    emit tickerOnChanged(on);
}

void TickerScroller::setStripVisible(bool visible) {
    m_stripVisible = visible;
    if (m_view)
        m_view->setStripVisible(visible);
}

void TickerScroller::setView(TickerView* view) {
    m_view = view;
    if (!view)
        return;
    if (m_stripPlace.isValid()) // the settings have been applied
        view->setStripLook(m_stripPlace, settings.backColor);
    view->setStripVisible(m_stripVisible);
}

bool TickerScroller::Lees_TT_Settings(const TickerSettings& newSettings, int patternHeight) {
    settings = newSettings;
    const TickerSettings& s = settings;

    QSize stripSize(twipsToPixels(s.TtWidth), twipsToPixels(s.TtHeight));
    if (m_across != 1 || m_down != 1)
        stripSize = QSize(int(std::lround(stripSize.width() * m_across)),
                          int(std::lround(stripSize.height() * m_down)));
    m_offscreen.resize(stripSize);
    // The strip's top comes from its height as it stands in whole pixels.
    const double top =
        pixelsToTwips(patternHeight) - pixelsToTwips(stripSize.height()) - s.position * m_down;
    m_stripPlace = QRect(QPoint(0, twipsToPixels(top)), stripSize);
    if (m_view)
        m_view->setStripLook(m_stripPlace, s.backColor);

    m_offscreen.setBackColor(s.backColor);
    m_offscreen.setForeColor(s.foreColor);
    m_offscreen.setFontName(s.TtFont);
    m_offscreen.setFontSize(s.fontSize * m_down);
    if (m_fontStretch != 100)
        m_offscreen.setFontStretch(m_fontStretch);

    if (!s.enabled) {
        setStripVisible(false); // TickerOn keeps its value
        return false;
    }
    setStripVisible(true);
    setTickerOn(true);
    return true;
}

void TickerScroller::setDrawingScale(double across, double down, int fontStretch) {
    m_across = across;
    m_down = down;
    m_fontStretch = fontStretch;
}

void TickerScroller::startIfEnabledAndStopped() {
    if (settings.enabled && !m_running)
        Start_TT();
}

void TickerScroller::Start_TT() {
    if (!settings.enabled)
        return;
    Timer3.stop();
    m_frameStepping = false;
    Timer3.setInterval(settings.intervalMs);

    TickerPath = TickerFile::pathIn(m_tickerFolder);
    TickerText = TickerFile::load(TickerPath).text;
    m_running = !TickerText.isEmpty();
    if (TickerText.isEmpty()) {
        setStripVisible(false);
        setTickerOn(false);
        return;
    }
    m_line = TickerLine(TickerFile::withLeadingBlanks(TickerText, settings.TtRegellengte));
    TickerText = m_line.text();
    setStripVisible(true);
    setTickerOn(true);

    StartChar = 1;
    StopChar = static_cast<int>(TickerText.size());
    // A timer with interval 0 would fire continuously; here 0 means "never".
    if (Timer3.interval() > 0) {
        if (m_framesPerSecond > 0)
            m_frameStepping = true;
        else
            Timer3.start();
    }
    // At a restart this lands on the second line, below the band that is copied.
    m_offscreen.print(m_line, StartChar);
}

void TickerScroller::Timer3_Timer() {
    if (m_view)
        m_view->showColumns(m_offscreen, StartX);

    const int width = m_offscreen.cellWidth(m_line, StartChar - 1);
    if (double(width) - 2 < StartX) {
        // A cell (a letter with its marks, a right-to-left word) leaves in one advance.
        StartChar += std::max(1, m_line.cellLength(StartChar - 1));
        // On screen the next cell shows from its second column, a step of two pixels; locked
        // to frames, from its first, so that every step is one pixel.
        StartX = m_framesPerSecond > 0 ? -1 : 0;
        m_offscreen.clear();
        m_offscreen.print(m_line, StartChar);
        if (StartChar >= StopChar) {
            // With the ticker disabled Start_TT does not restart the text; stop here instead
            // of stepping on past its end.
            if (!settings.enabled) {
                Timer3.stop();
                m_frameStepping = false;
                m_running = false;
            }
            Start_TT();
        }
    }
    ++StartX;
    // On the screens the step ends by letting waiting events run, as it always did; a frame
    // output steps in the middle of making a frame, where nothing else may run.
    if (m_framesPerSecond <= 0)
        QCoreApplication::processEvents();
}

void TickerScroller::lockToFrames(int framesPerSecond) {
    m_framesPerSecond = framesPerSecond;
    m_lastFrame = -1;
    if (framesPerSecond > 0 && Timer3.isActive()) {
        Timer3.stop();
        m_frameStepping = true;
    } else if (framesPerSecond <= 0 && m_frameStepping) {
        m_frameStepping = false;
        Timer3.start();
    }
}

qint64 TickerScroller::stepsUpToFrame(qint64 index) const {
    const int interval = Timer3.interval();
    if (m_framesPerSecond <= 0 || interval <= 0)
        return 0;
    const double frameMs = 1000.0 / m_framesPerSecond;
    if (interval <= frameMs)
        return index * std::max<qint64>(1, qRound64(frameMs / interval));
    return index / std::max<qint64>(1, qRound64(interval / frameMs));
}

void TickerScroller::frameShown(qint64 index) {
    const qint64 from = m_lastFrame < 0 ? index - 1 : m_lastFrame;
    m_lastFrame = index;
    if (!m_frameStepping)
        return;
    // Worked out before stepping: a step may start the next run, at another speed.
    const qint64 due = stepsUpToFrame(index) - stepsUpToFrame(from);
    for (qint64 step = 0; step < due && m_frameStepping; ++step)
        Timer3_Timer();
}

void TickerScroller::Command4_Click() {
    showStrip(!TickerOn);
}

void TickerScroller::showStrip(bool on) {
    setStripVisible(on);
    setTickerOn(on);
}

} // namespace kalvora
