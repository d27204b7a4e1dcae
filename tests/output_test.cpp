// The patterns on the output screen, for one station layout per run: the layout's screens are
// given to Qt's offscreen platform before it starts (`output_test --layout NAME`).
#include "ProgramFixture.h"
#include "ScreenPictures.h"
#include "pattern/Caption.h"
#include "pattern/FrameRenderer.h"
#include "pattern/PatternWindow.h"
#include "pattern/TickerStrip.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstring>

using namespace kalvora;
using namespace kalvora::test;

namespace {

struct Screen {
    const char* name;
    QRect native; // in device pixels
};

// A station's screens (the primary one first), and how Qt is told to scale them.
struct Layout {
    const char* name;
    QList<Screen> screens;
    const char* scaleFactor = nullptr;        // QT_SCALE_FACTOR
    const char* screenScaleFactors = nullptr; // QT_SCREEN_SCALE_FACTORS
};

const Screen Primary{"Primary", {0, 0, 1280, 1024}};

const Layout Layouts[] = {
    {"right", {Primary, {"Transmitter", {1280, 0, 1024, 768}}}},
    {"left", {Primary, {"Transmitter", {-1024, 0, 1024, 768}}}},
    {"below", {Primary, {"Transmitter", {0, 1024, 1024, 768}}}},
    {"offset", {Primary, {"Transmitter", {1280, 256, 1024, 768}}}},
    {"pal", {Primary, {"Transmitter", {1280, 0, 720, 576}}}},
    {"factors-2-1", {Primary, {"Transmitter", {1280, 0, 1024, 768}}}, nullptr, "2;1"},
    {"scale-2", {Primary, {"Transmitter", {1280, 0, 1024, 768}}}, "2"},
    {"three", {Primary, {"Studio", {1280, 0, 1920, 1080}}, {"Transmitter", {3200, 0, 1024, 768}}}},
};

const Layout* chosenLayout = nullptr;

const QSize Design(808, 608);

QScreen* screenNamed(const char* name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == QLatin1String(name))
            return screen;
    return nullptr;
}

// What the window shows on its screen, in device pixels, as the window system has it.
int maxChannelDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb one = a.pixel(x, y), two = b.pixel(x, y);
            most =
                std::max({most, std::abs(qRed(one) - qRed(two)),
                          std::abs(qGreen(one) - qGreen(two)), std::abs(qBlue(one) - qBlue(two))});
        }
    return most;
}

QImage onScreen(QWidget& window) {
    QCoreApplication::processEvents();
    // The size given, so that it is taken in device pixels on a screen that Qt scales.
    QImage stored = window.screen()
                        ->grabWindow(window.winId(), 0, 0, window.width(), window.height())
                        .toImage()
                        .convertToFormat(QImage::Format_RGB32);
    stored.setDevicePixelRatio(1);
    if (window.devicePixelRatioF() == 1)
        return stored;
    // Of a window on a scaled screen the offscreen platform hands out only the first
    // width x height device pixels: the window's own painting at its device pixels must agree
    // with them, and stands for the rest.
    QImage painted = grabbed(window);
    painted.setDevicePixelRatio(1);
    // A part drawn again alone is filtered on its own: it may round a level or two apart.
    if (maxChannelDifference(painted.copy(stored.rect()), stored) > 2)
        return QImage();
    return painted;
}

// The menu entry whose text starts with `start`.
QAction* uitgangEntry(Form1& panel, const QString& start) {
    emit panel.mnu_uitgang->aboutToShow();
    for (QAction* action : panel.mnu_uitgang->actions())
        if (action->text().startsWith(start))
            return action;
    return nullptr;
}

// The window point that shows pattern point `point`.
QPoint windowPointFor(const PatternWindow& window, QPoint point) {
    const QRect picture = window.outputPlace().picture;
    const double ratio = window.devicePixelRatioF();
    return QPoint(
        int((picture.left() + (point.x() + 0.5) * picture.width() / Design.width()) / ratio),
        int((picture.top() + (point.y() + 0.5) * picture.height() / Design.height()) / ratio));
}

} // namespace

class OutputTest : public QObject {
    Q_OBJECT
private slots:
    void oneToOne_putsThePatternsWhereTheOperatorExpects_exactInDevicePixels();
    void fitAndFill_showTheFrameScaled_stayLive_andAPictureClickMapsBack_data();
    void fitAndFill_showTheFrameScaled_stayLive_andAPictureClickMapsBack();
};

void OutputTest::oneToOne_putsThePatternsWhereTheOperatorExpects_exactInDevicePixels() {
    QScreen* primary = QGuiApplication::primaryScreen();
    QScreen* transmitter = screenNamed("Transmitter");
    QVERIFY(primary && transmitter);
    TestPlatform t;
    Program p(t);
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&p.pattern1()));

    // Each pattern is where `side` says, exactly 808 x 608 device pixels of the pattern's own
    // frame, on the screen there.
    const auto check = [&](const QPoint& corner, const QScreen* screen) {
        for (PatternWindow* window : {static_cast<PatternWindow*>(&p.pattern1()),
                                      static_cast<PatternWindow*>(&p.pattern2())}) {
            QCOMPARE(window->pos(), corner);
            if (!screen)
                continue;
            QCOMPARE(window->screen(), screen);
            const QImage shown = onScreen(*window);
            QCOMPARE(shown.size(), Design);
            // Drawn from frames, both windows show pattern 1, chosen last; a window that is its
            // own stage shows its own pattern.
            QCOMPARE(shown, window->showsStageDirectly() ? window->frames().frame()
                                                         : p.pattern1().frames().frame());
        }
    };
    // Automatisch: the program's first rule at the primary's right edge; where the transmitter
    // is not there, on the transmitter (with three screens the studio screen is there).
    const QPoint rule = primary->geometry().topRight() + QPoint(1, 0);
    QScreen* atRule = QGuiApplication::screenAt(rule);
    check(atRule ? rule : transmitter->geometry().topLeft(), atRule ? atRule : transmitter);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    check(QPoint(0, 0), primary);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);

    // The transmitter chosen: its top-left corner, and Scherm swaps with the primary's.
    QAction* choice = uitgangEntry(p.panel, QStringLiteral("Transmitter"));
    QVERIFY(choice);
    choice->trigger();
    QCOMPARE(t.storedValue(QStringLiteral("output_screen")), QStringLiteral("Transmitter"));
    check(transmitter->geometry().topLeft(), transmitter);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    check(primary->geometry().topLeft(), primary);
    QTest::mouseClick(p.panel.Command3, Qt::LeftButton);
    check(transmitter->geometry().topLeft(), transmitter);
    QVERIFY(p.pattern1().isVisible() && p.pattern2().isVisible());
}

void OutputTest::fitAndFill_showTheFrameScaled_stayLive_andAPictureClickMapsBack_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("stored");
    QTest::newRow("fit") << QStringLiteral("Beeld &passend") << QStringLiteral("fit");
    QTest::newRow("fill") << QStringLiteral("Beeld &schermvullend") << QStringLiteral("fill");
}

void OutputTest::fitAndFill_showTheFrameScaled_stayLive_andAPictureClickMapsBack() {
    QFETCH(QString, entry);
    QFETCH(QString, stored);
    QScreen* transmitter = screenNamed("Transmitter");
    QVERIFY(transmitter);
    TestPlatform t({{"output_screen", "Transmitter"}});
    Program p(t);
    QAction* choice = uitgangEntry(p.panel, entry);
    QVERIFY(choice);
    choice->trigger();
    QCOMPARE(t.storedValue(QStringLiteral("output_scale")), stored);
    QTest::mouseClick(p.panel.Command1, Qt::LeftButton);
    kalvora::Display& pattern1 = p.pattern1();
    QVERIFY(QTest::qWaitForWindowExposed(&pattern1));

    // The window covers the transmitter; the picture lies in it as large as it may be.
    QCOMPARE(pattern1.geometry(), transmitter->geometry());
    const QSize screenPixels = onScreen(pattern1).size();
    QCOMPARE(screenPixels,
             (QSizeF(transmitter->size()) * transmitter->devicePixelRatio()).toSize());
    const QRect picture = pattern1.outputPlace().picture;
    QVERIFY(QRect(QPoint(0, 0), screenPixels).contains(picture));
    if (stored == QLatin1String("fill")) {
        QCOMPARE(picture.size(), screenPixels);
    } else {
        // Its shape kept, touching two opposite edges, centred.
        QVERIFY(picture.width() == screenPixels.width() ||
                picture.height() == screenPixels.height());
        QVERIFY(std::abs(picture.width() * Design.height() - picture.height() * Design.width()) <=
                std::max(Design.width(), Design.height()));
        QVERIFY(std::abs(2 * picture.left() + picture.width() - screenPixels.width()) <= 1);
        QVERIFY(std::abs(2 * picture.top() + picture.height() - screenPixels.height()) <= 1);
    }

    // What is on the screen is the pattern's frame, scaled: as a whole, and in the call sign
    // and the ticker strip, which change. Around it, black.
    const auto expectScaledFrame = [&] {
        const QImage shown = onScreen(pattern1).copy(picture);
        const QImage scaled = pattern1.frames().frame().scaled(
            picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(meanChannelDifference(shown, scaled) <= 1.5);
        for (const QWidget* part :
             {static_cast<QWidget*>(pattern1.Label1), static_cast<QWidget*>(pattern1.Picture1)}) {
            const QRect area =
                QRectF(QPointF(part->geometry().topLeft()) * picture.width() / Design.width(),
                       QSizeF(part->size()) * picture.width() / Design.width())
                    .toAlignedRect()
                    .intersected(shown.rect());
            QVERIFY(meanChannelDifference(shown.copy(area), scaled.copy(area)) <= 4);
        }
        const QImage whole = onScreen(pattern1);
        if (picture.top() > 0)
            QCOMPARE(whole.pixel(picture.center().x(), picture.top() / 2), qRgb(0, 0, 0));
        if (picture.left() > 0)
            QCOMPARE(whole.pixel(picture.left() / 2, picture.center().y()), qRgb(0, 0, 0));
    };
    expectScaledFrame();

    // Live: a new call sign typed on the panel and the ticker's steps reach the screen.
    const QImage before = onScreen(pattern1);
    p.panel.Text1->selectAll();
    QTest::keyClicks(p.panel.Text1, QStringLiteral("PI6ATV"));
    if (!p.pattern1().Picture1->isVisible())
        QTest::mouseClick(p.panel.Command4, Qt::LeftButton);
    p.station.stop();
    for (int step = 0; step < 40; ++step)
        p.station.Timer3_Timer();
    QTest::qWait(50);
    QVERIFY(onScreen(pattern1) != before);
    expectScaledFrame();
    // New ticker settings move the strip up: its old place is drawn again too.
    QVERIFY(t.store->WriteSetting(QStringLiteral("tt_position"), QStringLiteral("3000")));
    p.station.Lees_TT_Settings();
    p.station.stop();
    p.station.Timer3_Timer();
    QTest::qWait(50);
    expectScaledFrame();

    // A click on the call sign or beside the picture leaves the pattern on; one on the picture
    // takes it down.
    QTest::mouseClick(&pattern1, Qt::LeftButton, {},
                      windowPointFor(pattern1, pattern1.Label1->geometry().center()));
    QVERIFY(pattern1.isVisible());
    if (picture.left() > 1)
        QTest::mouseClick(&pattern1, Qt::LeftButton, {}, QPoint(0, pattern1.height() / 2));
    QVERIFY(pattern1.isVisible());
    QTest::mouseClick(&pattern1, Qt::LeftButton, {}, windowPointFor(pattern1, QPoint(60, 300)));
    QVERIFY(!pattern1.isVisible());

    // Pattern 2 the same: over the transmitter, its own frame scaled, and no click takes it down.
    QTest::mouseClick(p.panel.Command2, Qt::LeftButton);
    kalvora::display2& pattern2 = p.pattern2();
    QVERIFY(QTest::qWaitForWindowExposed(&pattern2));
    QCOMPARE(pattern2.geometry(), transmitter->geometry());
    QCOMPARE(pattern2.outputPlace().picture, picture);
    const QImage scaled2 = pattern2.frames().frame().scaled(picture.size(), Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation);
    QVERIFY(meanChannelDifference(onScreen(pattern2).copy(picture), scaled2) <= 1.5);
    QTest::mouseClick(&pattern2, Qt::LeftButton, {}, windowPointFor(pattern2, QPoint(60, 300)));
    QVERIFY(pattern2.isVisible());
}

// `--layout NAME` sets up the offscreen platform with that layout's screens before Qt starts;
// every other argument goes to Qt Test.
int main(int argc, char** argv) {
    QList<char*> testArguments{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--layout") == 0 && i + 1 < argc) {
            ++i;
            for (const Layout& layout : Layouts)
                if (std::strcmp(layout.name, argv[i]) == 0)
                    chosenLayout = &layout;
            continue;
        }
        testArguments << argv[i];
    }
    if (!chosenLayout) {
        std::fprintf(stderr, "usage: output_test --layout NAME [test arguments]; NAME is one of");
        for (const Layout& layout : Layouts)
            std::fprintf(stderr, " %s", layout.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    {
        QStringList screens;
        for (const Screen& screen : chosenLayout->screens)
            screens << QStringLiteral(R"({"name": "%1", "x": %2, "y": %3, "width": %4, )"
                                      R"("height": %5, "logicalDpi": 96, "logicalBaseDpi": 96, )"
                                      R"("dpr": 1})")
                           .arg(QLatin1String(screen.name))
                           .arg(screen.native.x())
                           .arg(screen.native.y())
                           .arg(screen.native.width())
                           .arg(screen.native.height());
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QStringLiteral(R"({"windowFrameMargins": false, "screens": [%1]})")
                           .arg(screens.join(QStringLiteral(", ")))
                           .toUtf8()) < 0)
            return 2;
    }
    // Named from the folder it lies in while Qt starts: Qt splits the platform's options at
    // every colon, a Windows drive letter's too.
    const QString started = QDir::currentPath();
    QDir::setCurrent(folder.path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
    if (chosenLayout->scaleFactor)
        qputenv("QT_SCALE_FACTOR", chosenLayout->scaleFactor);
    if (chosenLayout->screenScaleFactors)
        qputenv("QT_SCREEN_SCALE_FACTORS", chosenLayout->screenScaleFactors);
    int qtArgc = int(testArguments.size());
    QApplication app(qtArgc, testArguments.data());
    QDir::setCurrent(started);
    OutputTest test;
    return QTest::qExec(&test, qtArgc, testArguments.data());
}

#include "output_test.moc"
