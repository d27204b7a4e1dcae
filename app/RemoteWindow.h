#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kalvora {

class RemoteControl;
class SettingsStore;

// Bestand > Op afstand: where the station's web page is served (off when empty) and its
// password, kept in the settings (the password only as a salted hash). What cannot be served
// or stored is named in the window and nothing is kept.
class RemoteWindow : public QDialog {
    Q_OBJECT
public:
    RemoteWindow(RemoteControl& remote, SettingsStore& store, QWidget* parent);

    void OK_Click();

    QLineEdit* address;
    QLineEdit* password;
    QLineEdit* repeat;
    QLabel* state;
    QLabel* problem;

private:
    void showState();

    RemoteControl& m_remote;
    SettingsStore& m_store;
};

} // namespace kalvora
