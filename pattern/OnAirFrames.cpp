#include "pattern/OnAirFrames.h"

#include "pattern/CardWindows.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/TickerStrip.h"
#include "station/Station.h"

namespace kalvora {

OnAirFrames::OnAirFrames(Station& station, int framesPerSecond, QString card, QObject* parent)
    : QObject(parent), m_station(station), m_fixedCard(std::move(card)),
      m_ticker(m_strip, station.clock(), station.tickerFolder()) {
    m_ticker.lockToFrames(framesPerSecond);
    m_ticker.Lees_TT_Settings(station.tickerSettings(), Cards::designSize().height());
    m_ticker.Start_TT();
    // The operator's on/off button counts here as on the screens.
    if (m_ticker.TickerOn && !station.screenTicker().TickerOn && station.tickerSettings().enabled)
        m_ticker.showStrip(false);
    connect(&station, &Station::tickerSettingsChanged, this, &OnAirFrames::tickerSettingsChanged);
    connect(&station, &Station::tickerToggled, this, [this](bool on) { m_ticker.showStrip(on); });
    // The test card's strip is kept up to date from the first frame, whichever card is sent.
    if (m_fixedCard.isEmpty() || m_fixedCard == Cards::TestCard)
        window(Cards::TestCard);
}

OnAirFrames::~OnAirFrames() {
    // The windows go first: the strip they show is fed from here.
    m_ticker.setView(nullptr);
    m_windows.clear();
}

void OnAirFrames::tickerSettingsChanged() {
    m_ticker.Lees_TT_Settings(m_station.tickerSettings(), Cards::designSize().height());
    m_ticker.startIfEnabledAndStopped();
}

QString OnAirFrames::card() const {
    return m_fixedCard.isEmpty() ? m_station.streamedCard() : m_fixedCard;
}

QString OnAirFrames::callSign() const {
    return m_station.callSign(card());
}

PatternWindow& OnAirFrames::window(const QString& card) {
    std::unique_ptr<PatternWindow>& window = m_windows[card];
    if (!window) {
        window = makeCardWindow(card, m_station);
        if (auto* testCard = qobject_cast<Display*>(window.get()))
            m_ticker.setView(testCard->Picture1);
        connect(&window->frames(), &FrameRenderer::changed, this,
                [this, card](const QRect& area) { areaChanged(card, area); });
    }
    return *window;
}

void OnAirFrames::areaChanged(const QString& card, const QRect& area) {
    if (card != m_drawn)
        return; // another card changed: it is drawn whole when it comes on air
    if (area.isEmpty())
        m_changed.reset();
    else if (m_changed)
        // Merged as they come: an output that never asks (raw frames) keeps no growing list.
        *m_changed = merged(*m_changed + RowRanges{{area.top(), area.bottom() + 1}},
                            Cards::designSize().height());
}

const QImage& OnAirFrames::still() {
    const QString now = card();
    if (now != m_drawn) {
        m_drawn = now;
        m_changed.reset(); // a new card: all of it
    }
    return window(now).frames().frame();
}

const QImage& OnAirFrames::frameAt(qint64 index) {
    m_ticker.frameShown(index);
    return still();
}

std::optional<FrameSource::RowRanges> OnAirFrames::takeChangedRows() {
    const std::optional<RowRanges> taken = m_changed;
    m_changed = RowRanges();
    return taken;
}

} // namespace kalvora
