#pragma once

#include "pattern/CardWindows.h"
#include "station/Canvas.h"
#include "station/FrameSource.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerScroller.h"

#include <QObject>
#include <map>
#include <memory>

namespace kalvora {

class Station;

// The one frame path: what is on air, drawn for a frame output (raw frames, a still, a network
// stream from the command line or from the panel). It has its own card windows, never shown,
// that follow the station's captions, and its own ticker engine, reading the same text and
// settings as the screens' ticker but stepping with the frames: the same whole number of
// pixels on every frame, however the screens' timer-driven ticker happens to run. Only the rows
// that changed since the last frame are reported, so an output converts only those again.
class OnAirFrames : public QObject, public FrameSource {
    Q_OBJECT
public:
    // `card`: the card to draw; empty: the card the station streams (see
    // Station::streamedCard), followed from one frame to the next when the operator switches.
    // `canvas`: what the frames are drawn for; the windows' 808 x 608 unless another is given,
    // and then each card is laid out and drawn for it, ticker and captions included.
    OnAirFrames(Station& station, int framesPerSecond, QString card = QString(),
                Canvas canvas = Canvas::design(), QObject* parent = nullptr);
    ~OnAirFrames() override;

    const QImage& frameAt(qint64 index) override;
    std::optional<RowRanges> takeChangedRows() override;
    QString callSign() const override;

    // The card as it stands, the ticker not moved on (a still).
    const QImage& still();
    // The card drawn now.
    QString card() const;
    // The frame-locked ticker engine, to look at.
    const TickerScroller& ticker() const { return m_ticker; }

private:
    CardPicture& picture(const QString& card);
    void tickerSettingsChanged();
    void areaChanged(const QString& card, const QRect& area);

    Station& m_station;
    const QString m_fixedCard;
    OffscreenStrip m_strip;
    TickerScroller m_ticker;
    const Canvas m_canvas;
    std::map<QString, CardPicture> m_pictures;
    // The card of the last frame handed out, and what changed on it since.
    QString m_drawn;
    std::optional<RowRanges> m_changed;
};

} // namespace kalvora
