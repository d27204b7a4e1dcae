#pragma once

#include "clock/StationClock.h"
#include "station/Placement.h"
#include "station/StationSettings.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerScroller.h"

#include <QDateTime>
#include <QObject>
#include <QPair>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace kalvora {

class SettingsStore;

// What the transmitter's screen shows of ours: pattern 1 or 2, or nothing (0) and why.
struct OnAir {
    int pattern = 0;
    QString whyNothing;
};

// What is on air, without any window: the station texts, the clock and the frequency/locator
// alternation, the ticker, the output choice and which pattern is in front. The control panel,
// the pattern windows, the preview and the frame outputs are its views: they show what it
// announces and pass the operator's choices to it.
//
// One clock drives everything that moves on air: the second tick (Timer1), the ticker's steps
// (ticker.Timer3) and every frame output's frames are beats on it.
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

    // Start-up, in its fixed order: the settings, the ticker's look, the patterns on the output
    // side, the alternation from second 5, the ticker's first run and the clock.
    void start();

    StationClock& clock() { return m_clock; }
    // A test pattern as designed: 12120 x 9120 twips, 808 x 608 pixels.
    static QSize patternSize();
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
    void setSwapSecond(int second);
    // 1 while the frequency shows (the locator comes next), 0 while the locator shows.
    std::int16_t AltToggle = 0;
    // Once a second, just after the wall clock's second changed.
    Beat Timer1;
    // Time, date and, at the swap second, the other of frequency and locator.
    void Timer1_Timer();

    // --- The ticker.
    OffscreenStrip offscreenStrip;
    TickerScroller ticker;
    // Applies the stored ticker settings to both strips. Returns whether it is enabled.
    bool Lees_TT_Settings();

    // --- The output: the side "Scherm" toggles, the output screen and the picture's size.
    // "right": the patterns are on the output screen; anything else: on the operator's.
    QString ScreenSide;
    bool onOutputSide() const { return ScreenSide == QLatin1String("right"); }
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

    // --- The patterns on air.
    // "Kalvora 1" / "Kalvora 2": the pattern is shown and comes in front.
    void showPattern(int pattern);
    // A pattern window was shown or hidden (a click on pattern 1 takes it down).
    void setPatternShown(int pattern, bool shown);
    bool patternShown(int pattern) const;
    // The pattern in front: the one shown last when both are shown; 0 when none is.
    int patternInFront() const;
    // What the transmitter's screen really shows: the pattern in front while the patterns are
    // on it, otherwise nothing, and why.
    OnAir onAir() const;

signals:
    void textChanged(int field, const QString& text);
    void secondLineChanged(const QString& text);
    void timeChanged(const QString& time, const QString& date);
    void swapSecondChanged(int second);
    // New ticker settings were applied (the panel shows its on/off button only if enabled).
    void tickerSettingsChanged(bool enabled);
    // The place of the patterns changed: side, screen, scale, or the screens themselves.
    void outputChanged();
    // The operator asked for this pattern: it is to be shown in front.
    void patternRequested(int pattern);
    // What the transmitter shows may have changed.
    void onAirChanged();

private:
    void setSecondLine(const QString& text);
    bool applyTickerSettings();
    void storedChanged(const QList<QPair<QString, QString>>& written);

    std::array<QString, StationSettings::TextCount> m_texts;
    QString m_secondLine;
    QString m_timeText;
    QString m_dateText;
    int m_swapSecond = 0;
    QString m_outputScreen;
    OutputScale m_outputScale = OutputScale::OneToOne;
    bool m_shown[3] = {false, false, false};
    bool m_pattern2InFront = false;
    int m_storeListener = 0;
    // The ticker keys as stored (absent ones left out), kept up to date by what is written.
    QHash<QString, QString> m_tickerStored;
};

} // namespace kalvora
