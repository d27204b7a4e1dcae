#include "TestSupport.h"
#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/PictureBox.h"
#include "station/Placement.h"

#include <QImage>
#include <QTest>

using namespace kalvora;

namespace {

// Where a window pixel of pattern 1 comes from in the picture: the picture is shown as it is in
// Image1 at (-8, 0).
QPoint pattern1Source(QPoint window) {
    return window + QPoint(8, 0);
}

// A picture point of pattern 1 from its place on the 1280 x 960 sheet it was designed on.
QPoint onPicture1(int x, int y) {
    return QPoint(x * 815 / 1280, y * 608 / 960);
}

// The longest run of pixels in one row that alternate black, white, black, ... pixel by pixel.
int longestOnePixelGrating(const QImage& picture) {
    int longest = 0;
    for (int y = 0; y < picture.height(); ++y) {
        int run = 0;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb here = picture.pixel(x, y);
            const bool extreme = here == qRgb(0, 0, 0) || here == qRgb(255, 255, 255);
            run = !extreme ? 0 : run > 0 && picture.pixel(x - 1, y) != here ? run + 1 : 1;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

bool isBlack(QRgb c) {
    return qRed(c) < 16 && qGreen(c) < 16 && qBlue(c) < 16;
}

} // namespace

class PatternTest : public QObject {
    Q_OBJECT
private slots:
    void pictures_areDrawnAtTheSizeTheyAreShown_finestGratingInWholePixels();
    void picture1_isBlackUnderEveryCaptionBox();
    void picture1_barsAndGreyScaleInOrder();
    void picture2_barsInOrder_andCaptionsOnGrid();
    void display_layout();
    void placement_followsTheChosenOutputScreen_data();
    void placement_followsTheChosenOutputScreen();
    void outputPlace_scalesOnlyTheOutput_exactInDevicePixels();
};

void PatternTest::pictures_areDrawnAtTheSizeTheyAreShown_finestGratingInWholePixels() {
    kalvora::Display one;
    display2 two;
    for (const auto& [name, box] : {std::pair{":/pictures/pattern1.png", one.Image1},
                                    std::pair{":/pictures/pattern2.png", two.Image1}}) {
        const QImage picture(QString::fromLatin1(name));
        // Shown as drawn: nothing is resampled on the way to the screen.
        QCOMPARE(picture.size(), box->size());
        QCOMPARE(picture.format(), QImage::Format_Indexed8);
        QVERIFY(picture.colorCount() <= 256);
    }
    // On the screen, the finest grating of pattern 1 is one pixel black, one pixel white, across
    // its whole width (a sixth of the circle).
    const QImage shown = one.frames().frame();
    QVERIFY2(longestOnePixelGrating(shown) >= 80,
             qPrintable(QString::number(longestOnePixelGrating(shown))));
    const QImage small(QStringLiteral(":/pictures/pattern1-small.png"));
    QCOMPARE(small.size(), QSize(103, 77));
    QCOMPARE(small.format(), QImage::Format_Indexed8);
}

void PatternTest::picture1_isBlackUnderEveryCaptionBox() {
    const QImage picture(QStringLiteral(":/pictures/pattern1.png"));
    kalvora::Display window;
    // The call sign box at its placeholder size, the time and date boxes, and the text part of
    // the frequency line: every corner and the centre lie on black.
    const QRect line = window.Label2->geometry();
    const QRect frequencyText(line.center().x() - 100, line.top() + 2, 200, line.height() - 4);
    for (const QRect& box : {window.Label1->geometry(), window.Label3->geometry(),
                             window.Label4->geometry(), frequencyText}) {
        const QRect inside = box.adjusted(2, 2, -3, -3);
        for (const QPoint& point : {inside.topLeft(), inside.topRight(), inside.bottomLeft(),
                                    inside.bottomRight(), inside.center()}) {
            const QPoint source = pattern1Source(point);
            QVERIFY2(isBlack(picture.pixel(source)),
                     qPrintable(QStringLiteral("window %1,%2").arg(point.x()).arg(point.y())));
        }
    }
    // The centre cross is white, between date and time.
    QCOMPARE(QColor(picture.pixel(onPicture1(640, 474))), QColor(Qt::white));
}

void PatternTest::picture1_barsAndGreyScaleInOrder() {
    const QImage picture(QStringLiteral(":/pictures/pattern1.png"));
    // Six bars across the circle: yellow, cyan, green, magenta, red, blue.
    const QList<QColor> expected = {QColor(191, 191, 0), QColor(0, 191, 191), QColor(0, 191, 0),
                                    QColor(191, 0, 191), QColor(191, 0, 0),   QColor(0, 0, 191)};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(QColor(picture.pixel(onPicture1(200 + 880 * (2 * i + 1) / 12, 330))), expected[i]);
    // Grey scale rises from black to white.
    int previous = -1;
    for (int i = 0; i < 5; ++i) {
        const int grey = qGray(picture.pixel(onPicture1(200 + 880 * (2 * i + 1) / 10, 660)));
        QVERIFY(grey > previous);
        previous = grey;
    }
    QCOMPARE(previous, 255);
    // The yellow band with its red block at the bottom of the circle.
    QCOMPARE(qRed(picture.pixel(onPicture1(640, 860))), 224);
    QCOMPARE(qBlue(picture.pixel(onPicture1(500, 860))), 0);
    QVERIFY(qGreen(picture.pixel(onPicture1(500, 860))) > 200);
}

void PatternTest::picture2_barsInOrder_andCaptionsOnGrid() {
    const QImage picture(QStringLiteral(":/pictures/pattern2.png"));
    const QList<QColor> bars = {
        Qt::white,           QColor(191, 191, 0), QColor(0, 191, 191), QColor(0, 191, 0),
        QColor(191, 0, 191), QColor(191, 0, 0),   QColor(0, 0, 191),   Qt::black};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(QColor(picture.pixel((80 + 160 * i) * 809 / 1280, 640 * 608 / 960)), bars[i]);
    int previous = -1;
    for (int i = 0; i < 7; ++i) {
        const int grey = qGray(picture.pixel(809 * (2 * i + 1) / 14, 260 * 608 / 960));
        QVERIFY(grey > previous);
        previous = grey;
    }
    // The call sign and frequency bars sit on the black grid at the left edge.
    display2 window;
    for (const QRect& box : {window.Label1->geometry(), window.Label2->geometry()}) {
        const QPoint source(6, box.center().y());
        QVERIFY(isBlack(picture.pixel(source)));
    }
}

void PatternTest::display_layout() {
    kalvora::Display one;
    QCOMPARE(one.size(), QSize(808, 608));
    QCOMPARE(one.windowTitle(), QStringLiteral("Form2"));
    QVERIFY(one.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(one.Label1->font().family(), QStringLiteral("Verdana"));
    QVERIFY(one.Label1->font().bold());
    // Stacking, bottom up: picture, captions, ticker strip.
    const QObjectList children = one.stage()->children();
    QCOMPARE(children.first()->objectName(), QStringLiteral("Image1"));
    QCOMPARE(children.last()->objectName(), QStringLiteral("Picture1"));
    display2 two;
    QCOMPARE(two.Label1->text(), QStringLiteral(" QQ0ABC"));
}

namespace {

ScreenInfo screen(const char* name, QRect geometry, bool primary = false) {
    return {QString::fromLatin1(name), QString(), geometry, geometry.size(), primary};
}

} // namespace

void PatternTest::placement_followsTheChosenOutputScreen_data() {
    QTest::addColumn<QList<ScreenInfo>>("screens");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QPoint>("output");
    QTest::addColumn<QPoint>("operatorSide");
    const ScreenInfo primary = screen("DP-1", {0, 0, 1280, 1024}, true);
    const auto with = [&primary](const ScreenInfo& second) {
        return QList<ScreenInfo>{primary, second};
    };
    // Each station layout is placed on real (offscreen) screens by output_test; these are the
    // cases around it.
    // Qt scaling the primary screen by 2 halves its logical width.
    QTest::newRow("primary scaled by 2")
        << QList<ScreenInfo>{screen("DP-1", {0, 0, 640, 512}, true),
                             screen("HDMI-1", {640, 0, 1024, 768})}
        << "HDMI-1" << QPoint(640, 0) << QPoint(0, 0);
    QTest::newRow("primary not at the origin")
        << QList<ScreenInfo>{screen("HDMI-1", {0, 0, 1024, 768}),
                             screen("DP-1", {1024, 0, 1280, 1024}, true)}
        << "HDMI-1" << QPoint(0, 0) << QPoint(1024, 0);
    QTest::newRow("chosen screen unplugged")
        << with(screen("HDMI-1", {1280, 0, 1024, 768})) << "HDMI-2" << QPoint(0, 0) << QPoint(0, 0);
    QTest::newRow("no screen at all")
        << QList<ScreenInfo>() << "HDMI-1" << QPoint(0, 0) << QPoint(0, 0);
    // Automatisch: the rule's corner at the primary's right edge, or the screen nearest to it;
    // never the primary while another screen is there.
    const auto automatic = [&](const char* name, const QList<ScreenInfo>& screens, QPoint output,
                               QPoint operatorSide = QPoint(0, 0)) {
        QTest::newRow(name) << screens << QString() << output << operatorSide;
    };
    automatic("Automatisch, the transmitter right", with(screen("TX", {1280, 0, 1024, 768})),
              {1280, 0});
    automatic("Automatisch, the transmitter left", with(screen("TX", {-1024, 0, 1024, 768})),
              {-1024, 0});
    automatic("Automatisch, the transmitter below", with(screen("TX", {0, 1024, 1024, 768})),
              {0, 1024});
    automatic("Automatisch, the transmitter offset", with(screen("TX", {1280, 256, 1024, 768})),
              {1280, 256});
    automatic("Automatisch, the transmitter at 0,0 and the primary right of it",
              {screen("TX", {0, 0, 720, 576}), screen("DP-1", {720, 0, 1280, 1024}, true)}, {0, 0},
              {720, 0});
    automatic("Automatisch, the nearest of two",
              {primary, screen("far", {-1920, 0, 1920, 1080}), screen("TX", {1280, 300, 720, 576})},
              {1280, 300});
    automatic("Automatisch, the primary alone", {primary}, {1280, 0});
}

void PatternTest::placement_followsTheChosenOutputScreen() {
    QFETCH(QList<ScreenInfo>, screens);
    QFETCH(QString, chosen);
    QFETCH(QPoint, output);
    QFETCH(QPoint, operatorSide);
    QCOMPARE(patternCorner(screens, chosen, true), output);
    QCOMPARE(patternCorner(screens, chosen, false), operatorSide);
    if (chosen.isEmpty() && screens.size() > 1) {
        const auto transmitter = transmitterScreen(screens, chosen);
        QVERIFY(transmitter && !transmitter->primary && transmitter->geometry.contains(output));
    }
}

void PatternTest::outputPlace_scalesOnlyTheOutput_exactInDevicePixels() {
    const QSize design(808, 608);
    ScreenInfo tv = screen("TV-1", {1280, 0, 720, 576});
    tv.pixelSize = QSize(720, 576);
    const QList<ScreenInfo> screens{screen("DP-1", {0, 0, 1280, 1024}, true), tv};
    const QPoint corner(1280, 0);
    // Fit keeps the shape and centres; fill takes the whole screen; 1:1 and the operator's side
    // are the pattern as it is.
    const OutputPlace fit = outputPlace(screens, corner, true, OutputScale::Fit, design);
    QCOMPARE(fit.window, tv.geometry);
    QCOMPARE(fit.picture, QRect(0, 17, 720, 542));
    QCOMPARE(outputPlace(screens, corner, true, OutputScale::Fill, design).picture,
             QRect(0, 0, 720, 576));
    QVERIFY(outputPlace(screens, corner, false, OutputScale::Fill, design).isDirect(design));
    QVERIFY(outputPlace(screens, QPoint(5000, 0), true, OutputScale::Fit, design).isDirect(design));
    // At 150 % the window is whole Qt pixels that hold all 808 x 608 device pixels.
    tv.devicePixelRatio = 1.5;
    const OutputPlace scaled = outputPlace({tv}, corner, true, OutputScale::OneToOne, design);
    QCOMPARE(scaled.window.size(), QSize(539, 406));
    QCOMPARE(scaled.picture, QRect(QPoint(0, 0), design));
    QVERIFY(!scaled.isDirect(design));
    QCOMPARE(outputScaleFrom(QStringLiteral("stretch")), OutputScale::OneToOne);
}

QTEST_MAIN(PatternTest)
#include "pattern_test.moc"
