#pragma once

#include <QDialog>
#include <QMenu>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kalvora {

class Station;

// Bestand > Rooster: the operator's word on what the repeater's schedule would do (on air,
// standby, the ident card now, the carousel going on after a card chosen by hand), and the
// window that sets the schedule up.
class RoosterMenu : public QMenu {
    Q_OBJECT
public:
    RoosterMenu(Station& station, QWidget* parent);

    QAction* setUp;
    QAction* onAir;
    QAction* standby;
    QAction* identNow;
    QAction* resumeCarousel;

private:
    // Only what would change something is offered.
    void enableChoices();

    Station& m_station;
};

// "Rooster": the operating hours in UTC, the carousel, the ident card and standby at start,
// kept in the settings. A value that is not one is named in the window and nothing is kept.
class RoosterWindow : public QDialog {
    Q_OBJECT
public:
    RoosterWindow(Station& station, QWidget* parent);

    // OK: checked, kept and followed at once; the window closes. Otherwise it stays open
    // with the reason.
    void OK_Click();

    QLineEdit* hours;
    QLineEdit* carousel;
    QSpinBox* identMinutes;
    QSpinBox* identSeconds;
    QCheckBox* standbyAtStart;
    QLabel* problem;

private:
    Station& m_station;
};

} // namespace kalvora
