#pragma once

#include "pattern/Caption.h"
#include "station/Canvas.h"

#include <QWidget>

namespace kalvora {

class FrameRenderer;
class PictureBox;
class TickerStrip;

// A built-in card drawn for a canvas other than its window's 808 x 608: the window's parts
// (picture, captions, ticker strip) laid out for the canvas. The picture is drawn for the
// canvas (see CardArt); each caption sits where it sits on the window's picture, its type sized
// for the canvas's height and narrowed for wide pixels. Never shown: a frame output takes its
// frames.
class DrawnCard : public QWidget {
    Q_OBJECT
public:
    FrameRenderer& frames() const { return *m_frames; }
    const Canvas& canvas() const { return m_canvas; }

protected:
    explicit DrawnCard(const Canvas& canvas);
    // A caption of the card's window, placed for the canvas. `pictureTwips`: the window's
    // picture box, which shows the sheet's 4:3 middle; `centred`: the middle stays in the
    // middle of a wider canvas (otherwise it keeps to the left edge).
    Caption* addCaption(const Caption::Design& design, const QRect& pictureTwips, bool centred);
    void startDrawingFrames(const TickerStrip* strip);

    Canvas m_canvas;
    FrameRenderer* m_frames = nullptr;
};

class DrawnTestCard : public DrawnCard {
    Q_OBJECT
public:
    explicit DrawnTestCard(const Canvas& canvas);
    PictureBox* Image1;
    Caption* Label1; // call sign
    Caption* Label2; // frequency or locator
    Caption* Label3; // time
    Caption* Label4; // date
    TickerStrip* Picture1;
};

class DrawnColourBars : public DrawnCard {
    Q_OBJECT
public:
    explicit DrawnColourBars(const Canvas& canvas);
    PictureBox* Image1;
    Caption* Label1; // call sign
    Caption* Label2; // frequency
};

// The contest card: the call sign, the contest number on the chosen band, the locator and
// the band, large enough to read on a small receiver's screen.
class DrawnContestCard : public DrawnCard {
    Q_OBJECT
public:
    explicit DrawnContestCard(const Canvas& canvas);
    static const Caption::Design Captions[4];
    // The number as the card shows it: three digits at least ("007").
    static QString numberText(int number);
    Caption* Label1; // call sign
    Caption* Number; // contest number
    Caption* Locator;
    Caption* Band;
};

// The ident card: the call sign as large as it fits, the locator under it.
class DrawnIdentCard : public DrawnCard {
    Q_OBJECT
public:
    explicit DrawnIdentCard(const Canvas& canvas);
    static const Caption::Design Captions[2];
    Caption* Label1; // call sign
    Caption* Locator;
};

// One of the operator's own pictures, scaled to the canvas keeping its shape (black around
// it), with the call sign over it, and the date and time where the operator ticked them. A
// picture that cannot be read leaves the card black, with the call sign.
class DrawnPictureCard : public DrawnCard {
    Q_OBJECT
public:
    DrawnPictureCard(const Canvas& canvas, const QString& file);
    static const Caption::Design Captions[3];
    PictureBox* Image1;
    Caption* Label1; // call sign
    Caption* Label3; // time
    Caption* Label4; // date
};

} // namespace kalvora
