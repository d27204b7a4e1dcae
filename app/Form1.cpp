#include "app/Form1.h"

#include "about/Frm_info.h"
#include "app/Preview.h"
#include "app/WindowRegistry.h"
#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "pattern/PatternClock.h"
#include "pattern/Placement.h"
#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "settings/SettingsStore.h"
#include "ticker/Frm_Tickertape.h"
#include "ticker/TickerStrip.h"

#include <QActionGroup>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace kalvora {

namespace {

constexpr int ClientWidthTwips = 2730;
constexpr int ClientHeightTwips = 2910;

// Shows the ticker's off-screen strip; it lies below the client area, so only a developer who
// moves it into view ever sees it.
class OffscreenStripView : public QWidget {
public:
    OffscreenStripView(const OffscreenStrip& strip, QWidget* parent)
        : QWidget(parent), m_strip(strip) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_strip.image()); }

private:
    const OffscreenStrip& m_strip;
};

} // namespace

Form1::Form1(WindowRegistry& windows, const Platform& platform)
    : LoadedWindow(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ticker(
          offscreenStrip, [&windows]() -> TickerView& { return *windows.display().Picture1; },
          platform.programFolder),
      m_windows(windows), m_platform(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("Kalvora Generator"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    QMenu* bestand = menuBar->addMenu(tr("&Bestand"));
    bestand->setObjectName(QStringLiteral("mnu_bestand"));
    // Which screen feeds the transmitter; filled when it opens, with the screens there are then.
    mnu_uitgang = bestand->addMenu(tr("&Uitgang"));
    mnu_uitgang->setObjectName(QStringLiteral("mnu_uitgang"));
    connect(mnu_uitgang, &QMenu::aboutToShow, this, &Form1::fillOutputMenu);
    fillOutputMenu();
    mnu_voorbeeld = bestand->addAction(tr("&Voorbeeld"));
    mnu_voorbeeld->setObjectName(QStringLiteral("mnu_voorbeeld"));
    connect(mnu_voorbeeld, &QAction::triggered, this,
            [this] { m_windows.preview().showInFront(); });
    bestand->addSeparator();
    mnu_afsluiten = bestand->addAction(tr("&Afsluiten"));
    mnu_afsluiten->setObjectName(QStringLiteral("mnu_afsluiten"));
    mnu_afsluiten->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // F10 opens the menu bar, as on Windows.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this, bestand] { menuBar->setActiveAction(bestand->menuAction()); });
    mnu_TT = menuBar->addAction(tr("&TickerTape"));
    mnu_TT->setObjectName(QStringLiteral("mnu_TT"));
    mnu_Info = menuBar->addAction(tr("&Info"));
    mnu_Info->setObjectName(QStringLiteral("mnu_Info"));
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, twipsToPixels(ClientWidthTwips), menuHeight);

    // The client area below the menu bar; the controls beyond its edge are cut off by it.
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    client->setAutoFillBackground(true);
    client->setGeometry(0, menuHeight, twipsToPixels(ClientWidthTwips),
                        twipsToPixels(ClientHeightTwips));
    setFixedSize(twipsToPixels(ClientWidthTwips), menuHeight + twipsToPixels(ClientHeightTwips));

    Command1 =
        makeButton(client, QStringLiteral("Command1"), tr("Kalvora 1"), {120, 120, 1215, 375});
    Command2 =
        makeButton(client, QStringLiteral("Command2"), tr("Kalvora 2"), {1440, 120, 1095, 375});
    Text1 = makeField(client, QStringLiteral("Text1"), QStringLiteral("QQ0ABC"),
                      {240, 960, 1095, 375}, Colours::Yellow);
    Text3 = makeField(client, QStringLiteral("Text3"), QStringLiteral("QQ0ABC"),
                      {1440, 960, 1095, 375}, Colours::Yellow);
    Text2 = makeField(client, QStringLiteral("Text2"), QStringLiteral("144.750 MHz"),
                      {240, 1440, 1095, 375}, Colours::Yellow);
    Text4 = makeField(client, QStringLiteral("Text4"), QStringLiteral("144.750 MHz"),
                      {1440, 1440, 1095, 375}, Colours::Yellow);
    Text5 = makeField(client, QStringLiteral("Text5"), QStringLiteral("AA00AA"),
                      {240, 1920, 1095, 375}, Colours::Yellow);
    Command3 =
        makeButton(client, QStringLiteral("Command3"), tr("Scherm"), {1440, 1920, 1095, 375});
    Command4 = makeButton(client, QStringLiteral("Command4"), tr("TickerTape aan"),
                          {600, 2400, 1455, 375});

    Label2 = new QLabel(QStringLiteral("Label2"), client);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 4080, 2175, 495));
    Label1 = new QLabel(QStringLiteral("Label1"), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(2760, 4080, 2175, 495));
    Picture2 = new OffscreenStripView(offscreenStrip, client);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(twipsRect(0, 4680, 12040, 495));
    Text6 = makeField(client, QStringLiteral("Text6"), QStringLiteral("Text6"),
                      {2040, 5280, 1335, 735}, Colours::Yellow);
    Text6->setFocusPolicy(Qt::NoFocus);

    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Text1);
    QWidget::setTabOrder(Text1, Text2);
    QWidget::setTabOrder(Text2, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, Text5);
    QWidget::setTabOrder(Text5, Command4);

    // textChanged, not textEdited: an assignment runs the change handling too.
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    connect(Text5, &QLineEdit::textChanged, this, &Form1::Text5_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(mnu_afsluiten, &QAction::triggered, this, &Form1::mnu_afsluiten_Click);
    connect(mnu_TT, &QAction::triggered, this, &Form1::mnu_TT_Click);
    connect(mnu_Info, &QAction::triggered, this, &Form1::mnu_Info_Click);

    // The caption always names what the next click does.
    connect(&ticker, &TickerScroller::tickerOnChanged, this, [this](bool on) {
        Command4->setText(on ? tr("TickerTape uit") : tr("TickerTape aan"));
    });

    if (const QScreen* primary = QGuiApplication::primaryScreen())
        move(primary->availableGeometry().center() - rect().center());

    // The clock runs from the moment the window exists; its first tick cannot come before the
    // start-up has finished, since both run on this thread.
    Timer1 = new SecondTimer(platform.now, this);
    connect(Timer1, &SecondTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    ticker.Timer3.stop();
    SettingsStore& store = *m_platform.store;
    // The change handling sets the captions; writing back what was just read is left out.
    m_restoringFields = true;
    for (QLineEdit* stationField : {Text1, Text2, Text3, Text4, Text5}) {
        stationField->setText(store.ReadSetting(stationField->objectName(), stationField->text()));
        stationField->home(false); // show the start of a text longer than the field
    }
    m_restoringFields = false;
    Lees_TT_Settings();
    Display& pattern1 = m_windows.display();
    display2& pattern2 = m_windows.pattern2();
    pattern1.Label1->setCaption(Text1->text());
    pattern2.Label1->setCaption(Text3->text());
    pattern1.Label2->setCaption(Text2->text());
    pattern2.Label2->setCaption(Text4->text());
    for (PatternWindow* pattern : {static_cast<PatternWindow*>(&pattern1),
                                   static_cast<PatternWindow*>(&pattern2)})
        connect(pattern, &PatternWindow::visibilityChanged, this, &Form1::showOnAirEverywhere);
    m_outputScreen = store.ReadSetting(QStringLiteral("output_screen"), QString());
    m_outputScale = outputScaleFrom(store.ReadSetting(QStringLiteral("output_scale"), QString()));
    ScreenSide = QStringLiteral("left");
    Wissel_Scherm();
    // A screen plugged in or out: the patterns go where the rule now says, after Qt has
    // settled its screen list.
    for (const auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved,
                              &QGuiApplication::primaryScreenChanged})
        connect(qApp, signal, this, &Form1::placePatterns, Qt::QueuedConnection);
    Text6->setText(QStringLiteral("5"));
    AltToggle = 1;
    Start_TT();
    Command1->setFocus();
}

void Form1::stationFieldChanged(QLineEdit* stationField, const QString& key) {
    if (!m_restoringFields)
        m_platform.store->WriteSetting(key, stationField->text());
}

void Form1::Text1_Change() {
    m_windows.display().Label1->setCaption(Text1->text());
    stationFieldChanged(Text1, QStringLiteral("Text1"));
}

void Form1::Text2_Change() {
    m_windows.display().Label2->setCaption(Text2->text());
    stationFieldChanged(Text2, QStringLiteral("Text2"));
}

void Form1::Text3_Change() {
    m_windows.pattern2().Label1->setCaption(Text3->text());
    stationFieldChanged(Text3, QStringLiteral("Text3"));
}

void Form1::Text4_Change() {
    m_windows.pattern2().Label2->setCaption(Text4->text());
    stationFieldChanged(Text4, QStringLiteral("Text4"));
}

void Form1::Text5_Change() {
    // The locator reaches pattern 1 only through the alternation.
    stationFieldChanged(Text5, QStringLiteral("Text5"));
}

void Form1::Command1_Click() {
    m_pattern2InFront = false;
    m_windows.display().showInFront();
    showOnAirEverywhere();
}

void Form1::Command2_Click() {
    m_pattern2InFront = true;
    m_windows.pattern2().showInFront();
    showOnAirEverywhere();
}

void Form1::showOnAirEverywhere() {
    PatternWindow* front = patternOnAir();
    for (PatternWindow* pattern : {static_cast<PatternWindow*>(m_windows.loadedDisplay()),
                                   static_cast<PatternWindow*>(m_windows.loadedPattern2())})
        if (pattern)
            pattern->showFramesOf(front);
}

OnAir Form1::onAir() const {
    PatternWindow* front = patternOnAir();
    if (!front)
        return {nullptr, tr("nothing on air")};
    if (ScreenSide != QLatin1String("right"))
        return {nullptr, tr("nothing on air: the patterns are on this screen (Scherm)")};
    if (!transmitterScreen(m_platform.screens(), m_outputScreen))
        return {nullptr, tr("nothing on air: the output screen is not connected")};
    return {front, QString()};
}

PatternWindow* Form1::patternOnAir() const {
    PatternWindow* one = m_windows.loadedDisplay();
    PatternWindow* two = m_windows.loadedPattern2();
    const bool oneShown = one && one->isVisible();
    const bool twoShown = two && two->isVisible();
    if (oneShown && twoShown)
        return m_pattern2InFront ? two : one;
    return oneShown ? one : twoShown ? two : nullptr;
}

void Form1::Command3_Click() {
    Wissel_Scherm();
}

void Form1::mnu_TT_Click() {
    m_windows.tickerDialog().showInFront();
}

void Form1::mnu_Info_Click() {
    m_windows.about().showInFront();
}

void Form1::Wissel_Scherm() {
    ScreenSide =
        ScreenSide == QLatin1String("left") ? QStringLiteral("right") : QStringLiteral("left");
    placePatterns();
}

void Form1::placePatterns() {
    const QList<ScreenInfo> screens = m_platform.screens();
    const bool onOutput = ScreenSide == QLatin1String("right");
    const QPoint corner = patternPlace(screens, m_outputScreen, onOutput);
    // Scaled only on the transmitter's own screen: where the patterns wait on the primary
    // screen (Automatisch with the output screen elsewhere, a chosen screen unplugged) they
    // stay 1:1 and never cover the control panel.
    const bool scaled = onOutput && transmitterScreen(screens, m_outputScreen).has_value();
    const OutputPlace place =
        outputPlace(screens, corner, scaled, m_outputScale, PatternWindow::designSize());
    m_windows.display().setOutputPlace(place);
    m_windows.pattern2().setOutputPlace(place);
}

void Form1::chooseOutputScreen(const QString& name) {
    m_outputScreen = name;
    m_platform.store->WriteSetting(QStringLiteral("output_screen"), name);
    placePatterns();
}

void Form1::chooseOutputScale(OutputScale scale) {
    m_outputScale = scale;
    m_platform.store->WriteSetting(QStringLiteral("output_scale"), outputScaleText(scale));
    placePatterns();
}

void Form1::fillOutputMenu() {
    mnu_uitgang->clear();
    auto* choices = new QActionGroup(mnu_uitgang);
    const auto offer = [this, choices](const QString& caption, const QString& name) {
        QAction* choice = mnu_uitgang->addAction(caption);
        choice->setCheckable(true);
        choice->setChecked(name == m_outputScreen);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this, [this, name] { chooseOutputScreen(name); });
    };
    offer(tr("&Automatisch"), QString());
    mnu_uitgang->addSeparator();
    bool chosenConnected = m_outputScreen.isEmpty();
    for (const ScreenInfo& screen : m_platform.screens()) {
        // A screen without a name cannot be told apart at the next start: shown, not offered.
        if (screen.name.isEmpty()) {
            mnu_uitgang->addAction(screenCaption(screen))->setEnabled(false);
            continue;
        }
        offer(screenCaption(screen), screen.name);
        chosenConnected = chosenConnected || screen.name == m_outputScreen;
    }
    // The operator's choice stays in the list while its screen is away.
    if (!chosenConnected)
        offer(tr("%1 (niet aangesloten)").arg(m_outputScreen), m_outputScreen);

    mnu_uitgang->addSeparator();
    auto* sizes = new QActionGroup(mnu_uitgang);
    const std::pair<QString, OutputScale> scales[] = {
        {tr("Beeld &1:1 (808 x 608)"), OutputScale::OneToOne},
        {tr("Beeld &passend op het scherm"), OutputScale::Fit},
        {tr("Beeld &schermvullend"), OutputScale::Fill}};
    for (const auto& [caption, scale] : scales) {
        QAction* choice = mnu_uitgang->addAction(caption);
        choice->setCheckable(true);
        choice->setChecked(scale == m_outputScale);
        choice->setActionGroup(sizes);
        connect(choice, &QAction::triggered, this,
                [this, scale = scale] { chooseOutputScale(scale); });
    }
}

void Form1::Lees_TT_Settings() {
    const bool enabled = ticker.Lees_TT_Settings(*m_platform.store, *m_windows.display().Picture1,
                                                 PatternWindow::designSize().height());
    Picture2->resize(offscreenStrip.size());
    Command4->setVisible(enabled);
}

void Form1::Timer1_Timer() {
    Display& pattern1 = m_windows.display();
    const QDateTime now = m_platform.now();
    pattern1.Label3->setCaption(regionalLongTime(now));
    pattern1.Label4->setCaption(regionalShortDate(now));
    const QString second = QString::number(m_platform.now().time().second());
    if (second != Text6->text())
        return;
    if (AltToggle == 1) {
        pattern1.Label2->setCaption(Text5->text());
        AltToggle = 0;
    } else {
        AltToggle = 1;
        pattern1.Label2->setCaption(Text2->text());
    }
    int swapSecond = Text6->text().toInt() + 2;
    Text6->setText(QString::number(swapSecond));
    if (swapSecond > 60) {
        swapSecond -= 60;
        Text6->setText(QString::number(swapSecond));
    }
}

void Form1::takePatternsDown() {
    Display* pattern1 = m_windows.loadedDisplay();
    display2* pattern2 = m_windows.loadedPattern2();
    if (pattern1)
        pattern1->hide();
    if (pattern2)
        pattern2->hide();
    if (pattern1)
        pattern1->unload();
    if (pattern2)
        pattern2->unload();
}

void Form1::mnu_afsluiten_Click() {
    if (Display* pattern1 = m_windows.loadedDisplay()) {
        pattern1->hide();
        pattern1->unload();
    }
    if (display2* pattern2 = m_windows.loadedPattern2()) {
        pattern2->hide();
        pattern2->unload();
    }
    unload();
}

void Form1::Form_Unload() {
    // The panel's timers go with it; they must not touch the patterns being closed.
    Timer1->stop();
    ticker.Timer3.stop();
    takePatternsDown();
}

} // namespace kalvora
