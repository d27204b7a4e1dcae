#pragma once

#include <QString>
#include <memory>

namespace kalvora {

class PatternWindow;
class Station;

// A card's window (hidden, at its design size), showing the station's captions as they are
// now and following every change the station announces. Pattern 1's ticker strip is left to
// whichever ticker engine feeds it: the screens' or a frame output's own. Nothing for a card
// that has no window.
std::unique_ptr<PatternWindow> makeCardWindow(const QString& card, const Station& station);

} // namespace kalvora
