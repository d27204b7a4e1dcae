#include "station/Station.h"

#include "clock/RegionalTime.h"
#include "settings/SettingsStore.h"
#include "settings/Twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace kalvora {

namespace {

constexpr int PatternWidthTwips = 12120;
constexpr int PatternHeightTwips = 9120;

} // namespace

QSize Station::patternSize() {
    return QSize(twipsToPixels(PatternWidthTwips), twipsToPixels(PatternHeightTwips));
}

Station::Station(SettingsStore& store, QString tickerFolder, std::function<QDateTime()> now,
                 std::function<QList<ScreenInfo>()> screens, QObject* parent)
    : QObject(parent), m_store(store), m_screens(std::move(screens)), m_clock(std::move(now)),
      Timer1(m_clock, Beat::Kind::WallSecond),
      ticker(offscreenStrip, m_clock, std::move(tickerFolder)) {
    connect(&Timer1, &Beat::timeout, this, &Station::Timer1_Timer);
    const StationSettings settings = StationSettings::fromStored({});
    for (int i = 0; i < StationSettings::TextCount; ++i)
        m_texts[size_t(i)] = settings.texts[size_t(i)];
    // What the dialog saves reaches the ticker from here, without reading the file again.
    m_storeListener = m_store.addChangeListener(
        [this](const SettingsStore::Written& written) { storedChanged(written); });
}

Station::~Station() {
    m_store.removeChangeListener(m_storeListener);
}

void Station::start() {
    ticker.Timer3.stop();
    const StationSettings settings = readStationSettings(m_store);
    for (int field = 1; field <= StationSettings::TextCount; ++field) {
        m_texts[size_t(field - 1)] = settings.texts[size_t(field - 1)];
        emit textChanged(field, text(field));
    }
    setSecondLine(text(2));
    m_outputScreen = settings.outputScreen;
    m_outputScale = settings.outputScale;
    Lees_TT_Settings();
    ScreenSide = QStringLiteral("left");
    Wissel_Scherm();
    // A screen plugged in or out: the patterns go where the rule now says, after Qt has
    // settled its screen list.
    if (qGuiApp)
        for (const auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved,
                                  &QGuiApplication::primaryScreenChanged})
            connect(qGuiApp, signal, this, &Station::screensChanged, Qt::QueuedConnection);
    setSwapSecond(5);
    AltToggle = 1;
    ticker.Start_TT();
    // Its first tick cannot come before the start-up has finished: both run on this thread.
    Timer1.start();
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
    if (now.time().second() != m_swapSecond)
        return;
    if (AltToggle == 1) {
        setSecondLine(text(5));
        AltToggle = 0;
    } else {
        AltToggle = 1;
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
    const bool enabled =
        ticker.Lees_TT_Settings(TickerSettings::fromStored(m_tickerStored), patternSize().height());
    emit tickerSettingsChanged(enabled);
    return enabled;
}

void Station::storedChanged(const QList<QPair<QString, QString>>& written) {
    static const QStringList tickerKeys = TickerKeys::names();
    bool tickerChanged = false;
    for (const auto& [key, value] : written)
        if (tickerKeys.contains(key)) {
            m_tickerStored.insert(key, value);
            tickerChanged = true;
        }
    if (!tickerChanged)
        return;
    applyTickerSettings();
    ticker.startIfEnabledAndStopped();
}

void Station::Wissel_Scherm() {
    ScreenSide =
        ScreenSide == QLatin1String("left") ? QStringLiteral("right") : QStringLiteral("left");
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
    return kalvora::outputPlace(screens, corner, scaled, m_outputScale, patternSize());
}

void Station::showPattern(int pattern) {
    m_pattern2InFront = pattern == 2;
    m_shown[pattern] = true;
    emit patternRequested(pattern);
    emit onAirChanged();
}

void Station::setPatternShown(int pattern, bool shown) {
    if (m_shown[pattern] == shown)
        return;
    m_shown[pattern] = shown;
    emit onAirChanged();
}

bool Station::patternShown(int pattern) const {
    return m_shown[pattern];
}

int Station::patternInFront() const {
    if (m_shown[1] && m_shown[2])
        return m_pattern2InFront ? 2 : 1;
    return m_shown[1] ? 1 : m_shown[2] ? 2 : 0;
}

OnAir Station::onAir() const {
    const int front = patternInFront();
    if (!front)
        return {0, tr("nothing on air")};
    if (!onOutputSide())
        return {0, tr("nothing on air: the patterns are on this screen (Scherm)")};
    if (!transmitterScreen(m_screens(), m_outputScreen))
        return {0, tr("nothing on air: the output screen is not connected")};
    return {front, QString()};
}

} // namespace kalvora
