#pragma once

#include "station/Canvas.h"
#include "station/Cards.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace kalvora {

class FrameRenderer;
class PatternWindow;
class Station;
class TickerStrip;

// A card's window (hidden, at its design size), showing the station's captions as they are
// now and following every change the station announces. Pattern 1's ticker strip is left to
// whichever ticker engine feeds it: the screens' or a frame output's own. Nothing for a card
// that has no window.
std::unique_ptr<PatternWindow> makeCardWindow(const QString& card, const Station& station);

// A card's picture for a frame output: its window where the canvas is the design's, otherwise
// the card drawn for the canvas (see DrawnCard), following the station likewise.
struct CardPicture {
    std::unique_ptr<QWidget> owner; // nothing for a card that has no picture
    FrameRenderer* frames = nullptr;
    TickerStrip* tickerStrip = nullptr; // the test card's
};
CardPicture makeCardPicture(const Card& card, const Canvas& canvas, const Station& station);

} // namespace kalvora
