#include "app/Form1.h"

#include "app/CardMenu.h"
#include "app/RoosterWindow.h"

#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "station/Station.h"

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

Form1::Form1(Station& station)
    : LoadedWindow(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_station(station) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("Kalvora Generator"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    makeMenu();
    makeClient(menuBar->height());
    makeControls();
    connectControls();
    followStation();

    if (const QScreen* primary = QGuiApplication::primaryScreen())
        move(primary->availableGeometry().center() - rect().center());
}

// The menu bar: Bestand (Uitgang, Kaart, Rooster, Voorbeeld, Uitzenden, Op afstand, Afsluiten),
// TickerTape, Info.
void Form1::makeMenu() {
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    QMenu* bestand = menuBar->addMenu(tr("&Bestand"));
    bestand->setObjectName(QStringLiteral("mnu_bestand"));
    // Which screen feeds the transmitter; filled when it opens, with the screens there are then.
    mnu_uitgang = bestand->addMenu(tr("&Uitgang"));
    mnu_uitgang->setObjectName(QStringLiteral("mnu_uitgang"));
    connect(mnu_uitgang, &QMenu::aboutToShow, this, &Form1::fillOutputMenu);
    fillOutputMenu();
    // Which card pattern 1's window shows, and the contest card's number.
    mnu_kaart = new CardMenu(m_station, this);
    bestand->addMenu(mnu_kaart);
    // The repeater's schedule, and the operator's word on it.
    mnu_rooster = new RoosterMenu(m_station, this);
    bestand->addMenu(mnu_rooster);
    mnu_voorbeeld = bestand->addAction(tr("&Voorbeeld"));
    mnu_voorbeeld->setObjectName(QStringLiteral("mnu_voorbeeld"));
    connect(mnu_voorbeeld, &QAction::triggered, this,
            [this] { emit windowRequested(Window::Preview); });
    mnu_uitzenden = bestand->addAction(tr("Uit&zenden"));
    mnu_uitzenden->setObjectName(QStringLiteral("mnu_uitzenden"));
    connect(mnu_uitzenden, &QAction::triggered, this,
            [this] { emit windowRequested(Window::Broadcast); });
    mnu_op_afstand = bestand->addAction(tr("&Op afstand..."));
    mnu_op_afstand->setObjectName(QStringLiteral("mnu_op_afstand"));
    connect(mnu_op_afstand, &QAction::triggered, this,
            [this] { emit windowRequested(Window::Remote); });
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
    menuBar->setGeometry(0, 0, twipsToPixels(ClientWidthTwips), menuBar->sizeHint().height());
}

void Form1::makeClient(int menuHeight) {
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
}

// The controls of the client area, each at its place in twips; the station's texts in the fields.
void Form1::makeControls() {
    Command1 =
        makeButton(client, QStringLiteral("Command1"), tr("Kalvora 1"), {120, 120, 1215, 375});
    Command2 =
        makeButton(client, QStringLiteral("Command2"), tr("Kalvora 2"), {1440, 120, 1095, 375});
    Text1 = makeField(client, QStringLiteral("Text1"), m_station.text(1), {240, 960, 1095, 375},
                      Colours::Yellow);
    Text3 = makeField(client, QStringLiteral("Text3"), m_station.text(3), {1440, 960, 1095, 375},
                      Colours::Yellow);
    Text2 = makeField(client, QStringLiteral("Text2"), m_station.text(2), {240, 1440, 1095, 375},
                      Colours::Yellow);
    Text4 = makeField(client, QStringLiteral("Text4"), m_station.text(4), {1440, 1440, 1095, 375},
                      Colours::Yellow);
    Text5 = makeField(client, QStringLiteral("Text5"), m_station.text(5), {240, 1920, 1095, 375},
                      Colours::Yellow);
    Command3 =
        makeButton(client, QStringLiteral("Command3"), tr("Scherm"), {1440, 1920, 1095, 375});
    Command4 = makeButton(client, QStringLiteral("Command4"), tr("TickerTape aan"),
                          {600, 2400, 1455, 375});

    lbl_uitzenden = makeLabel(client, QStringLiteral("lbl_uitzenden"), QString(),
                              {120, 570, 2490, 300}, Colours::Yellow, Qt::black);
    lbl_uitzenden->hide();
    lbl_standby = makeLabel(client, QStringLiteral("lbl_standby"), QString(), {120, 570, 2490, 300},
                            Colours::Yellow, Qt::black);
    lbl_standby->hide();
    Label2 = new QLabel(QStringLiteral("Label2"), client);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 4080, 2175, 495));
    Label1 = new QLabel(QStringLiteral("Label1"), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(2760, 4080, 2175, 495));
    Picture2 = new OffscreenStripView(m_station.tickerStrip(), client);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(twipsRect(0, 4680, 12040, 495));
    Text6 = makeField(client, QStringLiteral("Text6"), QStringLiteral("Text6"),
                      {2040, 5280, 1335, 735}, Colours::Yellow);
    Text6->setFocusPolicy(Qt::NoFocus);
}

// Keyboard order and handlers.
void Form1::connectControls() {
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
}

// What the station announces, shown where the panel shows it.
void Form1::followStation() {
    // The caption always names what the next click does.
    connect(&m_station, &Station::tickerOnChanged, this, [this](bool on) {
        Command4->setText(on ? tr("TickerTape uit") : tr("TickerTape aan"));
    });
    connect(&m_station, &Station::tickerSettingsChanged, this, [this](bool enabled) {
        Picture2->resize(m_station.tickerStrip().size());
        Command4->setVisible(enabled);
    });
    connect(&m_station, &Station::textChanged, this, [this](int field, const QString& text) {
        QLineEdit* edit = stationField(field);
        if (edit->text() == text)
            return;
        edit->setText(text);
        edit->home(false); // show the start of a text longer than the field
    });
    connect(&m_station, &Station::swapSecondChanged, this,
            [this](int second) { Text6->setText(QString::number(second)); });
    // Standby names when it ends, which the operator may change at any time.
    const auto showStandby = [this] {
        lbl_standby->setText(m_station.standbyText());
        lbl_standby->setVisible(m_station.inStandby());
    };
    connect(&m_station, &Station::standbyChanged, this, showStandby);
    connect(&m_station, &Station::onAirChanged, this, showStandby);
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    m_station.start();
    Command1->setFocus();
}

QLineEdit* Form1::stationField(int field) const {
    const QLineEdit* const fields[] = {Text1, Text2, Text3, Text4, Text5};
    return const_cast<QLineEdit*>(fields[field - 1]);
}

void Form1::Text1_Change() {
    m_station.setText(1, Text1->text());
}

void Form1::Text2_Change() {
    m_station.setText(2, Text2->text());
}

void Form1::Text3_Change() {
    m_station.setText(3, Text3->text());
}

void Form1::Text4_Change() {
    m_station.setText(4, Text4->text());
}

void Form1::Text5_Change() {
    // The locator reaches pattern 1 only through the alternation.
    m_station.setText(5, Text5->text());
}

void Form1::Command1_Click() {
    m_station.showCard(Cards::TestCard);
}

void Form1::Command2_Click() {
    m_station.showCard(Cards::ColourBars);
}

void Form1::Command4_Click() {
    m_station.toggleTicker();
}

void Form1::Command3_Click() {
    m_station.Wissel_Scherm();
}

void Form1::mnu_TT_Click() {
    emit windowRequested(Window::TickerSettings);
}

void Form1::mnu_Info_Click() {
    emit windowRequested(Window::About);
}

void Form1::fillOutputMenu() {
    mnu_uitgang->clear();
    auto* choices = new QActionGroup(mnu_uitgang);
    const auto offer = [this, choices](const QString& caption, const QString& name) {
        QAction* choice = mnu_uitgang->addAction(caption);
        choice->setCheckable(true);
        choice->setChecked(name == m_station.outputScreen());
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this,
                [this, name] { m_station.chooseOutputScreen(name); });
    };
    offer(tr("&Automatisch"), QString());
    mnu_uitgang->addSeparator();
    const QString chosen = m_station.outputScreen();
    bool chosenConnected = chosen.isEmpty();
    for (const ScreenInfo& screen : m_station.screens()) {
        // A screen without a name cannot be told apart at the next start: shown, not offered.
        if (screen.name.isEmpty()) {
            mnu_uitgang->addAction(screenCaption(screen))->setEnabled(false);
            continue;
        }
        offer(screenCaption(screen), screen.name);
        chosenConnected = chosenConnected || screen.name == chosen;
    }
    // The operator's choice stays in the list while its screen is away.
    if (!chosenConnected)
        offer(tr("%1 (niet aangesloten)").arg(chosen), chosen);

    mnu_uitgang->addSeparator();
    auto* sizes = new QActionGroup(mnu_uitgang);
    const std::pair<QString, OutputScale> scales[] = {
        {tr("Beeld &1:1 (808 x 608)"), OutputScale::OneToOne},
        {tr("Beeld &passend op het scherm"), OutputScale::Fit},
        {tr("Beeld &schermvullend"), OutputScale::Fill}};
    for (const auto& [caption, scale] : scales) {
        QAction* choice = mnu_uitgang->addAction(caption);
        choice->setCheckable(true);
        choice->setChecked(scale == m_station.outputScale());
        choice->setActionGroup(sizes);
        connect(choice, &QAction::triggered, this,
                [this, scale = scale] { m_station.chooseOutputScale(scale); });
    }
}

void Form1::showBroadcastStatus(const QString& status) {
    // In the free row below the pattern buttons, only while a stream is wanted; shortened to
    // the row, whole in its tooltip.
    lbl_uitzenden->setVisible(!status.isEmpty());
    lbl_uitzenden->setToolTip(status);
    lbl_uitzenden->setText(
        lbl_uitzenden->fontMetrics().elidedText(status, Qt::ElideRight, lbl_uitzenden->width()));
}

void Form1::mnu_afsluiten_Click() {
    unload();
}

void Form1::Form_Unload() {
    // The station's beats stop with the panel; they must not touch the patterns being closed.
    m_station.stop();
    emit closing();
}

} // namespace kalvora
