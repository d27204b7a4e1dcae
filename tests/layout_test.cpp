#include "ProgramFixture.h"
#include "about/Frm_info.h"
#include "settings/Twips.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

// Every control of every window, as the windows were designed: its parent, its place in twips,
// its text as the program first shows it, and its colours. A row leaves out what is not fixed
// (a caption that sizes itself to its text, the running clock).
struct Row {
    const char* window;
    const char* name;
    const char* parent;
    QRect twips; // empty: not checked
    const char* text = nullptr;
    QColor letters = QColor();
    QColor fill = QColor();
    int opaque = -1; // 1: paints its fill, 0: the picture behind shows through, -1: not checked
};

const QColor Yellow(255, 255, 0), Green(0, 255, 0), White(Qt::white), Black(Qt::black);

const Row Table[] = {
    {"Form1", "Command1", "client", {120, 120, 1215, 375}, "Kalvora 1"},
    {"Form1", "Command2", "client", {1440, 120, 1095, 375}, "Kalvora 2"},
    {"Form1", "Text1", "client", {240, 960, 1095, 375}, "QQ0ABC", Yellow, Black},
    {"Form1", "Text3", "client", {1440, 960, 1095, 375}, "QQ0ABC", Yellow, Black},
    {"Form1", "Text2", "client", {240, 1440, 1095, 375}, "144.750 MHz", Yellow, Black},
    {"Form1", "Text4", "client", {1440, 1440, 1095, 375}, "144.750 MHz", Yellow, Black},
    {"Form1", "Text5", "client", {240, 1920, 1095, 375}, "AA00AA", Yellow, Black},
    {"Form1", "Command3", "client", {1440, 1920, 1095, 375}, "Scherm"},
    {"Form1", "Command4", "client", {600, 2400, 1455, 375}, "TickerTape aan"},
    // Below the client area: pattern 1's inner size in twips, the ticker's drawing strip (sized
    // to the strip at start-up) and the next swap second.
    {"Form1", "Label2", "client", {120, 4080, 2175, 495}, "12120"},
    {"Form1", "Label1", "client", {2760, 4080, 2175, 495}, "9120"},
    {"Form1", "Picture2", "client", {0, 4680, 12030, 648}},
    {"Form1", "Text6", "client", {2040, 5280, 1335, 735}, "5", Yellow, Black},

    {"Display", "Image1", "stage", {-120, 0, 12225, 9120}},
    {"Display", "Label1", "stage", {}, "QQ0ABC", White, Black, 1},
    {"Display", "Label2", "stage", {4440, 6960, 3855, 555}, "144.750 MHz", White, {}, 0},
    {"Display", "Label3", "stage", {7800, 4200, 2175, 615}, nullptr, White, Black, 1},
    {"Display", "Label4", "stage", {2040, 4200, 2535, 615}, nullptr, White, Black, 1},
    {"display2", "Image1", "stage", {0, 0, 12135, 9120}},
    {"display2", "Label1", "stage", {}, "QQ0ABC", White, Black, 1},
    {"display2", "Label2", "stage", {}, "144.750 MHz", White, Black, 1},

    {"Frm_Tickertape", "Label2", "Frm_Tickertape", {240, 120, 735, 255}, "Enabled : :", Yellow},
    {"Frm_Tickertape", "tt_enabled", "Frm_Tickertape", {1080, 120, 255, 255}, "", Green},
    {"Frm_Tickertape", "Frame2", "Frm_Tickertape", {240, 480, 3735, 1935}, nullptr, White, Black},
    {"Frm_Tickertape", "Text1", "Frame2", {120, 240, 3495, 1575}},
    {"Frm_Tickertape", "Frame1", "Frm_Tickertape", {240, 2520, 3735, 3495}, nullptr, Yellow, Black},
    {"Frm_Tickertape", "Label1", "Frame1", {120, 240, 735, 255}, "Speed :", Yellow},
    {"Frm_Tickertape", "tt_speed", "Frame1", {1320, 240, 855, 285}, "50", Green, Black},
    {"Frm_Tickertape", "Label3", "Frame1", {120, 720, 1215, 255}, "Regel Lengte :", Yellow},
    {"Frm_Tickertape", "tt_regellengte", "Frame1", {1320, 720, 855, 285}, "50", Green, Black},
    {"Frm_Tickertape", "Label4", "Frame1", {120, 1080, 1215, 255}, "Font :", Yellow},
    {"Frm_Tickertape", "tt_font", "Frame1", {1320, 1080, 855, 285}, "arial", Green, Black},
    {"Frm_Tickertape", "Command4", "Frame1", {2400, 1080, 1215, 255}, "Select Font"},
    {"Frm_Tickertape", "Label5", "Frame1", {120, 1440, 975, 255}, "Font Size :", Yellow},
    {"Frm_Tickertape", "tt_fontsize", "Frame1", {1320, 1440, 855, 285}, "24", Green, Black},
    {"Frm_Tickertape", "Label6", "Frame1", {120, 1920, 1215, 255}, "Background :", Yellow},
    {"Frm_Tickertape", "Picture1", "Frame1", {1320, 1920, 855, 255}, nullptr, {}, Black, 1},
    {"Frm_Tickertape", "Command2", "Frame1", {2400, 1920, 1215, 255}, "Select color"},
    {"Frm_Tickertape", "Label7", "Frame1", {120, 2400, 975, 255}, "Letter color :", Yellow},
    {"Frm_Tickertape", "Picture2", "Frame1", {1320, 2400, 855, 255}, nullptr, {}, White, 1},
    {"Frm_Tickertape", "Command3", "Frame1", {2400, 2400, 1215, 255}, "Select color"},
    {"Frm_Tickertape", "Label9", "Frame1", {360, 2880, 735, 255}, "Position :", Yellow},
    {"Frm_Tickertape", "tt_position", "Frame1", {1320, 2880, 855, 285}, "0", Green, Black},
    {"Frm_Tickertape", "Command1", "Frm_Tickertape", {3000, 6240, 975, 495}, "Save"},

    {"Fonts", "List1", "Fonts", {120, 120, 4455, 2790}, nullptr, Green, Black},

    {"Frm_info", "Picture2", "Frm_info", {65, 60, 4215, 2895}},
    {"Frm_info", "Image1", "Picture2", {0, 0, 1545, 1155}},
    {"Frm_info",
     "Label7",
     "Picture2",
     {1800, 120, 2175, 735},
     "For more info, log on to ",
     QColor(0xE0, 0xE0, 0xE0),
     {},
     0},
    {"Frm_info", "Label2", "Picture2", {1680, 480, 2295, 255}, nullptr, White, {}, 0},
    {"Frm_info", "Picture1", "Picture2", {720, 1560, 2655, 975}},
    {"Frm_info", "Text1", "Picture1", {0, 0, 2610, 4575}},
    {"Frm_info", "Line2", "Picture1", {600, 450, 1800, 15}, nullptr, {}, Green, 1},
    {"Frm_info", "Label5", "Picture1", {620, 450, 1815, 255}, "ATV Kalvra  V2.1", Green, {}, 0},
    {"Frm_info", "Label3", "Picture1", {220, 90, 2175, 495}, nullptr, Green, {}, 0},
    {"Frm_info", "Label1", "Picture2", {3820, 2600, 495, 255}, "Exit", {}, {}, 0},
};

QString textOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* field = qobject_cast<const QLineEdit*>(control))
        return field->text();
    return QStringLiteral("<no text>");
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void everyControl_matchesTheTable_data();
    void everyControl_matchesTheTable();
    void inputControls_standOutFromTheirBackground_data();
    void inputControls_standOutFromTheirBackground();
};

void LayoutTest::everyControl_matchesTheTable_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(Table)); ++i)
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(Table[i].window),
                                                             QLatin1String(Table[i].name))))
            << i;
}

void LayoutTest::everyControl_matchesTheTable() {
    QFETCH(int, row);
    const Row& expected = Table[row];
    TestPlatform t;
    Program p(t);
    p.panel.mnu_TT->trigger();
    Frm_Tickertape& dialog = *p.windows.loadedTickerDialog();
    p.windows.fonts();
    p.panel.mnu_Info->trigger();
    p.windows.loadedAbout()->Timer2.stop();

    const QList<QWidget*> windows = {&p.panel, &p.pattern1(),           &p.pattern2(),
                                     &dialog,  p.windows.loadedFonts(), p.windows.loadedAbout()};
    QWidget* window = nullptr;
    for (QWidget* candidate : windows)
        if (candidate && candidate->objectName() == QLatin1String(expected.window))
            window = candidate;
    QVERIFY(window);
    const QList<QWidget*> named = window->findChildren<QWidget*>(QLatin1String(expected.name));
    QCOMPARE(named.size(), 1);
    QWidget* control = named.first();

    QCOMPARE(control->parentWidget()->objectName(), QLatin1String(expected.parent));
    if (!expected.twips.isEmpty())
        QCOMPARE(control->geometry(), twipsRect(expected.twips.x(), expected.twips.y(),
                                                expected.twips.width(), expected.twips.height()));
    if (expected.text)
        QCOMPARE(textOf(control), QString::fromUtf8(expected.text));
    if (expected.letters.isValid())
        QCOMPARE(control->palette().color(QPalette::Active, control->foregroundRole()),
                 expected.letters);
    if (expected.fill.isValid()) {
        // A list paints its entries' background in its viewport.
        const auto* list = qobject_cast<QAbstractScrollArea*>(control);
        const QWidget* painted = list ? list->viewport() : control;
        QCOMPARE(painted->palette().color(QPalette::Active, painted->backgroundRole()),
                 expected.fill);
    }
    if (expected.opaque >= 0)
        QCOMPARE(control->autoFillBackground(), expected.opaque == 1);
}

void LayoutTest::inputControls_standOutFromTheirBackground_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("tickerEnabled");
    QTest::newRow("control panel") << "Form1" << false;
    QTest::newRow("ticker settings, unticked") << "Frm_Tickertape" << false;
    QTest::newRow("ticker settings, ticked") << "Frm_Tickertape" << true;
    QTest::newRow("font picker") << "Fonts" << false;
    QTest::newRow("about") << "Frm_info" << false;
}

// On the black windows a control whose frame is drawn black on black looks like a label, and a
// check box whose box is black cannot be found at all: on the grabbed window, every input
// control's edge, and something in every check box, must differ from what surrounds it.
void LayoutTest::inputControls_standOutFromTheirBackground() {
    QFETCH(QString, window);
    QFETCH(bool, tickerEnabled);
    TestPlatform t({{"tt_enabled", tickerEnabled ? "1" : "0"}});
    Program p(t);
    QWidget* shown = &p.panel;
    if (window == QLatin1String("Frm_Tickertape"))
        shown = &p.windows.tickerDialog();
    else if (window == QLatin1String("Fonts"))
        shown = &p.windows.fonts();
    else if (window == QLatin1String("Frm_info"))
        shown = &p.windows.about();
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QImage picture = grabbed(*shown);
    const auto lightness = [&](QPoint at) { return qGray(picture.pixel(at)); };

    QList<QWidget*> inputs;
    for (QWidget* control : shown->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(control) || qobject_cast<QCheckBox*>(control) ||
                           qobject_cast<QAbstractScrollArea*>(control) ||
                           (control->objectName().startsWith(QLatin1String("Picture")) &&
                            window == QLatin1String("Frm_Tickertape"));
        const QRect area(control->mapTo(shown, QPoint(0, 0)), control->size());
        if (input && shown->rect().contains(area) && control->isVisibleTo(shown))
            inputs << control;
    }
    QVERIFY(window == QLatin1String("Frm_info") || !inputs.isEmpty());
    for (QWidget* control : inputs) {
        const QRect area(control->mapTo(shown, QPoint(0, 0)), control->size());
        const int background = lightness(area.topLeft() - QPoint(2, 2));
        int standingOut = 0;
        if (qobject_cast<QCheckBox*>(control)) {
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    standingOut += qAbs(lightness({x, y}) - background) > 40;
            QVERIFY2(standingOut >= 20, qPrintable(control->objectName()));
            continue;
        }
        // The control's outermost ring of pixels, where its frame is drawn.
        int ring = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            for (int y : {area.top(), area.bottom()}) {
                ++ring;
                standingOut += qAbs(lightness({x, y}) - background) > 40;
            }
        QVERIFY2(standingOut * 2 >= ring,
                 qPrintable(QStringLiteral("%1: %2 of %3 edge pixels stand out")
                                .arg(control->objectName())
                                .arg(standingOut)
                                .arg(ring)));
    }
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
