#pragma once

#include "platform/LoadedWindow.h"
#include "platform/Platform.h"

#include <QTimer>

class QLabel;

namespace kalvora {

// "About": the credits scroll up through a small viewport, then the window closes itself.
class Frm_info : public LoadedWindow {
    Q_OBJECT
public:
    explicit Frm_info(const Platform& platform);

    void Timer2_Timer();
    void Label1_Click() { unload(); }
    void Label2_Click();

    QWidget* Picture2; // panel
    QLabel* Image1;
    QLabel* Label7;
    QLabel* Label2;    // the web address
    QWidget* Picture1; // credits viewport
    QLabel* Text1;     // the credits
    QLabel* Label5;
    QLabel* Label3;
    QLabel* Label1; // "Exit"
    QTimer Timer2;

    // The credits' top edge, kept exactly in twips; drawn at the nearest pixel.
    double text1Top() const { return m_text1Top; }

    static constexpr int Text1HeightTwips = 4575;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const Platform& m_platform;
    double m_text1Top = 0;
};

} // namespace kalvora
