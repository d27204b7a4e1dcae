#pragma once

#include "clock/StationClock.h"
#include "station/Cards.h"
#include "station/OnAirLog.h"
#include "station/Placement.h"
#include "station/Schedule.h"
#include "station/StationSettings.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerScroller.h"

#include <QDateTime>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kalvora {

class SettingsStore;

// What the transmitter's screen shows of ours: a card, or nothing (an empty name) and why.
struct OnAir {
    QString card;
    QString whyNothing;
};

// The side "Scherm" toggles: the patterns on the output (transmitter's) screen, or on the
// operator's own.
enum class ScreenSide { Left, Right };

// What is on air, without any window: the station texts, the clock and the frequency/locator
// alternation, the screens' ticker, the output choice and which card is in front. The control
// panel, the pattern windows, the preview, the frame outputs, and every later client (a
// schedule, a remote) are its views: they show what it announces, and every change of what is
// on air goes through its methods.
//
// One clock drives everything that moves on air: the second tick (Timer1), the screens' ticker
// steps (Timer3) and every frame output's frames are beats on it.
class Station : public QObject {
    Q_OBJECT
    // First: the beats below are made on it.
    SettingsStore& m_store;
    std::function<QList<ScreenInfo>()> m_screens;
    StationClock m_clock;

public:
    // `tickerFolder` holds TickerTape.txt; `now` is the time of day; `screens` the screens
    // connected now.
    Station(SettingsStore& store, QString tickerFolder, std::function<QDateTime()> now,
            std::function<QList<ScreenInfo>()> screens, QObject* parent = nullptr);
    ~Station() override;

    // Whether the screens' own ticker runs: without windows (a still, frames, a stream) only
    // the frame outputs' tickers move.
    enum class Screens { Shown, None };
    // Start-up, in its fixed order: the settings, the ticker's look, the patterns on the output
    // side, the alternation from second 5, the ticker's first run and the clock.
    void start(Screens screens = Screens::Shown);
    // The station goes off air with the panel: its beats stop and touch no window again.
    void stop();

    StationClock& clock() { return m_clock; }
    SettingsStore& store() { return m_store; }

    // --- The station texts: Text1 .. Text5 (`field` 1 to 5), as the control panel names them.
    QString text(int field) const;
    // Stores it at once; pattern 1's second line follows a new frequency at once.
    void setText(int field, const QString& text);

    // --- Pattern 1's live lines.
    // The second line: the frequency or the locator, by turns.
    QString secondLine() const { return m_secondLine; }
    QString timeText() const { return m_timeText; }
    QString dateText() const { return m_dateText; }
    // The next swap second of the alternation (the panel shows it in Text6).
    int swapSecond() const { return m_swapSecond; }
    // 1 while the frequency shows (the locator comes next), 0 while the locator shows.
    int altToggle() const { return m_altToggle; }
    // The second's work: time, date and, at the swap second, the other of frequency and
    // locator. A frame output calls it once before its first frame, which must be whole.
    void Timer1_Timer();

    // --- The ticker, as the screens show it.
    // The settings in use, converted once when stored.
    const TickerSettings& tickerSettings() const { return m_ticker.settings; }
    const QString& tickerFolder() const { return m_tickerFolder; }
    // The screens' scroller and its drawing strip, to look at (the panel keeps the strip).
    const TickerScroller& screenTicker() const { return m_ticker; }
    const OffscreenStrip& tickerStrip() const { return m_offscreenStrip; }
    // The visible strip on pattern 1's window, or none.
    void setTickerView(TickerView* view) { m_ticker.setView(view); }
    // Applies the stored ticker settings to both strips. Returns whether it is enabled.
    bool Lees_TT_Settings();
    // "TickerTape aan / uit": shows or hides the strip, on the screens and in every frame output.
    void toggleTicker();
    // One step of the screens' ticker (Timer3's work).
    void Timer3_Timer() { m_ticker.Timer3_Timer(); }

    // --- The output: the side "Scherm" toggles, the output screen and the picture's size.
    ScreenSide screenSide() const { return m_side; }
    // The patterns are on the output screen (and not on the operator's).
    bool onOutputSide() const { return m_side == ScreenSide::Right; }
    void Wissel_Scherm();
    QString outputScreen() const { return m_outputScreen; }
    void chooseOutputScreen(const QString& name); // stored at once
    OutputScale outputScale() const { return m_outputScale; }
    void chooseOutputScale(OutputScale scale); // stored at once
    // Where the pattern windows go now, from the screens and the choices.
    OutputPlace outputPlace() const;
    // A screen came or went: announces the output again.
    void screensChanged();
    QList<ScreenInfo> screens() const { return m_screens(); }

    // --- The cards on air (see Cards).
    // "Kalvora 1" / "Kalvora 2": the card is shown and comes in front.
    void showCard(const QString& card);
    // A card's window was shown or hidden (a click on pattern 1 takes it down).
    void setCardShown(const QString& card, bool shown);
    // The card in front: of those shown, the one asked for last; empty when none is shown.
    QString cardInFront() const;
    // What the transmitter's screen really shows: the card in front while the patterns are
    // on it, otherwise nothing, and why.
    OnAir onAir() const;
    // What a stream of the station sends: the card on air, or else the one in front, or else
    // the test card.
    QString streamedCard() const;
    // The call sign `card` shows, as a stream's service is named after it; empty for no card.
    QString callSign(const QString& card) const;

    // --- The cards: the built-in ones and the operator's pictures (see Cards).
    QString cardsFolder() const { return Cards::folderIn(m_tickerFolder); }
    // Every card, the pictures read again from the folder (each checked once while its file
    // stays the same): the operator may add one at any time.
    QList<Card> cards() const;
    // The card with that name (a picture by its file name, or a picture file's path); nothing
    // when there is none. A picture is not read for this.
    std::optional<Card> card(const QString& name) const;
    // The card pattern 1's window shows ("1" unless the operator chose another); stored at once.
    QString chosenCard() const { return m_chosenCard; }
    // The operator's choice pauses the carousel; `keep` false (the command line's card for one
    // run): neither stored nor pausing.
    void chooseCard(const QString& name, bool keep = true);
    // The contest card's band and its number there; a new number is kept for that band.
    // `keep` false: for this run only (the command line), nothing stored.
    QString contestBand() const { return m_contestBand; }
    int contestNumber() const { return m_contestNumbers.value(m_contestBand); }
    int contestNumber(const QString& band) const { return m_contestNumbers.value(band); }
    void setContest(const QString& band, int number, bool keep = true);
    // Whether a card shows the clock and date: the test card always, a picture where the
    // operator ticked it (kept).
    bool showsClock(const QString& card) const;
    void setShowsClock(const QString& picture, bool on);

    // --- The repeater's schedule (see Rooster): operating hours, the carousel, the ident card.
    // With none set the station is always on air with the operator's cards, as it always was.
    // It is followed every second (Timer1) and at once when set.
    void setRooster(const Rooster& rooster);
    // The same, kept in the settings for the next start (the "Rooster" window). False, and
    // nothing changed, when the settings could not be written.
    bool keepRooster(const Rooster& rooster);
    const Rooster& rooster() const { return m_rooster; }
    // The first card of the carousel that the station does not have; empty when it has all.
    QString unknownCard(const Carousel& carousel) const;
    // In standby the patterns are off the screens and the streams send nothing.
    bool inStandby() const { return m_standby; }
    // "standby until 07:00 UTC" (or "standby" where the hours will not end it); empty on air.
    QString standbyText() const;
    // The operator's word, until the operating hours next change: on air, or standby.
    void goOnAir();
    // `why` goes into the log.
    void goToStandby(const QString& why = QStringLiteral("operator"));
    // The ident card now, for its seconds (at least 10).
    void identNow();
    // The carousel, paused by the operator's own choice of a card, goes on.
    void resumeCarousel();
    bool carouselPaused() const { return m_carouselPaused; }
    // What pattern 1's window (and a stream without a card of its own) shows now: the ident
    // card while it is due, the carousel's card, or the card the operator chose.
    QString pattern1Card() const { return m_pattern1Card; }
    // Where events go (on air, standby, card changes and why, streams); none: nowhere.
    void setLog(std::unique_ptr<OnAirLog> log);
    void log(const QString& event) const;

signals:
    void textChanged(int field, const QString& text);
    void secondLineChanged(const QString& text);
    void timeChanged(const QString& time, const QString& date);
    void swapSecondChanged(int second);
    // New ticker settings were applied (the panel shows its on/off button only if enabled).
    void tickerSettingsChanged(bool enabled);
    // The operator showed (true) or hid the ticker strip.
    void tickerToggled(bool on);
    // The screens' ticker strip was switched on or off (the on/off button's caption).
    void tickerOnChanged(bool on);
    // The place of the patterns changed: side, screen, scale, or the screens themselves.
    void outputChanged();
    // The operator asked for this card: it is to be shown in front.
    void cardRequested(const QString& card);
    // Pattern 1's window shows another card.
    void chosenCardChanged(const QString& card);
    // The contest card's band or number changed.
    void contestChanged();
    // A picture's clock was ticked or cleared.
    void clockShownChanged(const QString& picture, bool on);
    // Standby began or ended.
    void standbyChanged(bool standby);
    // Pattern 1's window shows another card (the operator's choice, the carousel, the ident).
    void pattern1CardChanged(const QString& card);
    // What the transmitter shows may have changed.
    void onAirChanged();

private:
    void setSecondLine(const QString& text);
    void setSwapSecond(int second);
    bool applyTickerSettings();
    void storedChanged(const QList<QPair<QString, QString>>& written);

    QString m_tickerFolder;
    // Once a second, just after the wall clock's second changed.
    Beat m_timer1;
    std::int16_t m_altToggle = 0;
    OffscreenStrip m_offscreenStrip;
    TickerScroller m_ticker;
    ScreenSide m_side = ScreenSide::Left;
    std::array<QString, StationSettings::TextCount> m_texts;
    QString m_secondLine;
    QString m_timeText;
    QString m_dateText;
    int m_swapSecond = 0;
    QString m_outputScreen;
    OutputScale m_outputScale = OutputScale::OneToOne;
    QStringList m_shown;
    // The cards the operator asked for, the last asked for last.
    QStringList m_requested;
    QString m_chosenCard = Cards::TestCard;
    QString m_contestBand;
    QHash<QString, int> m_contestNumbers;
    QStringList m_cardsWithClock;
    // The schedule and where it stands.
    void followRooster(const QString& why);
    // `chosenBecause`: why the operator's card is back (or on), for the log.
    void updatePattern1Card(const QString& chosenBecause = QStringLiteral("schedule"));
    QDateTime utcNow() const;
    Rooster m_rooster;
    std::optional<bool> m_operatorOnAir; // the operator's word, until m_operatorUntil
    QDateTime m_operatorUntil;
    bool m_standby = false;
    QDateTime m_onAirSince; // UTC
    bool m_carouselPaused = false;
    QDateTime m_identUntil; // "ident now"
    QString m_pattern1Card = Cards::TestCard;
    std::unique_ptr<OnAirLog> m_log;
    int m_storeListener = 0;
    // The ticker keys as stored (absent ones left out), kept up to date by what is written.
    QHash<QString, QString> m_tickerStored;
};

} // namespace kalvora
