#include "app/RoosterWindow.h"

#include "station/Station.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace kalvora {

RoosterMenu::RoosterMenu(Station& station, QWidget* parent)
    : QMenu(tr("&Rooster"), parent), m_station(station) {
    setObjectName(QStringLiteral("mnu_rooster"));
    const auto item = [this](const QString& caption, const char* name, auto handler) {
        QAction* action = addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    setUp = item(tr("&Instellen..."), "mnu_rooster_instellen", [this] {
        auto* window = new RoosterWindow(m_station, parentWidget());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->open();
    });
    addSeparator();
    onAir = item(tr("In de &lucht"), "mnu_in_de_lucht", [this] { m_station.goOnAir(); });
    standby = item(tr("&Stand-by"), "mnu_standby", [this] { m_station.goToStandby(); });
    identNow = item(tr("Ident &nu"), "mnu_ident_nu", [this] { m_station.identNow(); });
    resumeCarousel = item(tr("&Carrousel verder"), "mnu_carrousel_verder",
                          [this] { m_station.resumeCarousel(); });
    connect(this, &QMenu::aboutToShow, this, &RoosterMenu::enableChoices);
    enableChoices();
}

void RoosterMenu::enableChoices() {
    onAir->setEnabled(m_station.inStandby());
    standby->setEnabled(!m_station.inStandby());
    identNow->setEnabled(!m_station.inStandby());
    resumeCarousel->setEnabled(m_station.carouselPaused());
}

RoosterWindow::RoosterWindow(Station& station, QWidget* parent)
    : QDialog(parent), m_station(station) {
    setObjectName(QStringLiteral("RoosterWindow"));
    setWindowTitle(tr("Rooster"));
    const Rooster& now = station.rooster();
    hours = new QLineEdit(now.hours.text(), this);
    hours->setObjectName(QStringLiteral("hours"));
    hours->setPlaceholderText(tr("altijd, of bijvoorbeeld 07:00-23:30,22:00-02:00"));
    carousel = new QLineEdit(now.carousel.text(), this);
    carousel->setObjectName(QStringLiteral("carousel"));
    carousel->setPlaceholderText(tr("geen, of bijvoorbeeld 1=60,2=20,club.png=30"));
    identMinutes = new QSpinBox(this);
    identMinutes->setObjectName(QStringLiteral("identMinutes"));
    identMinutes->setRange(0, 1440);
    identMinutes->setSuffix(tr(" min"));
    identMinutes->setValue(now.ident.minutes);
    identSeconds = new QSpinBox(this);
    identSeconds->setObjectName(QStringLiteral("identSeconds"));
    identSeconds->setRange(0, 600);
    identSeconds->setSuffix(tr(" s"));
    identSeconds->setValue(now.ident.seconds);
    standbyAtStart = new QCheckBox(tr("Stand-by bij het &starten"), this);
    standbyAtStart->setObjectName(QStringLiteral("standbyAtStart"));
    standbyAtStart->setChecked(now.standbyAtStart);
    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("problem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();
    QStringList builtIn;
    for (const Card& card : Cards::builtIn())
        builtIn << card.name;
    auto* cards = new QLabel(
        tr("Kaarten: %1 en de plaatjes in de map cards").arg(builtIn.join(QStringLiteral(", "))),
        this);
    cards->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RoosterWindow::OK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Uren in de lucht (UTC)"), hours);
    form->addRow(tr("&Carrousel (kaart=seconden)"), carousel);
    form->addRow(QString(), cards);
    form->addRow(tr("Identkaart &elke"), identMinutes);
    form->addRow(tr("Identkaart &duur"), identSeconds);
    form->addRow(QString(), standbyAtStart);
    form->addRow(problem);
    form->addRow(buttons);
    setMinimumWidth(420);
}

void RoosterWindow::OK_Click() {
    QString why;
    Rooster rooster;
    if (const auto parsed = OperatingHours::parse(hours->text(), &why))
        rooster.hours = *parsed;
    else
        why = tr("Uren in de lucht: %1").arg(why);
    if (why.isEmpty()) {
        if (const auto parsed = Carousel::parse(carousel->text(), &why))
            rooster.carousel = *parsed;
        else
            why = tr("Carrousel: %1").arg(why);
    }
    if (why.isEmpty())
        if (const QString unknown = m_station.unknownCard(rooster.carousel); !unknown.isEmpty())
            why = tr("Carrousel: there is no card \"%1\"").arg(unknown);
    rooster.ident = {identMinutes->value(), identSeconds->value()};
    rooster.standbyAtStart = standbyAtStart->isChecked();
    if (why.isEmpty() && !m_station.keepRooster(rooster))
        why = tr("the settings could not be written");
    problem->setText(why + tr(" (nothing was kept)"));
    problem->setVisible(!why.isEmpty());
    if (why.isEmpty())
        accept();
}

} // namespace kalvora
