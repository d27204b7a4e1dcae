#pragma once

#include <QList>
#include <QSize>
#include <QString>

namespace kalvora {

// A card: one picture the station can put on air, with the station fields it carries.
struct Card {
    // How the operator, the settings and the command line name it ("1", "2").
    QString name;
    // The station fields (Text1 .. Text5, by number) its captions show, the call sign first:
    // a stream of the card is named after it.
    QList<int> captionFields;
};

// The cards the station knows. Each is designed at one size, and everything that draws a card
// (its window, the frame outputs) takes that size from here.
namespace Cards {
// A card as designed: 12120 x 9120 twips, 808 x 608 pixels.
QSize designSize();
inline const QString TestCard = QStringLiteral("1");   // test card, call sign, clock, ticker
inline const QString ColourBars = QStringLiteral("2"); // colour bars, call sign, frequency
const QList<Card>& all();
// The card with that name; nullptr when there is none.
const Card* find(const QString& name);
// The card names as a list for messages: "1 or 2".
QString namesForMessage();
} // namespace Cards

} // namespace kalvora
