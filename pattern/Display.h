#pragma once

#include "pattern/Caption.h"
#include "pattern/PatternWindow.h"

namespace kalvora {

class PictureBox;
class TickerStrip;

// Test pattern 1: picture, call sign, frequency/locator line, time, date and the ticker strip,
// in a borderless window meant for the transmitter's screen.
class Display : public PatternWindow {
    Q_OBJECT
public:
    Display();

    // Reports the inner size in twips; the control panel keeps it.
    void Form_Load();
    // A click on the picture takes pattern 1 off the screen.
    void Image1_Click() { hide(); }
    void Form_Terminate() { hide(); }

    // Its parts as designed: the captions Label1 .. Label4, the picture's box (a little wider
    // than the window).
    static const Caption::Design Captions[4];
    static const QRect PictureTwips;

    PictureBox* Image1;
    Caption* Label1; // call sign
    Caption* Label2; // frequency or locator
    Caption* Label3; // time
    Caption* Label4; // date
    TickerStrip* Picture1;

signals:
    void loaded(int innerHeightTwips, int innerWidthTwips);
};

// Test pattern 2: colour bars with call sign and frequency.
class display2 : public PatternWindow {
    Q_OBJECT
public:
    display2();
    static const Caption::Design Captions[2];
    static const QRect PictureTwips;

    PictureBox* Image1;
    Caption* Label1; // call sign
    Caption* Label2; // frequency
};

} // namespace kalvora
