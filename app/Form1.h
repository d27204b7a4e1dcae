#pragma once

#include "app/Preview.h"
#include "pattern/Placement.h"
#include "platform/LoadedWindow.h"
#include "platform/Platform.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerScroller.h"

#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QAction;
class QMenu;

namespace kalvora {
class PatternWindow;
class SecondTimer;
class WindowRegistry;

// The control panel: the five station fields, the buttons that show and move the test
// patterns, the ticker on/off button and the menu. Its start-up brings the whole program up;
// it also holds the clock's alternation state and the ticker.
class Form1 : public LoadedWindow {
    Q_OBJECT
public:
    Form1(WindowRegistry& windows, const Platform& platform);
    ~Form1() override;

    // Start-up, in its fixed order.
    void Form_Load();

    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Text5_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click() { ticker.Command4_Click(); }
    void mnu_TT_Click();
    void mnu_Info_Click();
    void mnu_afsluiten_Click();

    // Applies the stored ticker settings to both strips and to the on/off button.
    void Lees_TT_Settings();
    void Start_TT() { ticker.Start_TT(); }
    // Once a second: time, date and the frequency/locator alternation on pattern 1.
    void Timer1_Timer();
    // Moves both test patterns to the other screen.
    void Wissel_Scherm();
    // Puts both test patterns where the current side and output screen say (after a screen
    // came or went, or another output was chosen).
    void placePatterns();
    // The Uitgang menu's choice: a screen's name, or empty for automatic. Stored at once.
    void chooseOutputScreen(const QString& name);
    // The pattern window in front, the one shown last when both are shown; nothing when none is.
    PatternWindow* patternOnAir() const;
    // What the transmitter's screen really shows: the pattern in front while the patterns are
    // on it, otherwise nothing, and why.
    OnAir onAir() const;
    // The Uitgang menu's picture size on the output screen. Stored at once.
    void chooseOutputScale(OutputScale scale);

    QMenuBar* menuBar;
    QAction* mnu_afsluiten;
    QAction* mnu_TT;
    QAction* mnu_Info;
    QMenu* mnu_uitgang;
    QAction* mnu_voorbeeld;
    QWidget* client;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    // Outside the client area, never seen: pattern 1's inner size, the ticker's drawing strip
    // and the next swap second of the alternation.
    QLabel* Label1;
    QLabel* Label2;
    QWidget* Picture2;
    QLineEdit* Text6;

    QString ScreenSide;
    std::int16_t AltToggle = 0;

    SecondTimer* Timer1;
    OffscreenStrip offscreenStrip;
    TickerScroller ticker;

protected:
    void Form_Unload() override;

private:
    void stationFieldChanged(QLineEdit* field, const QString& key);
    void fillOutputMenu();
    void takePatternsDown();
    // Both pattern windows show the pattern in front (see PatternWindow::showFramesOf).
    void showOnAirEverywhere();

    WindowRegistry& m_windows;
    const Platform& m_platform;
    bool m_restoringFields = false;
    QString m_outputScreen; // "output_screen": empty for automatic
    OutputScale m_outputScale = OutputScale::OneToOne; // "output_scale"
    bool m_pattern2InFront = false;
};

} // namespace kalvora
