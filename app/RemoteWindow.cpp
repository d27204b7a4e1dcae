#include "app/RemoteWindow.h"

#include "app/RemoteControl.h"
#include "settings/SettingsStore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace kalvora {

RemoteWindow::RemoteWindow(RemoteControl& remote, SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_remote(remote), m_store(store) {
    setObjectName(QStringLiteral("RemoteWindow"));
    setWindowTitle(tr("Op afstand"));
    address = new QLineEdit(store.ReadSetting(RemoteControl::AddressKey, QString()), this);
    address->setObjectName(QStringLiteral("address"));
    address->setPlaceholderText(tr("uit, of bijvoorbeeld 127.0.0.1:8080"));
    password = new QLineEdit(this);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    password->setPlaceholderText(tr("leeg: blijft zoals het is"));
    repeat = new QLineEdit(this);
    repeat->setObjectName(QStringLiteral("repeat"));
    repeat->setEchoMode(QLineEdit::Password);
    state = new QLabel(this);
    state->setObjectName(QStringLiteral("state"));
    state->setWordWrap(true);
    state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("problem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RemoteWindow::OK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Webpagina op"), address);
    form->addRow(tr("&Wachtwoord"), password);
    form->addRow(tr("&Nog eens"), repeat);
    form->addRow(state);
    form->addRow(problem);
    form->addRow(buttons);
    setMinimumWidth(420);
    showState();
}

void RemoteWindow::showState() {
    QString text = m_remote.serving()
                       ? tr("De webpagina staat aan, op poort %1.").arg(m_remote.port())
                       : tr("De webpagina staat uit.");
    if (m_store.ReadSetting(RemoteControl::PasswordKey, QString()).isEmpty())
        text += tr(" Er is nog geen wachtwoord: zonder wachtwoord toont ze niets.");
    state->setText(text);
}

void RemoteWindow::OK_Click() {
    QString why;
    if (password->text() != repeat->text())
        why = tr("the two passwords differ");
    const QString where = address->text().trimmed();
    const QString before = m_store.ReadSetting(RemoteControl::AddressKey, QString());
    if (why.isEmpty() && where != before) {
        // Tried before it is kept: an address that cannot be served is not.
        if (where.isEmpty()) {
            m_remote.stopServing();
        } else if (const QString problem = m_remote.serve(where); !m_remote.serving()) {
            why = problem;
            m_remote.serve(before); // as it was
        }
        if (why.isEmpty() && !m_store.WriteSetting(RemoteControl::AddressKey, where))
            why = tr("the settings could not be written");
    }
    if (why.isEmpty() && !password->text().isEmpty())
        why = RemoteControl::storePassword(m_store, password->text());
    problem->setText(why + tr(" (nothing was kept)"));
    problem->setVisible(!why.isEmpty());
    showState();
    if (why.isEmpty())
        accept();
}

} // namespace kalvora
