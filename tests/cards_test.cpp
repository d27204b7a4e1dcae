#include "ProgramFixture.h"
#include "pattern/CardArt.h"
#include "pattern/CardWindows.h"
#include "pattern/DrawnCards.h"
#include "pattern/FrameRenderer.h"

#include <QTest>
#include <cmath>

using namespace kalvora;
using kalvora::test::Program;
using kalvora::test::TestPlatform;

namespace {

// The longest run of pixels in one row that alternate black, white, black, ... pixel by pixel.
int longestOnePixelGrating(const QImage& picture) {
    int longest = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        int run = 0;
        for (int x = 0; x < picture.width(); ++x) {
            const bool extreme = (row[x] & 0xffffff) == 0 || (row[x] & 0xffffff) == 0xffffff;
            run = !extreme ? 0 : run > 0 && row[x - 1] != row[x] ? run + 1 : 1;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

// The first and last column in row `y` whose colour is `colour`, around `from`.
std::pair<int, int> runAround(const QImage& picture, int y, int from, QRgb colour) {
    int left = from, right = from;
    while (left > 0 && picture.pixel(left - 1, y) == colour)
        --left;
    while (right + 1 < picture.width() && picture.pixel(right + 1, y) == colour)
        ++right;
    return {left, right};
}

// A caption's box, scaled to `size` as the viewer sees it, in grey.
QImage seenAs(const QImage& frame, const QRect& box, double pixelAspect, QSize size) {
    return frame.copy(box)
        .scaled(int(std::lround(box.width() * pixelAspect)), box.height(), Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
    return sum / (a.width() * a.height());
}

} // namespace

class CardsTest : public QObject {
    Q_OBJECT
private slots:
    void builtInCards_drawnForEachCanvas_data();
    void builtInCards_drawnForEachCanvas();
};

void CardsTest::builtInCards_drawnForEachCanvas_data() {
    QTest::addColumn<Canvas>("canvas");
    const auto rows = [](const char* name, Canvas canvas) {
        for (const QString& card : {Cards::TestCard, Cards::ColourBars})
            QTest::newRow(qPrintable(QStringLiteral("%1, card %2").arg(name, card)))
                << canvas << card;
    };
    QTest::addColumn<QString>("card");
    rows("720x576 4:3", Canvas::forStream({720, 576}, false));
    rows("720x576 16:9", Canvas::forStream({720, 576}, true));
    rows("1024x576", Canvas{{1024, 576}});
    rows("1280x720", Canvas{{1280, 720}});
    rows("1920x1080", Canvas{{1920, 1080}});
}

void CardsTest::builtInCards_drawnForEachCanvas() {
    QFETCH(Canvas, canvas);
    QFETCH(QString, card);
    TestPlatform t({{"Text1", "PI6ATV"}, {"Text3", "PI6ATV"}});
    Program p(t);
    CardPicture drawn = makeCardPicture(*p.station.card(card), canvas, p.station);
    CardPicture designed = makeCardPicture(*p.station.card(card), Canvas::design(), p.station);
    QVERIFY(drawn.frames && designed.frames);
    const QImage frame = drawn.frames->frame();
    QCOMPARE(frame.size(), canvas.pixels);

    if (card == Cards::TestCard) {
        // The finest grating, a sixth of the circle (880 of the sheet's units) wide, is one
        // pixel black, one white: nothing of the card was scaled.
        const double circle = 880 / CardArt::sheetWidth(canvas) * canvas.pixels.width();
        QVERIFY2(longestOnePixelGrating(frame) >= circle / 6 * 0.8,
                 qPrintable(QString::number(longestOnePixelGrating(frame))));
        // The circle is round as the viewer sees it: its width through the centre (the black
        // band, either side of the cross's white upright) and a chord lower down (the yellow
        // band) give its height.
        const QImage art = CardArt::testCard(canvas);
        const int centreX = canvas.pixels.width() / 2, centreY = canvas.pixels.height() / 2;
        const int bandLeft = runAround(art, centreY, centreX - 3, qRgb(0, 0, 0)).first;
        const int bandRight = runAround(art, centreY, centreX + 3, qRgb(0, 0, 0)).second;
        const double halfWidth = (bandRight - bandLeft + 1) / 2.0 * canvas.pixelAspect();
        const int chordY = int(canvas.pixels.height() * 830.0 / 960);
        // (the red block in its middle between the two yellow halves)
        const int aside = canvas.pixels.height() / 10;
        const int chordLeft = runAround(art, chordY, centreX - aside, qRgb(255, 224, 0)).first;
        const int chordRight = runAround(art, chordY, centreX + aside, qRgb(255, 224, 0)).second;
        const double halfChord = (chordRight - chordLeft + 1) / 2.0 * canvas.pixelAspect();
        const double halfHeight = (chordY + 0.5 - canvas.pixels.height() / 2.0) /
                                  std::sqrt(1 - halfChord * halfChord / (halfWidth * halfWidth));
        // (within the grid's reach: a pixel down, one of the canvas's pixels across, and the
        // half pixel each chord may lose at its ends)
        QVERIFY2(
            std::abs(2 * halfWidth - 2 * halfHeight) <= 1 + canvas.pixelAspect(),
            qPrintable(QStringLiteral("%1 wide, %2 high").arg(2 * halfWidth).arg(2 * halfHeight)));
    }

    // The call sign reads as on the card's window: its box, seen at the window's size, looks
    // like the window's.
    const auto callSign = [](QWidget* owner) {
        return owner->findChild<QWidget*>(QStringLiteral("Label1"))->geometry();
    };
    const QRect reference = callSign(designed.owner.get());
    const QRect box = callSign(drawn.owner.get());
    const QImage seen = seenAs(frame, box, canvas.pixelAspect(), reference.size());
    const QImage expected = seenAs(designed.frames->frame(), reference, 1, reference.size());
    QVERIFY2(meanDifference(seen, expected) < 20,
             qPrintable(QString::number(meanDifference(seen, expected))));
    // ... and lies on the picture where the window has it, in proportion.
    const double down = double(canvas.pixels.height()) / Cards::designSize().height();
    QVERIFY2(std::abs(box.top() - reference.top() * down) <= 2,
             qPrintable(QString::number(box.top())));
}

QTEST_MAIN(CardsTest)
#include "cards_test.moc"
