#include "pattern/Display.h"

#include "pattern/Caption.h"
#include "pattern/PictureBox.h"
#include "pattern/TickerStrip.h"
#include "pictures/Pictures.h"
#include "settings/Twips.h"

namespace kalvora {

Display::Display() {
    setObjectName(QStringLiteral("Display"));
    QWidget* stage = this->stage();
    // Children are created bottom of the stacking order first.
    Image1 =
        new PictureBox(QStringLiteral("Image1"), QString::fromLatin1(Pictures::Pattern1), stage);
    Image1->setGeometry(twipsRect(-120, 0, 12225, 9120));
    const auto verdana = QStringLiteral("Verdana");
    Label1 = new Caption(QStringLiteral("Label1"), stage, QRect(4500, 840, 2955, 705), verdana,
                         29.25, Qt::AlignHCenter, Caption::Sizing::KeepCentre, true);
    Label2 = new Caption(QStringLiteral("Label2"), stage, QRect(4440, 6960, 3855, 555),
                         QStringLiteral("MS Sans Serif"), 24, Qt::AlignHCenter,
                         Caption::Sizing::Fixed, false);
    Label3 = new Caption(QStringLiteral("Label3"), stage, QRect(7800, 4200, 2175, 615), verdana,
                         20.25, Qt::AlignHCenter, Caption::Sizing::Fixed, true);
    Label4 = new Caption(QStringLiteral("Label4"), stage, QRect(2040, 4200, 2535, 615), verdana,
                         20.25, Qt::AlignHCenter, Caption::Sizing::Fixed, true);
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
    Image1->setGeometry(twipsRect(0, 0, 12135, 9120));
    const auto sansSerif = QStringLiteral("MS Sans Serif");
    Label1 = new Caption(QStringLiteral("Label1"), stage, QRect(0, 3840, 2685, 720), sansSerif,
                         29.25, Qt::AlignLeft, Caption::Sizing::KeepLeft, true);
    Label2 = new Caption(QStringLiteral("Label2"), stage, QRect(0, 7680, 3705, 720), sansSerif,
                         29.25, Qt::AlignLeft, Caption::Sizing::KeepLeft, true);
    Label1->setCaption(QStringLiteral(" QQ0ABC"));
    Label2->setCaption(QStringLiteral(" 144.750 MHz"));
    startDrawingFrames(nullptr);
}

} // namespace kalvora
