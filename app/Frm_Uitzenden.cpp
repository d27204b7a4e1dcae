#include "app/Frm_Uitzenden.h"

#include "app/Broadcast.h"
#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "settings/SettingsStore.h"
#include "stream/StoredStream.h"
#include "stream/StreamSettings.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <cmath>

namespace kalvora {

namespace {

// What is listed for a modulation, in the order of the list.
constexpr std::pair<Channel::Modulation, const char*> Modulations[] = {
    {Channel::Modulation::DvbS, "DVB-S QPSK"},
    {Channel::Modulation::DvbS2Qpsk, "DVB-S2 QPSK"},
    {Channel::Modulation::DvbS28psk, "DVB-S2 8PSK"}};

QComboBox* makeList(QWidget* parent, const QString& name, const QRect& twips) {
    auto* list = placeControl(new QComboBox(parent), name, twips);
    setInputColors(list, Colours::Yellow, Qt::black);
    return list;
}

template <typename Spin>
Spin* makeSpin(QWidget* parent, const QString& name, const QRect& twips, const QString& suffix,
               int lowest, int highest) {
    auto* spin = placeControl(new Spin(parent), name, twips);
    setInputColors(spin, Colours::Yellow, Qt::black);
    spin->setSuffix(suffix);
    spin->setRange(lowest, highest);
    spin->setKeyboardTracking(false); // the address follows what was typed, not each digit
    return spin;
}

// A filled-in address shows its start: the host and what follows it.
void fillIn(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

} // namespace

Frm_Uitzenden::Frm_Uitzenden(const Platform& platform, Broadcast& broadcast)
    : LoadedWindow(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_broadcast(broadcast) {
    setObjectName(QStringLiteral("Frm_Uitzenden"));
    setWindowTitle(tr("Uitzenden"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    setFixedSize(twipsToPixels(7200), twipsToPixels(3240));
    setControlColors(this, Colours::Yellow, Qt::black);
    setAutoFillBackground(true);

    makeAddressRows();
    makeChannelRow();
    makeStatusAndButtons();
    connectControls();
}

QLabel* Frm_Uitzenden::rowLabel(const char* name, const QString& text, int y) {
    return makeLabel(this, QString::fromLatin1(name), text, {120, y, 1095, 255}, Colours::Yellow,
                     Qt::black);
}

// Bestemming, Adres and Opties, as they were kept.
void Frm_Uitzenden::makeAddressRows() {
    const StoredStream stored = StoredStream::readFrom(*m_platform.store);
    Label4 = rowLabel("Label4", tr("Bestemming :"), 180);
    Combo1 = makeList(this, QStringLiteral("Combo1"), {1320, 120, 5760, 375});
    for (const StreamDestination& destination : streamDestinations())
        Combo1->addItem(tr(destination.title), QString::fromLatin1(destination.key));
    Combo1->setCurrentIndex(
        Combo1->findData(QString::fromLatin1(streamDestination(stored.destination).key)));
    Label1 = rowLabel("Label1", tr("Adres :"), 660);
    Text1 = makeField(this, QStringLiteral("Text1"), QString(), {1320, 600, 5760, 375},
                      Colours::Yellow);
    Label2 = rowLabel("Label2", tr("Opties :"), 1140);
    Text2 = makeField(this, QStringLiteral("Text2"), QString(), {1320, 1080, 5760, 375},
                      Colours::Yellow);
    // Nothing is cut off, stored or typed: what is too long is refused at Start.
    for (QLineEdit* field : {Text1, Text2})
        field->setMaxLength(1 << 20);
    Text1->setText(stored.url);
    Text2->setText(stored.options);
}

// Kanaal: frequency, symbol rate, FEC, modulation, gain; read back from the kept options.
void Frm_Uitzenden::makeChannelRow() {
    Label5 = rowLabel("Label5", tr("Kanaal :"), 1620);
    // The Pluto tunes from 70 MHz to 6 GHz and sends at up to 0 dB of its output.
    Spin1 = makeSpin<QDoubleSpinBox>(this, QStringLiteral("Spin1"), {1320, 1560, 1320, 375},
                                     tr(" MHz"), 70, 6000);
    Spin1->setDecimals(2);
    Spin1->setToolTip(tr("Frequentie (voor de RTMP-ingang van de PlutoSDR)"));
    Spin2 = makeSpin<QSpinBox>(this, QStringLiteral("Spin2"), {2700, 1560, 960, 375}, tr(" kS"), 25,
                               60000);
    Spin2->setToolTip(tr("Symboolsnelheid"));
    Combo2 = makeList(this, QStringLiteral("Combo2"), {3720, 1560, 720, 375});
    Combo2->setToolTip(tr("FEC"));
    Combo3 = makeList(this, QStringLiteral("Combo3"), {4500, 1560, 1620, 375});
    for (const auto& [modulation, name] : Modulations)
        Combo3->addItem(QString::fromLatin1(name), int(modulation));
    Combo3->setToolTip(tr("Modulatie"));
    Spin3 = makeSpin<QSpinBox>(this, QStringLiteral("Spin3"), {6180, 1560, 900, 375}, tr(" dB"),
                               -89, 0);
    Spin3->setToolTip(tr("Vermogen (voor de RTMP-ingang van de PlutoSDR)"));
    showChoice(TransmitChoice::from(Text1->text(), Text2->text()));
    enableChannel();
}

// How it goes, Start/Stop and Sluiten; the keyboard goes from top to bottom.
void Frm_Uitzenden::makeStatusAndButtons() {
    Label3 = makeLabel(this, QStringLiteral("Label3"), QString(), {120, 2040, 6960, 615},
                       Colours::Yellow, Qt::black);
    Label3->setWordWrap(true);
    Command1 = makeButton(this, QStringLiteral("Command1"), QString(), {4560, 2760, 1215, 375});
    Command2 = makeButton(this, QStringLiteral("Command2"), tr("Sluiten"), {5880, 2760, 1215, 375});
    QWidget* const order[] = {Combo1, Text1,  Text2, Spin1,    Spin2,
                              Combo2, Combo3, Spin3, Command1, Command2};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    closeOnEscape();
}

void Frm_Uitzenden::connectControls() {
    connect(Combo1, &QComboBox::activated, this, &Frm_Uitzenden::Combo1_Click);
    connect(Combo3, &QComboBox::activated, this, [this] {
        const TransmitChoice now = choice();
        fillCodeRates(now.channel.fecNumerator, now.channel.fecDenominator);
        Channel_Change();
    });
    connect(Combo2, &QComboBox::activated, this, &Frm_Uitzenden::Channel_Change);
    connect(Spin1, &QDoubleSpinBox::valueChanged, this, &Frm_Uitzenden::Channel_Change);
    for (QSpinBox* spin : {Spin2, Spin3})
        connect(spin, &QSpinBox::valueChanged, this, &Frm_Uitzenden::Channel_Change);
    connect(Command1, &QPushButton::clicked, this, &Frm_Uitzenden::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Frm_Uitzenden::Command2_Click);
    connect(&m_broadcast, &Broadcast::statusChanged, this, &Frm_Uitzenden::showStatus);
    showStatus();
}

const StreamDestination& Frm_Uitzenden::destination() const {
    return streamDestination(Combo1->currentData().toString());
}

TransmitChoice Frm_Uitzenden::choice() const {
    TransmitChoice choice;
    choice.frequencyMHz = Spin1->value();
    choice.channel.symbolRate = Spin2->value() * 1000.0;
    choice.channel.modulation = Channel::Modulation(Combo3->currentData().toInt());
    const QStringList fec = Combo2->currentText().split(QLatin1Char('/'));
    if (fec.size() == 2) {
        choice.channel.fecNumerator = fec[0].toInt();
        choice.channel.fecDenominator = fec[1].toInt();
    }
    choice.gainDb = Spin3->value();
    return choice;
}

void Frm_Uitzenden::showChoice(const TransmitChoice& choice) {
    const QSignalBlocker blockers[] = {QSignalBlocker(Spin1), QSignalBlocker(Spin2),
                                       QSignalBlocker(Spin3)};
    Spin1->setValue(choice.frequencyMHz);
    Spin2->setValue(int(std::lround(choice.channel.symbolRate / 1000)));
    Spin3->setValue(choice.gainDb);
    Combo3->setCurrentIndex(Combo3->findData(int(choice.channel.modulation)));
    fillCodeRates(choice.channel.fecNumerator, choice.channel.fecDenominator);
}

// The code rates of the modulation listed, with the one wanted chosen, or where the
// modulation has not that one, the next higher (or the highest).
void Frm_Uitzenden::fillCodeRates(int numerator, int denominator) {
    Combo2->clear();
    const auto rates = Channel::codeRates(Channel::Modulation(Combo3->currentData().toInt()));
    int chosen = int(rates.size()) - 1;
    for (int i = int(rates.size()) - 1; i >= 0; --i) {
        const auto [n, d] = rates[size_t(i)];
        Combo2->insertItem(0, QStringLiteral("%1/%2").arg(n).arg(d));
        if (qint64(n) * denominator >= qint64(numerator) * d)
            chosen = i;
    }
    Combo2->setCurrentIndex(chosen);
}

void Frm_Uitzenden::enableChannel() {
    const StreamDestination& d = destination();
    for (QWidget* field : std::initializer_list<QWidget*>{Spin2, Combo2, Combo3})
        field->setEnabled(d.usesChannel());
    for (QWidget* field : std::initializer_list<QWidget*>{Spin1, Spin3})
        field->setEnabled(d.kind == StreamDestination::Kind::PlutoRtmp);
}

void Frm_Uitzenden::Combo1_Click() {
    const StreamDestination& d = destination();
    const TransmitChoice now = choice();
    fillIn(Text1, destinationAddress(d, now, m_broadcast.callSign(), Text1->text()));
    fillIn(Text2,
           optionsWithChannel(Text2->text(), d.usesChannel() ? std::optional<Channel>(now.channel)
                                                             : std::nullopt));
    enableChannel();
}

void Frm_Uitzenden::Channel_Change() {
    const StreamDestination& d = destination();
    if (!d.usesChannel())
        return;
    const TransmitChoice now = choice();
    fillIn(Text2, optionsWithChannel(Text2->text(), now.channel));
    if (d.kind == StreamDestination::Kind::PlutoRtmp)
        fillIn(Text1, destinationAddress(d, now, m_broadcast.callSign(), Text1->text()));
}

void Frm_Uitzenden::showStatus() {
    Command1->setText(m_broadcast.wanted() ? tr("Stop") : tr("Start"));
    // What receivers may make of the name stays in sight while it streams.
    Label3->setText(QStringList(QStringList{m_broadcast.statusText()} + m_broadcast.warnings())
                        .join(QLatin1Char('\n')));
}

void Frm_Uitzenden::Command1_Click() {
    if (m_broadcast.wanted()) {
        m_broadcast.stop();
        return;
    }
    // Refused whole rather than kept cut short or broken over lines.
    for (const QLineEdit* field : {Text1, Text2}) {
        const QString what = field == Text1 ? tr("address") : tr("options");
        QString problem;
        if (field->text().contains(QLatin1Char('\n')) || field->text().contains(QLatin1Char('\r')))
            problem = tr("a line break in the %1; it must be one line").arg(what);
        else if (field->text().size() > MaxStreamTextLength)
            problem = tr("%1 characters in the %2; at most %3 are taken")
                          .arg(field->text().size())
                          .arg(what)
                          .arg(MaxStreamTextLength);
        if (!problem.isEmpty()) {
            Label3->setText(tr("not streaming: %1").arg(problem));
            m_platform.warn(this, windowTitle(), tr("The stream cannot start: %1").arg(problem));
            return;
        }
    }
    // Kept first, so that what was typed comes back next time even when it cannot start.
    StoredStream{Text1->text().trimmed(), Text2->text().trimmed(),
                 QString::fromLatin1(destination().key)}
        .storeIn(*m_platform.store);
    const QString problem = m_broadcast.start();
    if (!problem.isEmpty()) {
        Label3->setText(tr("not streaming: %1").arg(problem));
        m_platform.warn(this, windowTitle(), tr("The stream cannot start: %1").arg(problem));
    }
}

} // namespace kalvora
