#include "station/StationSettings.h"

#include "settings/SettingsStore.h"
#include "station/Cards.h"

namespace kalvora {

QStringList StationKeys::names() {
    return keyNames(All);
}

StationSettings StationSettings::fromStored(const QHash<QString, QString>& stored) {
    StationSettings s;
    for (int i = 0; i < TextCount; ++i)
        s.texts[size_t(i)] = StationKeys::Texts[size_t(i)]->storedText(stored);
    s.outputScreen = StationKeys::OutputScreen.storedText(stored);
    s.outputScale = outputScaleFrom(StationKeys::OutputScale.storedText(stored));
    s.chosenCard = StationKeys::ChosenCard.storedText(stored).trimmed();
    if (s.chosenCard.isEmpty())
        s.chosenCard = StationKeys::ChosenCard.defaultText();
    s.contestBand = StationKeys::ContestBand.storedText(stored);
    if (!Cards::contestBands().contains(s.contestBand))
        s.contestBand = StationKeys::ContestBand.defaultText();
    s.contestNumbers = contestNumbersFrom(StationKeys::ContestNumbers.storedText(stored));
    s.cardsWithClock =
        StationKeys::CardsWithClock.storedText(stored).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    s.rooster.hours = OperatingHours::parse(StationKeys::OnAirHours.storedText(stored))
                          .value_or(OperatingHours());
    s.rooster.carousel =
        Carousel::parse(StationKeys::CarouselCards.storedText(stored)).value_or(Carousel());
    const auto number = [&stored](const SettingKey& key, int most) {
        bool ok = false;
        const int value = key.storedText(stored).toInt(&ok);
        return ok && value >= 0 && value <= most ? value : 0;
    };
    s.rooster.ident = {number(StationKeys::IdentCardMinutes, 1440),
                       number(StationKeys::IdentCardSeconds, 600)};
    s.rooster.standbyAtStart = StationKeys::StandbyAtStart.storedText(stored) == QLatin1String("1");
    return s;
}

QHash<QString, int> contestNumbersFrom(const QString& stored) {
    // A band not known or a number that is not one is left out: the band starts again at 0.
    QHash<QString, int> numbers;
    for (const QString& pair : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString band = pair.section(QLatin1Char('='), 0, 0).trimmed();
        bool ok = false;
        const int number = pair.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
        if (ok && number >= 0 && number <= 9999 && Cards::contestBands().contains(band))
            numbers.insert(band, number);
    }
    return numbers;
}

QString contestNumbersText(const QHash<QString, int>& numbers) {
    QStringList pairs;
    for (const QString& band : Cards::contestBands())
        if (numbers.contains(band))
            pairs << QStringLiteral("%1=%2").arg(band).arg(numbers.value(band));
    return pairs.join(QLatin1Char(';'));
}

StationSettings readStationSettings(const SettingsStore& store) {
    return StationSettings::fromStored(store.ReadSettings(StationKeys::names()));
}

} // namespace kalvora
