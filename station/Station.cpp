#include "station/Station.h"

#include "clock/RegionalTime.h"
#include "settings/SettingsStore.h"
#include "settings/Twips.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace kalvora {

Station::Station(SettingsStore& store, QString tickerFolder, std::function<QDateTime()> now,
                 std::function<QList<ScreenInfo>()> screens, QObject* parent)
    : QObject(parent), m_store(store), m_screens(std::move(screens)), m_clock(std::move(now)),
      m_tickerFolder(std::move(tickerFolder)), m_timer1(m_clock, Beat::Kind::WallSecond),
      m_ticker(m_offscreenStrip, m_clock, m_tickerFolder) {
    connect(&m_timer1, &Beat::timeout, this, &Station::Timer1_Timer);
    connect(&m_ticker, &TickerScroller::tickerOnChanged, this, &Station::tickerOnChanged);
    const StationSettings settings = StationSettings::fromStored({});
    for (int i = 0; i < StationSettings::TextCount; ++i)
        m_texts[size_t(i)] = settings.texts[size_t(i)];
    m_contestBand = settings.contestBand;
    // What the dialog saves reaches the ticker from here, without reading the file again.
    m_storeListener = m_store.addChangeListener(
        TickerKeys::names(),
        [this](const SettingsStore::Written& written) { storedChanged(written); });
}

Station::~Station() {
    m_store.removeChangeListener(m_storeListener);
}

void Station::start(Screens screens) {
    m_ticker.Timer3.stop();
    const StationSettings settings = readStationSettings(m_store);
    for (int field = 1; field <= StationSettings::TextCount; ++field) {
        m_texts[size_t(field - 1)] = settings.texts[size_t(field - 1)];
        emit textChanged(field, text(field));
    }
    setSecondLine(text(2));
    m_outputScreen = settings.outputScreen;
    m_outputScale = settings.outputScale;
    m_chosenCard = settings.chosenCard;
    m_contestBand = settings.contestBand;
    m_contestNumbers = settings.contestNumbers;
    m_cardsWithClock = settings.cardsWithClock;
    m_rooster = settings.rooster;
    m_carouselPaused = false;
    emit chosenCardChanged(m_chosenCard);
    emit contestChanged();
    Lees_TT_Settings();
    m_side = ScreenSide::Left;
    Wissel_Scherm();
    // A screen plugged in or out: the patterns go where the rule now says, after Qt has
    // settled its screen list.
    if (qGuiApp)
        for (const auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved,
                                  &QGuiApplication::primaryScreenChanged})
            connect(qGuiApp, signal, this, &Station::screensChanged, Qt::QueuedConnection);
    setSwapSecond(5);
    m_altToggle = 1;
    // On air from the start, the ident's and the carousel's time counted from it.
    m_standby = false;
    m_onAirSince = utcNow();
    m_pattern1Card = m_chosenCard;
    emit pattern1CardChanged(m_pattern1Card);
    if (m_rooster.standbyAtStart) {
        m_operatorOnAir = false;
        m_operatorUntil = m_rooster.hours.nextChange(m_onAirSince);
    }
    log(QStringLiteral("started"));
    followRooster(m_rooster.standbyAtStart ? QStringLiteral("standby at start")
                                           : QStringLiteral("schedule"));
    if (screens == Screens::Shown)
        m_ticker.Start_TT();
    // Its first tick cannot come before the start-up has finished: both run on this thread.
    m_timer1.start();
}

void Station::stop() {
    m_timer1.stop();
    m_ticker.Timer3.stop();
}

QString Station::text(int field) const {
    return m_texts.at(size_t(field - 1));
}

void Station::setText(int field, const QString& value) {
    QString& current = m_texts.at(size_t(field - 1));
    if (current == value)
        return;
    current = value;
    m_store.WriteSetting(StationKeys::Texts.at(size_t(field - 1))->key(), value);
    emit textChanged(field, value);
    // A new frequency shows at once; the locator reaches the line only through the alternation.
    if (field == 2)
        setSecondLine(value);
}

void Station::setSecondLine(const QString& value) {
    m_secondLine = value;
    emit secondLineChanged(value);
}

void Station::setSwapSecond(int second) {
    m_swapSecond = second;
    emit swapSecondChanged(second);
}

void Station::Timer1_Timer() {
    const QDateTime now = m_clock.wallTime();
    m_timeText = regionalLongTime(now);
    m_dateText = regionalShortDate(now);
    emit timeChanged(m_timeText, m_dateText);
    if (!m_rooster.isEmpty() || m_identUntil.isValid())
        followRooster(QStringLiteral("schedule"));
    if (now.time().second() != m_swapSecond)
        return;
    if (m_altToggle == 1) {
        setSecondLine(text(5));
        m_altToggle = 0;
    } else {
        m_altToggle = 1;
        setSecondLine(text(2));
    }
    int next = m_swapSecond + 2;
    // Second 59 swaps next at 1: the clock never shows 60.
    if (next > 60)
        next -= 60;
    setSwapSecond(next);
}

bool Station::Lees_TT_Settings() {
    m_tickerStored = m_store.ReadSettings(TickerKeys::names());
    return applyTickerSettings();
}

bool Station::applyTickerSettings() {
    const bool enabled = m_ticker.Lees_TT_Settings(TickerSettings::fromStored(m_tickerStored),
                                                   Cards::designSize().height());
    emit tickerSettingsChanged(enabled);
    return enabled;
}

void Station::storedChanged(const QList<QPair<QString, QString>>& written) {
    for (const auto& [key, value] : written)
        m_tickerStored.insert(key, value);
    applyTickerSettings();
    m_ticker.startIfEnabledAndStopped();
}

void Station::toggleTicker() {
    m_ticker.Command4_Click();
    emit tickerToggled(m_ticker.TickerOn);
}

void Station::Wissel_Scherm() {
    m_side = m_side == ScreenSide::Left ? ScreenSide::Right : ScreenSide::Left;
    emit outputChanged();
    emit onAirChanged();
}

void Station::chooseOutputScreen(const QString& name) {
    m_outputScreen = name;
    m_store.WriteSetting(StationKeys::OutputScreen.key(), name);
    emit outputChanged();
    emit onAirChanged();
}

void Station::chooseOutputScale(OutputScale scale) {
    m_outputScale = scale;
    m_store.WriteSetting(StationKeys::OutputScale.key(), outputScaleText(scale));
    emit outputChanged();
}

void Station::screensChanged() {
    emit outputChanged();
    emit onAirChanged();
}

OutputPlace Station::outputPlace() const {
    const QList<ScreenInfo> screens = m_screens();
    const bool onOutput = onOutputSide();
    const QPoint corner = patternCorner(screens, m_outputScreen, onOutput);
    // Scaled only on the transmitter's own screen: where the patterns wait on the primary
    // screen (Automatisch with the output screen elsewhere, a chosen screen unplugged) they
    // stay 1:1 and never cover the control panel.
    const bool scaled = onOutput && transmitterScreen(screens, m_outputScreen).has_value();
    return kalvora::outputPlace(screens, corner, scaled, m_outputScale, Cards::designSize());
}

void Station::showCard(const QString& card) {
    if (!Cards::find(card))
        return;
    m_requested.removeAll(card);
    m_requested.append(card);
    if (!m_shown.contains(card))
        m_shown.append(card);
    emit cardRequested(card);
    emit onAirChanged();
}

void Station::setCardShown(const QString& card, bool shown) {
    if (m_shown.contains(card) == shown || !Cards::find(card))
        return;
    if (shown)
        m_shown.append(card);
    else
        m_shown.removeAll(card);
    emit onAirChanged();
}

QString Station::cardInFront() const {
    for (auto card = m_requested.crbegin(); card != m_requested.crend(); ++card)
        if (m_shown.contains(*card))
            return *card;
    // Shown without being asked for (a window shown by other means): the first in the list.
    for (const Card& card : Cards::builtIn())
        if (m_shown.contains(card.name))
            return card.name;
    return QString();
}

OnAir Station::onAir() const {
    if (m_standby)
        return {QString(), standbyText()};
    const QString front = cardInFront();
    if (front.isEmpty())
        return {QString(), tr("nothing on air")};
    if (!onOutputSide())
        return {QString(), tr("nothing on air: the patterns are on this screen (Scherm)")};
    if (!transmitterScreen(m_screens(), m_outputScreen))
        return {QString(), tr("nothing on air: the output screen is not connected")};
    return {front, QString()};
}

QString Station::streamedCard() const {
    // The card on air is always the one in front, where there is one; pattern 1's window
    // shows the card chosen for it (or the carousel's, or the ident).
    const QString front = cardInFront();
    return front.isEmpty() || front == Cards::TestCard ? m_pattern1Card : front;
}

QString Station::callSign(const QString& card) const {
    const std::optional<Card> shown = this->card(card);
    return shown ? text(shown->captionFields.first()).trimmed() : QString();
}

QList<Card> Station::cards() const {
    return Cards::builtIn() + Cards::picturesIn(cardsFolder());
}

std::optional<Card> Station::card(const QString& name) const {
    if (const Card* builtIn = Cards::find(name))
        return *builtIn;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QStringList endings = {QStringLiteral(".png"), QStringLiteral(".jpg"),
                                 QStringLiteral(".jpeg")};
    const bool picture = std::any_of(endings.begin(), endings.end(), [&](const QString& ending) {
        return trimmed.endsWith(ending, Qt::CaseInsensitive);
    });
    const QFileInfo path(trimmed);
    // A path to a picture anywhere, or a name in the cards folder, with or without its ending.
    if (picture && (path.isAbsolute() || trimmed.contains(QLatin1Char('/'))) && path.isFile())
        return Cards::pictureCard(path.absoluteFilePath(), false);
    if (trimmed.contains(QLatin1Char('/')) || trimmed.contains(QLatin1Char('\\')))
        return std::nullopt;
    const QDir folder(cardsFolder());
    for (const QString& candidate :
         picture ? QStringList{trimmed}
                 : QStringList{trimmed + endings[0], trimmed + endings[1], trimmed + endings[2]})
        if (folder.exists(candidate))
            return Cards::pictureCard(folder.filePath(candidate), false);
    if (picture && path.isFile()) // a picture in the working folder
        return Cards::pictureCard(path.absoluteFilePath(), false);
    return std::nullopt;
}

void Station::chooseCard(const QString& name, bool keep) {
    if (!card(name))
        return;
    // The operator's own choice holds the carousel until they resume it.
    if (keep && !m_rooster.carousel.isEmpty())
        m_carouselPaused = true;
    if (name != m_chosenCard) {
        m_chosenCard = name;
        if (keep)
            m_store.WriteSetting(StationKeys::ChosenCard.key(), name);
        emit chosenCardChanged(name);
    }
    updatePattern1Card(QStringLiteral("operator")); // announces what goes on air
}

QDateTime Station::utcNow() const {
    return m_clock.wallTime().toUTC();
}

void Station::setRooster(const Rooster& rooster) {
    m_rooster = rooster;
    m_carouselPaused = false;
    followRooster(QStringLiteral("schedule"));
}

QString Station::unknownCard(const Carousel& carousel) const {
    for (const Carousel::Step& step : carousel.steps())
        if (!card(step.card))
            return step.card;
    return QString();
}

bool Station::keepRooster(const Rooster& rooster) {
    const bool written = m_store.WriteSettings(
        {{StationKeys::OnAirHours.key(), rooster.hours.text()},
         {StationKeys::CarouselCards.key(), rooster.carousel.text()},
         {StationKeys::IdentCardMinutes.key(), QString::number(rooster.ident.minutes)},
         {StationKeys::IdentCardSeconds.key(), QString::number(rooster.ident.seconds)},
         {StationKeys::StandbyAtStart.key(),
          rooster.standbyAtStart ? QStringLiteral("1") : QStringLiteral("0")}});
    if (written)
        setRooster(rooster);
    return written;
}

QString Station::standbyText() const {
    if (!m_standby)
        return QString();
    const QDateTime until =
        m_operatorOnAir ? m_operatorUntil : m_rooster.hours.nextChange(utcNow());
    return until.isValid() ? tr("standby until %1 UTC").arg(until.toString(QStringLiteral("HH:mm")))
                           : tr("standby");
}

void Station::goOnAir() {
    m_operatorOnAir = true;
    m_operatorUntil = m_rooster.hours.nextChange(utcNow());
    followRooster(QStringLiteral("operator"));
}

void Station::goToStandby(const QString& why) {
    m_operatorOnAir = false;
    m_operatorUntil = m_rooster.hours.nextChange(utcNow());
    followRooster(why);
}

void Station::identNow() {
    m_identUntil = utcNow().addSecs(std::max(10, m_rooster.ident.seconds));
    log(QStringLiteral("ident (operator)"));
    updatePattern1Card();
}

void Station::resumeCarousel() {
    if (!m_carouselPaused)
        return;
    m_carouselPaused = false;
    updatePattern1Card(QStringLiteral("operator"));
}

void Station::followRooster(const QString& why) {
    const QDateTime now = utcNow();
    if (m_operatorOnAir && m_operatorUntil.isValid() && now >= m_operatorUntil)
        m_operatorOnAir.reset(); // the hours have changed since: they hold again
    const bool onAir = m_operatorOnAir.value_or(m_rooster.hours.onAirAt(now));
    if (onAir == m_standby) {
        m_standby = !onAir;
        if (onAir)
            m_onAirSince = now;
        log(QStringLiteral("%1 (%2)").arg(onAir ? QStringLiteral("on air") : standbyText(), why));
        emit standbyChanged(m_standby);
        emit onAirChanged();
    }
    updatePattern1Card();
}

void Station::updatePattern1Card(const QString& chosenBecause) {
    const QDateTime now = utcNow();
    QString shown = m_chosenCard, why = chosenBecause;
    if (m_identUntil.isValid() && now >= m_identUntil)
        m_identUntil = QDateTime();
    if (!m_standby) {
        const qint64 elapsed = m_onAirSince.secsTo(now);
        if (m_identUntil.isValid() || m_rooster.ident.showsAt(elapsed)) {
            shown = Cards::Ident;
            why = QStringLiteral("ident");
        } else if (!m_rooster.carousel.isEmpty() && !m_carouselPaused) {
            shown = m_rooster.carousel.cardAt(elapsed);
            why = QStringLiteral("carousel");
        }
    }
    if (shown == m_pattern1Card)
        return;
    m_pattern1Card = shown;
    log(QStringLiteral("card %1 (%2)").arg(shown, why));
    emit pattern1CardChanged(shown);
    emit onAirChanged();
}

void Station::setLog(std::unique_ptr<OnAirLog> log) {
    m_log = std::move(log);
}

void Station::log(const QString& event) const {
    if (m_log)
        m_log->write(event);
}

void Station::setContest(const QString& band, int number, bool keep) {
    if (!Cards::contestBands().contains(band) || number < 0 || number > 9999)
        return;
    if (band == m_contestBand && m_contestNumbers.value(band, -1) == number)
        return;
    m_contestBand = band;
    m_contestNumbers.insert(band, number);
    if (keep)
        m_store.WriteSettings(
            {{StationKeys::ContestBand.key(), band},
             {StationKeys::ContestNumbers.key(), contestNumbersText(m_contestNumbers)}});
    emit contestChanged();
}

bool Station::showsClock(const QString& card) const {
    return card == Cards::TestCard || m_cardsWithClock.contains(card);
}

void Station::setShowsClock(const QString& picture, bool on) {
    if (m_cardsWithClock.contains(picture) == on || picture.contains(QLatin1Char(';')))
        return;
    if (on)
        m_cardsWithClock << picture;
    else
        m_cardsWithClock.removeAll(picture);
    m_store.WriteSetting(StationKeys::CardsWithClock.key(),
                         m_cardsWithClock.join(QLatin1Char(';')));
    emit clockShownChanged(picture, on);
}

} // namespace kalvora
