#pragma once

#include <QDialog>
#include <QMenu>

class QComboBox;
class QSpinBox;

namespace kalvora {

class Station;

// Bestand > Kaart: every card the station knows, the one pattern 1's window shows ticked
// (a picture that cannot be shown is listed with the reason, not offered); the contest card's
// band and number; whether the chosen picture shows the clock. Filled each time it opens, so a
// picture just put in the cards folder is there.
class CardMenu : public QMenu {
    Q_OBJECT
public:
    CardMenu(Station& station, QWidget* parent);

private:
    void fill();
    void openContestDialog();

    Station& m_station;
};

// The contest card's band and number, both kept: each band keeps its own number.
class ContestDialog : public QDialog {
    Q_OBJECT
public:
    ContestDialog(Station& station, QWidget* parent);

    QComboBox* band;
    QSpinBox* number;

private:
    Station& m_station;
};

} // namespace kalvora
