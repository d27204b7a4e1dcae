#pragma once

#include "platform/LoadedWindow.h"
#include "platform/Platform.h"
#include "stream/StreamDestination.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kalvora {

class Broadcast;

// "Uitzenden": where the stream of what is on air goes and how it is made (as on the command
// line after --stream URL), kept in the settings; Start and Stop; and how it goes. A
// transmitter or program chosen by name fills in the address and the options, and the channel
// picked for it (symbol rate, FEC, modulation; for the Pluto's RTMP input also frequency and
// gain) goes into them; both stay the operator's to edit.
class Frm_Uitzenden : public LoadedWindow {
    Q_OBJECT
public:
    Frm_Uitzenden(const Platform& platform, Broadcast& broadcast);

    void Combo1_Click();   // a destination chosen
    void Channel_Change(); // a channel field edited
    void Command1_Click(); // Start, or Stop while streaming
    void Command2_Click() { unload(); }

    QLabel* Label4;
    QComboBox* Combo1; // destination
    QLabel* Label1;
    QLineEdit* Text1; // address
    QLabel* Label2;
    QLineEdit* Text2; // options
    QLabel* Label5;
    QDoubleSpinBox* Spin1; // frequency, MHz
    QSpinBox* Spin2;       // symbol rate, kS
    QComboBox* Combo2;     // FEC
    QComboBox* Combo3;     // modulation
    QSpinBox* Spin3;       // gain, dB
    QLabel* Label3;        // how it goes
    QPushButton* Command1;
    QPushButton* Command2;

private:
    // The steps of the constructor.
    QLabel* rowLabel(const char* name, const QString& text, int y);
    void makeAddressRows();
    void makeChannelRow();
    void makeStatusAndButtons();
    void connectControls();
    const StreamDestination& destination() const;
    TransmitChoice choice() const;
    void showChoice(const TransmitChoice& choice);
    void fillCodeRates(int numerator, int denominator);
    void enableChannel();
    void showStatus();

    const Platform& m_platform;
    Broadcast& m_broadcast;
};

} // namespace kalvora
