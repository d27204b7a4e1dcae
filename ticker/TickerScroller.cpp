#include "ticker/TickerScroller.h"

#include "ticker/TickerFile.h"

#include <QCoreApplication>

namespace kalvora {

TickerScroller::TickerScroller(OffscreenStrip& offscreen, std::function<TickerView&()> visibleStrip,
                               QString programFolder, QObject* parent)
    : QObject(parent), m_offscreen(offscreen), m_visibleStrip(std::move(visibleStrip)),
      m_programFolder(std::move(programFolder)) {
    Timer3.setTimerType(Qt::PreciseTimer);
    connect(&Timer3, &QTimer::timeout, this, &TickerScroller::Timer3_Timer);
}

void TickerScroller::setTickerOn(bool on) {
    TickerOn = on;
    emit tickerOnChanged(on);
}

void TickerScroller::Start_TT() {
    if (!settings.enabled())
        return;
    Timer3.stop();
    Timer3.setInterval(settings.intervalMs());

    TickerPath = TickerFile::pathIn(m_programFolder);
    TickerText = TickerFile::load(TickerPath).text;
    if (TickerText.isEmpty()) {
        m_visibleStrip().setStripVisible(false);
        setTickerOn(false);
        return;
    }
    TickerText = TickerFile::compose(TickerText, settings.TtRegellengte);
    m_visibleStrip().setStripVisible(true);
    setTickerOn(true);

    StartChar = 1;
    StopChar = static_cast<int>(TickerText.size());
    // A QTimer with interval 0 would fire continuously; here 0 means "never".
    if (Timer3.interval() > 0)
        Timer3.start();
    // At a restart this lands on the second line, below the band that is copied.
    m_offscreen.print(TickerText, StartChar);
}

void TickerScroller::Timer3_Timer() {
    m_visibleStrip().showColumns(m_offscreen, StartX);

    const QChar first =
        StartChar >= 1 && StartChar <= TickerText.size() ? TickerText.at(StartChar - 1) : QChar();
    const int width = first.isNull() ? 0 : m_offscreen.textWidth(first);
    if (double(width) - 2 < StartX) {
        ++StartChar;
        StartX = 0;
        m_offscreen.clear();
        m_offscreen.print(TickerText, StartChar);
        if (StartChar >= StopChar) {
            // With the ticker disabled Start_TT does not restart the text; stop here instead
            // of stepping on past its end.
            if (!settings.enabled())
                Timer3.stop();
            Start_TT();
        }
    }
    ++StartX;
    QCoreApplication::processEvents();
}

void TickerScroller::Command4_Click() {
    const bool on = !TickerOn;
    m_visibleStrip().setStripVisible(on);
    setTickerOn(on);
}

} // namespace kalvora
