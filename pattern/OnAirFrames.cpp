#include "pattern/OnAirFrames.h"

#include "pattern/CardWindows.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/TickerStrip.h"
#include "station/Station.h"

#include <cmath>

namespace kalvora {

OnAirFrames::OnAirFrames(Station& station, int framesPerSecond, QString card, Canvas canvas,
                         QObject* parent)
    : QObject(parent), m_station(station), m_fixedCard(std::move(card)),
      m_ticker(m_strip, station.clock(), station.tickerFolder()), m_canvas(canvas) {
    m_ticker.lockToFrames(framesPerSecond);
    if (!canvas.isDesign()) {
        const QSize design = Cards::designSize();
        m_ticker.setDrawingScale(double(canvas.pixels.width()) / design.width(),
                                 double(canvas.pixels.height()) / design.height(),
                                 int(std::lround(100 / canvas.pixelAspect())));
    }
    m_ticker.Lees_TT_Settings(station.tickerSettings(), canvas.pixels.height());
    m_ticker.Start_TT();
    // The operator's on/off button counts here as on the screens.
    if (m_ticker.TickerOn && !station.screenTicker().TickerOn && station.tickerSettings().enabled)
        m_ticker.showStrip(false);
    connect(&station, &Station::tickerSettingsChanged, this, &OnAirFrames::tickerSettingsChanged);
    connect(&station, &Station::tickerToggled, this, [this](bool on) { m_ticker.showStrip(on); });
    // The test card's strip is kept up to date from the first frame, whichever card is sent.
    if (m_fixedCard.isEmpty() || m_fixedCard == Cards::TestCard)
        picture(Cards::TestCard);
}

OnAirFrames::~OnAirFrames() {
    // The windows go first: the strip they show is fed from here.
    m_ticker.setView(nullptr);
    m_pictures.clear();
}

void OnAirFrames::tickerSettingsChanged() {
    m_ticker.Lees_TT_Settings(m_station.tickerSettings(), m_canvas.pixels.height());
    m_ticker.startIfEnabledAndStopped();
}

QString OnAirFrames::card() const {
    return m_fixedCard.isEmpty() ? m_station.streamedCard() : m_fixedCard;
}

QString OnAirFrames::callSign() const {
    return m_station.callSign(card());
}

CardPicture& OnAirFrames::picture(const QString& card) {
    CardPicture& picture = m_pictures[card];
    if (!picture.owner) {
        // A card that is not there (a picture taken away) shows the test card instead.
        const std::optional<Card> known = m_station.card(card);
        picture =
            makeCardPicture(known ? *known : *Cards::find(Cards::TestCard), m_canvas, m_station);
        if (picture.tickerStrip)
            m_ticker.setView(picture.tickerStrip);
        if (picture.frames)
            connect(picture.frames, &FrameRenderer::changed, this,
                    [this, card](const QRect& area) { areaChanged(card, area); });
    }
    return picture;
}

void OnAirFrames::areaChanged(const QString& card, const QRect& area) {
    if (card != m_drawn)
        return; // another card changed: it is drawn whole when it comes on air
    if (area.isEmpty())
        m_changed.reset();
    else if (m_changed)
        // Merged as they come: an output that never asks (raw frames) keeps no growing list.
        *m_changed = merged(*m_changed + RowRanges{{area.top(), area.bottom() + 1}},
                            m_canvas.pixels.height());
}

const QImage& OnAirFrames::still() {
    const QString now = card();
    if (now != m_drawn) {
        m_drawn = now;
        m_changed.reset(); // a new card: all of it
    }
    return picture(now).frames->frame();
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
