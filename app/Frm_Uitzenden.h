#pragma once

#include "platform/LoadedWindow.h"
#include "platform/Platform.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kalvora {

class Broadcast;

// "Uitzenden": where the stream of what is on air goes and how it is made (as on the command
// line after --stream URL), kept in the settings; Start and Stop; and how it goes.
class Frm_Uitzenden : public LoadedWindow {
    Q_OBJECT
public:
    Frm_Uitzenden(const Platform& platform, Broadcast& broadcast);

    void Command1_Click(); // Start, or Stop while streaming
    void Command2_Click() { unload(); }

    QLabel* Label1;
    QLineEdit* Text1; // address
    QLabel* Label2;
    QLineEdit* Text2; // options
    QLabel* Label3;   // how it goes
    QPushButton* Command1;
    QPushButton* Command2;

private:
    void showStatus();

    const Platform& m_platform;
    Broadcast& m_broadcast;
};

} // namespace kalvora
