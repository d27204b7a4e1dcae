#include "app/CardMenu.h"

#include "station/Station.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace kalvora {

namespace {

QString captionOf(const Card& card) {
    switch (card.kind) {
    case Card::Kind::TestCard:
        return CardMenu::tr("&1 Testbeeld");
    case Card::Kind::ColourBars:
        return CardMenu::tr("&2 Kleurbalken");
    case Card::Kind::Contest:
        return CardMenu::tr("&Contestkaart");
    case Card::Kind::Ident:
        return CardMenu::tr("&Identkaart");
    case Card::Kind::Picture:
        break;
    }
    QString name = card.name;
    return name.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

CardMenu::CardMenu(Station& station, QWidget* parent)
    : QMenu(tr("&Kaart"), parent), m_station(station) {
    setObjectName(QStringLiteral("mnu_kaart"));
    connect(this, &QMenu::aboutToShow, this, &CardMenu::fill);
    fill();
}

void CardMenu::fill() {
    clear();
    auto* choices = new QActionGroup(this);
    const QString chosen = m_station.chosenCard();
    std::optional<Card> chosenCard;
    for (const Card& card : m_station.cards()) {
        if (!card.problem.isEmpty()) {
            addAction(tr("%1: %2").arg(captionOf(card), card.problem))->setEnabled(false);
            continue;
        }
        QAction* choice = addAction(captionOf(card));
        choice->setObjectName(QStringLiteral("card ") + card.name);
        choice->setCheckable(true);
        choice->setChecked(card.name == chosen);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this,
                [this, name = card.name] { m_station.chooseCard(name); });
        if (card.name == chosen)
            chosenCard = card;
    }
    addSeparator();
    QAction* contest = addAction(tr("Contest&nummer..."));
    contest->setObjectName(QStringLiteral("mnu_contest"));
    connect(contest, &QAction::triggered, this, &CardMenu::openContestDialog);
    QAction* clock = addAction(tr("Klok en &datum op deze kaart"));
    clock->setObjectName(QStringLiteral("mnu_klok"));
    clock->setCheckable(true);
    const bool picture = chosenCard && chosenCard->kind == Card::Kind::Picture;
    clock->setEnabled(picture);
    clock->setChecked(picture && m_station.showsClock(chosen));
    connect(clock, &QAction::toggled, this,
            [this, chosen](bool on) { m_station.setShowsClock(chosen, on); });
}

void CardMenu::openContestDialog() {
    auto* dialog = new ContestDialog(m_station, parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

ContestDialog::ContestDialog(Station& station, QWidget* parent)
    : QDialog(parent), m_station(station) {
    setObjectName(QStringLiteral("ContestDialog"));
    setWindowTitle(tr("Contest"));
    band = new QComboBox(this);
    band->setObjectName(QStringLiteral("band"));
    band->addItems(Cards::contestBands());
    band->setCurrentText(station.contestBand());
    number = new QSpinBox(this);
    number->setObjectName(QStringLiteral("number"));
    number->setRange(0, 9999);
    number->setValue(station.contestNumber());
    // Each band has its own number: choosing a band shows the one kept for it.
    connect(band, &QComboBox::currentTextChanged, this,
            [this](const QString& chosen) { number->setValue(m_station.contestNumber(chosen)); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_station.setContest(band->currentText(), number->value());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Band"), band);
    form->addRow(tr("&Nummer"), number);
    form->addRow(buttons);
}

} // namespace kalvora
