#include "pattern/Display.h"

#include "pattern/Caption.h"
#include "pattern/PictureBox.h"
#include "pattern/TickerStrip.h"
#include "pictures/Pictures.h"
#include "settings/Twips.h"

namespace kalvora {

namespace {
using Sizing = Caption::Sizing;
} // namespace

const Caption::Design Display::Captions[4] = {
    {"Label1", QRect(4500, 840, 2955, 705), "Verdana", 29.25, Qt::AlignHCenter, Sizing::KeepCentre,
     true},
    {"Label2", QRect(4440, 6960, 3855, 555), "MS Sans Serif", 24, Qt::AlignHCenter, Sizing::Fixed,
     false},
    {"Label3", QRect(7800, 4200, 2175, 615), "Verdana", 20.25, Qt::AlignHCenter, Sizing::Fixed,
     true},
    {"Label4", QRect(2040, 4200, 2535, 615), "Verdana", 20.25, Qt::AlignHCenter, Sizing::Fixed,
     true},
};
const QRect Display::PictureTwips(-120, 0, 12225, 9120);

const Caption::Design display2::Captions[2] = {
    {"Label1", QRect(0, 3840, 2685, 720), "MS Sans Serif", 29.25, Qt::AlignLeft, Sizing::KeepLeft,
     true},
    {"Label2", QRect(0, 7680, 3705, 720), "MS Sans Serif", 29.25, Qt::AlignLeft, Sizing::KeepLeft,
     true},
};
const QRect display2::PictureTwips(0, 0, 12135, 9120);

Display::Display() {
    setObjectName(QStringLiteral("Display"));
    QWidget* stage = this->stage();
    // Children are created bottom of the stacking order first.
    Image1 =
        new PictureBox(QStringLiteral("Image1"), QString::fromLatin1(Pictures::Pattern1), stage);
    Image1->setGeometry(
        twipsRect(PictureTwips.x(), PictureTwips.y(), PictureTwips.width(), PictureTwips.height()));
    Label1 = new Caption(Captions[0], stage);
    Label2 = new Caption(Captions[1], stage);
    Label3 = new Caption(Captions[2], stage);
    Label4 = new Caption(Captions[3], stage);
    Label1->setCaption(QStringLiteral("QQ0ABC"));
    Label2->setCaption(QStringLiteral("144.750 MHz"));
    Picture1 = new TickerStrip(stage);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(0, 8400, 12135, 495));
    Picture1->setBackColor(Qt::red);
    connect(Image1, &PictureBox::clicked, this, &Display::Image1_Click);
    startDrawingFrames(Picture1);
}

void Display::Form_Load() {
    emit loaded(pixelsToTwips(designSize().height()), pixelsToTwips(designSize().width()));
}

display2::display2() {
    setObjectName(QStringLiteral("display2"));
    QWidget* stage = this->stage();
    Image1 =
        new PictureBox(QStringLiteral("Image1"), QString::fromLatin1(Pictures::Pattern2), stage);
    Image1->setGeometry(
        twipsRect(PictureTwips.x(), PictureTwips.y(), PictureTwips.width(), PictureTwips.height()));
    Label1 = new Caption(Captions[0], stage);
    Label2 = new Caption(Captions[1], stage);
    Label1->setCaption(QStringLiteral(" QQ0ABC"));
    Label2->setCaption(QStringLiteral(" 144.750 MHz"));
    startDrawingFrames(nullptr);
}

} // namespace kalvora
