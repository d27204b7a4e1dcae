#include "pattern/DrawnCards.h"

#include "pattern/CardArt.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/PictureBox.h"
#include "pattern/TickerStrip.h"
#include "settings/Twips.h"
#include "station/Cards.h"

#include <QPainter>
#include <cmath>

namespace kalvora {

DrawnCard::DrawnCard(const Canvas& canvas) : m_canvas(canvas) {
    setGeometry(QRect(QPoint(0, 0), canvas.pixels));
    // Where the picture leaves a pixel open, black.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
}

Caption* DrawnCard::addCaption(const Caption::Design& design, const QRect& pictureTwips,
                               bool centred) {
    // The window's picture box shows the sheet's 4:3 middle; the canvas shows the whole sheet.
    const double sheetWidth = CardArt::sheetWidth(m_canvas);
    const double sheetPerTwip = 1280.0 / pictureTwips.width();
    const double left = centred ? (sheetWidth - 1280) / 2 : 0;
    const double across = m_canvas.pixels.width() / sheetWidth;
    const double down =
        double(m_canvas.pixels.height()) / pixelsToTwips(Cards::designSize().height());
    const auto x = [&](double twips) {
        return int(std::lround((left + (twips - pictureTwips.x()) * sheetPerTwip) * across));
    };
    const auto y = [&](double twips) { return int(std::lround(twips * down)); };
    const QRect& box = design.twips;
    const QRect pixels(QPoint(x(box.left()), y(box.top())),
                       QPoint(x(box.left() + box.width()) - 1, y(box.top() + box.height()) - 1));
    QFont font(QString::fromLatin1(design.family));
    font.setPointSizeF(design.points * m_canvas.pixels.height() / Cards::designSize().height());
    if (const int stretch = int(std::lround(100 / m_canvas.pixelAspect())); stretch != 100)
        font.setStretch(stretch);
    return new Caption(design, this, pixels, font);
}

void DrawnCard::startDrawingFrames(const TickerStrip* strip) {
    m_frames = new FrameRenderer(*this, strip, this);
}

DrawnTestCard::DrawnTestCard(const Canvas& canvas) : DrawnCard(canvas) {
    setObjectName(QStringLiteral("Display"));
    Image1 = new PictureBox(QStringLiteral("Image1"), CardArt::testCard(canvas), this);
    Image1->setGeometry(rect());
    Label1 = addCaption(Display::Captions[0], Display::PictureTwips, true);
    Label2 = addCaption(Display::Captions[1], Display::PictureTwips, true);
    Label3 = addCaption(Display::Captions[2], Display::PictureTwips, true);
    Label4 = addCaption(Display::Captions[3], Display::PictureTwips, true);
    // The ticker engine places and sizes the strip (see TickerScroller::setDrawingScale).
    Picture1 = new TickerStrip(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->hide();
    startDrawingFrames(Picture1);
}

DrawnColourBars::DrawnColourBars(const Canvas& canvas) : DrawnCard(canvas) {
    setObjectName(QStringLiteral("display2"));
    Image1 = new PictureBox(QStringLiteral("Image1"), CardArt::colourBars(canvas), this);
    Image1->setGeometry(rect());
    Label1 = addCaption(display2::Captions[0], display2::PictureTwips, false);
    Label2 = addCaption(display2::Captions[1], display2::PictureTwips, false);
    startDrawingFrames(nullptr);
}

namespace {
using Sizing = Caption::Sizing;
// Designed on the windows' 12120 x 9120 twips, like the built-in cards.
const QRect WholeCard(0, 0, 12120, 9120);
} // namespace

const Caption::Design DrawnContestCard::Captions[4] = {
    {"Label1", QRect(0, 450, 12120, 1500), "Verdana", 60, Qt::AlignHCenter, Sizing::KeepCentre,
     false},
    {"Number", QRect(0, 2300, 12120, 3600), "Verdana", 150, Qt::AlignHCenter, Sizing::KeepCentre,
     false},
    {"Locator", QRect(0, 6900, 6060, 1200), "Verdana", 44, Qt::AlignHCenter, Sizing::KeepCentre,
     true},
    {"Band", QRect(6060, 6900, 6060, 1200), "Verdana", 44, Qt::AlignHCenter, Sizing::KeepCentre,
     true},
};

QString DrawnContestCard::numberText(int number) {
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

DrawnContestCard::DrawnContestCard(const Canvas& canvas) : DrawnCard(canvas) {
    setObjectName(QStringLiteral("contest"));
    // A plain dark field, nothing on it to fight the figures.
    QPalette field = palette();
    field.setColor(QPalette::Window, QColor(16, 32, 96));
    setPalette(field);
    Label1 = addCaption(Captions[0], WholeCard, true);
    Number = addCaption(Captions[1], WholeCard, true);
    QPalette yellow = Number->palette();
    yellow.setColor(QPalette::WindowText, QColor(255, 224, 0));
    Number->setPalette(yellow);
    Locator = addCaption(Captions[2], WholeCard, true);
    Band = addCaption(Captions[3], WholeCard, true);
    startDrawingFrames(nullptr);
}

const Caption::Design DrawnIdentCard::Captions[2] = {
    {"Label1", QRect(0, 2400, 12120, 3000), "Verdana", 100, Qt::AlignHCenter, Sizing::KeepCentre,
     false},
    {"Locator", QRect(0, 5700, 12120, 1500), "Verdana", 48, Qt::AlignHCenter, Sizing::KeepCentre,
     false},
};

DrawnIdentCard::DrawnIdentCard(const Canvas& canvas) : DrawnCard(canvas) {
    setObjectName(QStringLiteral("ident"));
    QPalette field = palette();
    field.setColor(QPalette::Window, QColor(16, 32, 96));
    setPalette(field);
    Label1 = addCaption(Captions[0], WholeCard, true);
    Locator = addCaption(Captions[1], WholeCard, true);
    startDrawingFrames(nullptr);
}

const Caption::Design DrawnPictureCard::Captions[3] = {
    Display::Captions[0],
    {"Label3", QRect(8400, 8160, 3000, 615), "Verdana", 20.25, Qt::AlignHCenter, Sizing::KeepCentre,
     true},
    {"Label4", QRect(720, 8160, 3000, 615), "Verdana", 20.25, Qt::AlignHCenter, Sizing::KeepCentre,
     true},
};

DrawnPictureCard::DrawnPictureCard(const Canvas& canvas, const QString& file) : DrawnCard(canvas) {
    setObjectName(QStringLiteral("picture"));
    QImage shown(canvas.pixels, QImage::Format_RGB32);
    shown.fill(Qt::black);
    const QImage picture = Cards::readPicture(file);
    if (!picture.isNull()) {
        const QRect place = canvas.placeOf(picture.size());
        QPainter(&shown).drawImage(
            place.topLeft(),
            picture.scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    Image1 = new PictureBox(QStringLiteral("Image1"), shown, this);
    Image1->setGeometry(rect());
    Label1 = addCaption(Captions[0], Display::PictureTwips, true);
    Label3 = addCaption(Captions[1], WholeCard, true);
    Label4 = addCaption(Captions[2], WholeCard, true);
    startDrawingFrames(nullptr);
}

} // namespace kalvora
