#pragma once

#include "platform/LoadedWindow.h"
#include "station/Placement.h"

#include <QString>

class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QAction;
class QMenu;

namespace kalvora {
class Station;

// The control panel: the five station fields, the buttons that show and move the test
// patterns, the ticker on/off button and the menu. It holds nothing of what is on air: it
// shows the station's state and hands the operator's choices to it.
class Form1 : public LoadedWindow {
    Q_OBJECT
public:
    explicit Form1(Station& station);
    ~Form1() override;

    // Start-up, in its fixed order: the station starts with the panel.
    void Form_Load();

    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Text5_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void mnu_TT_Click();
    void mnu_Info_Click();
    void mnu_afsluiten_Click();

    QMenuBar* menuBar;
    QAction* mnu_afsluiten;
    QAction* mnu_TT;
    QAction* mnu_Info;
    QMenu* mnu_uitgang;
    QMenu* mnu_kaart;
    QMenu* mnu_rooster;
    QAction* mnu_voorbeeld;
    QAction* mnu_uitzenden;
    QAction* mnu_op_afstand;
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
    // How the stream of Bestand > Uitzenden goes; shown only while one is wanted.
    QLabel* lbl_uitzenden;
    // "standby until 07:00 UTC", in its place and in front of it, while the station is in
    // standby.
    QLabel* lbl_standby;
    QWidget* Picture2;
    QLineEdit* Text6;

    // The other windows the panel opens; the registry that owns them shows them.
    enum class Window { Preview, Broadcast, TickerSettings, About, Remote };
    // How the stream goes, while it is wanted; empty: not streaming.
    void showBroadcastStatus(const QString& status);

signals:
    void windowRequested(Window window);
    // The panel is closing: the patterns go with it.
    void closing();

protected:
    void Form_Unload() override;

private:
    // The steps of the constructor.
    void makeMenu();
    void makeClient(int menuHeight);
    void makeControls();
    void connectControls();
    void followStation();
    QLineEdit* stationField(int field) const;
    void fillOutputMenu();

    Station& m_station;
};

} // namespace kalvora
