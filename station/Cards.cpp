#include "station/Cards.h"

#include "settings/Twips.h"

#include <QStringList>

namespace kalvora {

QSize Cards::designSize() {
    return QSize(twipsToPixels(12120), twipsToPixels(9120));
}

const QList<Card>& Cards::all() {
    static const QList<Card> cards = {
        {TestCard, {1, 2, 5}},
        {ColourBars, {3, 4}},
    };
    return cards;
}

const Card* Cards::find(const QString& name) {
    for (const Card& card : all())
        if (card.name == name)
            return &card;
    return nullptr;
}

QString Cards::namesForMessage() {
    QStringList names;
    for (const Card& card : all())
        names << card.name;
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace kalvora
