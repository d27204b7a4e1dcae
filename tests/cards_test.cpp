#include "ProgramFixture.h"
#include "app/CardMenu.h"
#include "app/RoosterWindow.h"
#include "pattern/CardArt.h"
#include "pattern/CardWindows.h"
#include "pattern/DrawnCards.h"
#include "pattern/FrameRenderer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

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
    void ownPictures_listedWithTheirProblems_drawnInTheirShape();
    void panel_choosesTheCard_andTheContestNumberPerBand_keptAcrossARestart();
    void rooster_keepsOnlyGoodValues_andThePanelSaysAndSteersStandby();
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

void CardsTest::ownPictures_listedWithTheirProblems_drawnInTheirShape() {
    TestPlatform t({{"Text1", "PI6ATV"}});
    Program p(t);
    QDir(t.dir.path()).mkpath(QStringLiteral("cards"));
    const QDir cards(p.station.cardsFolder());
    QImage wide(400, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QVERIFY(wide.save(cards.filePath(QStringLiteral("wide.png"))));
    QImage tall(90, 160, QImage::Format_RGB32);
    tall.fill(Qt::green);
    QVERIFY(tall.save(cards.filePath(QStringLiteral("club map.jpg"))));
    // 60 megapixels, small on disk: one bit a pixel, all alike.
    QImage huge(60000, 1000, QImage::Format_Mono);
    huge.fill(0);
    QVERIFY(huge.save(cards.filePath(QStringLiteral("huge.png"))));
    QFile broken(cards.filePath(QStringLiteral("broken.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    QFile good(cards.filePath(QStringLiteral("wide.png")));
    QVERIFY(good.open(QIODevice::ReadOnly));
    broken.write(good.read(60)); // a header, then nothing
    broken.close();

    QHash<QString, QString> problems;
    for (const Card& card : p.station.cards())
        if (card.kind == Card::Kind::Picture)
            problems.insert(card.name, card.problem);
    QCOMPARE(problems.keys().size(), 4);
    QCOMPARE(problems.value(QStringLiteral("wide.png")), QString());
    QCOMPARE(problems.value(QStringLiteral("club map.jpg")), QString());
    QVERIFY2(problems.value(QStringLiteral("huge.png")).contains(QStringLiteral("50 megapixels")),
             qPrintable(problems.value(QStringLiteral("huge.png"))));
    QVERIFY2(problems.value(QStringLiteral("broken.png")).contains(QStringLiteral("not a picture")),
             qPrintable(problems.value(QStringLiteral("broken.png"))));
    // The menu lists the ones it cannot show with the reason, and offers the others.
    emit p.panel.mnu_kaart->aboutToShow();
    QStringList offered, refused;
    for (const QAction* action : p.panel.mnu_kaart->actions())
        if (action->objectName().startsWith(QLatin1String("card ")) || action->text().contains(':'))
            (action->isEnabled() ? offered : refused) << action->text();
    QVERIFY(offered.contains(QStringLiteral("club map.jpg")) &&
            offered.contains(QStringLiteral("wide.png")));
    QCOMPARE(refused.size(), 2);
    QVERIFY(refused.join(' ').contains(QStringLiteral("broken.png: not a picture")));

    // Each drawn whole, in its own shape, black around it, the call sign over it.
    const Canvas canvas{{1280, 720}};
    for (const auto& [name, colour, place] :
         {std::tuple{"wide.png", QColor(Qt::red), QRect(0, 200, 1280, 320)},
          std::tuple{"club map.jpg", QColor(Qt::green), QRect(437, 0, 406, 720)}}) {
        CardPicture drawn =
            makeCardPicture(*p.station.card(QString::fromUtf8(name)), canvas, p.station);
        const QImage frame = drawn.frames->frame();
        const auto near = [](QColor a, QColor b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                       std::abs(a.blue() - b.blue()) <
                   40;
        };
        const QRect inside = place.adjusted(4, 4, -4, -4);
        QVERIFY2(near(frame.pixelColor(inside.bottomLeft()), colour), name);
        QVERIFY2(near(frame.pixelColor(inside.bottomRight()), colour), name);
        QVERIFY2(near(frame.pixelColor(place.left() - 3, place.top() - 3), Qt::black) ||
                     place.top() == 0,
                 name);
        QVERIFY2(near(frame.pixelColor(place.right() + 3, place.bottom() + 3), Qt::black) ||
                     place.bottom() == 719,
                 name);
        const QRect callSign =
            drawn.owner->findChild<QWidget*>(QStringLiteral("Label1"))->geometry();
        // white letters on their black box
        const QImage letters = frame.copy(callSign).convertToFormat(QImage::Format_Grayscale8);
        int white = 0;
        for (int y = 0; y < letters.height(); ++y)
            for (int x = 0; x < letters.width(); ++x)
                white += letters.constScanLine(y)[x] > 200;
        QVERIFY2(white > letters.width() * letters.height() / 10, name);
    }
}

void CardsTest::panel_choosesTheCard_andTheContestNumberPerBand_keptAcrossARestart() {
    TestPlatform t({{"Text1", "PI6ATV"}, {"Text5", "JO22KC"}});
    {
        Program p(t);
        emit p.panel.mnu_kaart->aboutToShow();
        p.panel.mnu_kaart->findChild<QAction*>(QStringLiteral("card contest"))->trigger();
        // Band and number, twice: each band keeps its own.
        for (const auto& [band, number] : {std::pair{"13cm", 42}, std::pair{"23cm", 7}}) {
            p.panel.mnu_kaart->findChild<QAction*>(QStringLiteral("mnu_contest"))->trigger();
            auto* dialog = p.panel.findChild<ContestDialog*>();
            QVERIFY(dialog);
            dialog->band->setCurrentText(QString::fromLatin1(band));
            dialog->number->setValue(number);
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            delete dialog;
        }
        QCOMPARE(t.storedValue(QStringLiteral("chosen_card")), QStringLiteral("contest"));
        QCOMPARE(t.storedValue(QStringLiteral("contest_numbers")),
                 QStringLiteral("23cm=7;13cm=42"));
    }
    Program again(t);
    QCOMPARE(again.station.chosenCard(), QStringLiteral("contest"));
    QCOMPARE(again.station.contestBand(), QStringLiteral("23cm"));
    QCOMPARE(again.station.contestNumber(QStringLiteral("13cm")), 42);
    // Kalvora 1 puts the contest card on pattern 1's window, and the stream sends it.
    again.panel.Command1->click();
    const QImage shown = again.pattern1().frames().frame();
    CardPicture contest =
        makeCardPicture(*again.station.card(Cards::Contest), Canvas::design(), again.station);
    const auto grey = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_Grayscale8);
    };
    QCOMPARE(shown.size(), Cards::designSize());
    QVERIFY2(
        meanDifference(grey(shown), grey(contest.frames->frame())) < 0.5,
        qPrintable(QString::number(meanDifference(grey(shown), grey(contest.frames->frame())))));
    QCOMPARE(again.station.streamedCard(), Cards::Contest);
    const QRect number = contest.owner->findChild<QWidget*>(QStringLiteral("Number"))->geometry();
    QCOMPARE(contest.owner->findChild<QLabel*>(QStringLiteral("Number"))->text(),
             QStringLiteral("007"));
    QVERIFY(number.height() > Cards::designSize().height() / 5); // large on a small screen
    // The test card again, from the menu.
    emit again.panel.mnu_kaart->aboutToShow();
    again.panel.mnu_kaart->findChild<QAction*>(QStringLiteral("card 1"))->trigger();
    QCOMPARE(again.station.streamedCard(), Cards::TestCard);
    QCOMPARE(again.pattern1().frames().frame().size(), Cards::designSize());
}

void CardsTest::rooster_keepsOnlyGoodValues_andThePanelSaysAndSteersStandby() {
    TestPlatform t({{"Text1", "PI6ATV"}});
    Program p(t);
    p.panel.Command1->click();
    auto* menu = p.panel.findChild<RoosterMenu*>();
    QVERIFY(menu);
    const auto open = [&] {
        menu->setUp->trigger();
        return p.panel.findChild<RoosterWindow*>();
    };
    const auto ok = [](RoosterWindow* window) {
        window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    // A value that is not one is named in the window, which stays open; nothing is kept.
    const QList<QStringList> bad = {{"7-23", "", "\"7-23\""},
                                    {"07:00-23:30", "1=60,nope=20", "\"nope\""},
                                    {"", "1=x", "\"1=x\""}};
    for (const QStringList& row : bad) {
        RoosterWindow* window = open();
        QVERIFY(window);
        window->hours->setText(row[0]);
        window->carousel->setText(row[1]);
        ok(window);
        QVERIFY(window->isVisible());
        QVERIFY2(window->problem->text().contains(row[2]), qPrintable(window->problem->text()));
        delete window;
        for (const char* key : {"on_air_hours", "carousel", "ident_card_seconds"})
            QCOMPARE(t.storedValue(QLatin1String(key)), QStringLiteral("<absent>"));
    }
    // Hours that start in two hours: kept, and standby at once, said on the panel.
    const QDateTime now = p.station.clock().wallTime().toUTC();
    const QString from = now.addSecs(2 * 3600).toString(QStringLiteral("HH:mm"));
    const QString hours = from + QLatin1Char('-') + now.addSecs(3 * 3600).toString("HH:mm");
    RoosterWindow* window = open();
    window->hours->setText(hours);
    window->carousel->setText(QStringLiteral("2=60,1=60"));
    window->identSeconds->setValue(15);
    window->standbyAtStart->setChecked(true);
    ok(window);
    QVERIFY(!window->isVisible());
    delete window;
    QCOMPARE(t.storedValue(QStringLiteral("on_air_hours")), hours);
    QCOMPARE(t.storedValue(QStringLiteral("carousel")), QStringLiteral("2=60,1=60"));
    QCOMPARE(t.storedValue(QStringLiteral("ident_card_seconds")), QStringLiteral("15"));
    QCOMPARE(t.storedValue(QStringLiteral("standby_at_start")), QStringLiteral("1"));
    QVERIFY(p.station.inStandby());
    QVERIFY(!p.pattern1().isVisible());
    QVERIFY(p.panel.lbl_standby->isVisible());
    QCOMPARE(p.panel.lbl_standby->text(), QStringLiteral("standby until %1 UTC").arg(from));
    // The operator puts it on air: the pattern is back, showing the ident card first (the
    // station has just gone on air), then the carousel.
    emit menu->aboutToShow();
    QVERIFY(!menu->standby->isEnabled());
    menu->onAir->trigger();
    QVERIFY(!p.station.inStandby());
    QVERIFY(p.pattern1().isVisible());
    QVERIFY(!p.panel.lbl_standby->isVisible());
    QCOMPARE(p.station.pattern1Card(), Cards::Ident);
    // A card chosen by hand holds the carousel until the operator resumes it.
    p.station.setRooster([&] {
        Rooster r = p.station.rooster();
        r.ident = {};
        return r;
    }());
    QCOMPARE(p.station.pattern1Card(), QStringLiteral("2"));
    emit p.panel.mnu_kaart->aboutToShow();
    p.panel.mnu_kaart->findChild<QAction*>(QStringLiteral("card contest"))->trigger();
    QCOMPARE(p.station.pattern1Card(), Cards::Contest);
    emit menu->aboutToShow();
    QVERIFY(menu->resumeCarousel->isEnabled());
    menu->resumeCarousel->trigger();
    QCOMPARE(p.station.pattern1Card(), QStringLiteral("2"));
    menu->identNow->trigger();
    QCOMPARE(p.station.pattern1Card(), Cards::Ident);
    menu->standby->trigger();
    QVERIFY(p.station.inStandby());
    QVERIFY(!p.pattern1().isVisible());
}

QTEST_MAIN(CardsTest)
#include "cards_test.moc"
