#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace kalvora {

// A card: one picture the station can put on air, with the station fields it carries.
struct Card {
    enum class Kind { TestCard, ColourBars, Contest, Ident, Picture };
    // How the operator, the settings and the command line name it ("1", "2", "contest", a
    // picture's file name).
    QString name;
    Kind kind = Kind::TestCard;
    // The station fields (Text1 .. Text5, by number) its captions show, the call sign first:
    // a stream of the card is named after it.
    QList<int> captionFields;
    // A picture card's file, and why it cannot be shown (missing, unreadable, too large,
    // broken); empty when it can.
    QString picture;
    QString problem;
};

// The cards the station knows: the built-in ones, and the operator's own pictures (every PNG
// and JPEG in the cards folder). The built-in cards' windows are designed at one size, taken
// from here by everything that draws them at that size.
namespace Cards {
// A card as designed: 12120 x 9120 twips, 808 x 608 pixels.
QSize designSize();
inline const QString TestCard = QStringLiteral("1");      // test card, call sign, clock, ticker
inline const QString ColourBars = QStringLiteral("2");    // colour bars, call sign, frequency
inline const QString Contest = QStringLiteral("contest"); // call sign, number, locator, band
inline const QString Ident = QStringLiteral("ident");     // the call sign large, the locator
// The built-in cards, in the menu's order.
const QList<Card>& builtIn();
// The built-in card with that name; nullptr when there is none.
const Card* find(const QString& name);
// The built-in cards' names as a list for messages: "1, 2, contest or ident".
QString namesForMessage();

// Where the operator's pictures go: "cards" beside TickerTape.txt.
QString folderIn(const QString& tickerFolder);
// The largest picture taken, in pixels: a bigger one would hold hundreds of megabytes.
inline constexpr qint64 MostPicturePixels = 50'000'000;
// Every PNG and JPEG in `folder` as a card named after its file, sorted by name, each read
// through once so that a broken one is listed with its reason.
QList<Card> picturesIn(const QString& folder);
// A picture file as a card; `check`: and why it cannot be shown, read through once while the
// file stays the same.
Card pictureCard(const QString& file, bool check = true);
// The picture of a picture card, read; a null image when it cannot be.
QImage readPicture(const QString& file, QString* problem = nullptr);

// The contest bands, low to high.
const QStringList& contestBands();
} // namespace Cards

} // namespace kalvora
