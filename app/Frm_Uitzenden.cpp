#include "app/Frm_Uitzenden.h"

#include "app/Broadcast.h"
#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "settings/SettingsStore.h"
#include "station/StationSettings.h"
#include "stream/StreamSettings.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kalvora {

Frm_Uitzenden::Frm_Uitzenden(const Platform& platform, Broadcast& broadcast)
    : LoadedWindow(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_broadcast(broadcast) {
    setObjectName(QStringLiteral("Frm_Uitzenden"));
    setWindowTitle(tr("Uitzenden"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    setFixedSize(twipsToPixels(7200), twipsToPixels(2520));
    setControlColors(this, Colours::Yellow, Qt::black);
    setAutoFillBackground(true);

    const QHash<QString, QString> stored = platform.store->ReadSettings(
        {StationKeys::StreamUrl.key(), StationKeys::StreamOptions.key()});
    const auto storedText = [&stored](const SettingKey& key) {
        return stored.value(key.key(), key.defaultText());
    };
    Label1 = makeLabel(this, QStringLiteral("Label1"), tr("Adres :"), {120, 180, 1095, 255},
                       Colours::Yellow, Qt::black);
    Text1 = makeField(this, QStringLiteral("Text1"), QString(), {1320, 120, 5760, 375},
                      Colours::Yellow);
    Label2 = makeLabel(this, QStringLiteral("Label2"), tr("Opties :"), {120, 660, 1095, 255},
                       Colours::Yellow, Qt::black);
    Text2 = makeField(this, QStringLiteral("Text2"), QString(), {1320, 600, 5760, 375},
                      Colours::Yellow);
    // Nothing is cut off, stored or typed: what is too long is refused at Start.
    for (QLineEdit* field : {Text1, Text2})
        field->setMaxLength(1 << 20);
    Text1->setText(storedText(StationKeys::StreamUrl));
    Text2->setText(storedText(StationKeys::StreamOptions));
    Label3 = makeLabel(this, QStringLiteral("Label3"), QString(), {120, 1140, 6960, 615},
                       Colours::Yellow, Qt::black);
    Label3->setWordWrap(true);
    Command1 = makeButton(this, QStringLiteral("Command1"), QString(), {4560, 1920, 1215, 375});
    Command2 = makeButton(this, QStringLiteral("Command2"), tr("Sluiten"), {5880, 1920, 1215, 375});
    QWidget::setTabOrder(Text1, Text2);
    QWidget::setTabOrder(Text2, Command1);
    QWidget::setTabOrder(Command1, Command2);
    closeOnEscape();
    connect(Command1, &QPushButton::clicked, this, &Frm_Uitzenden::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Frm_Uitzenden::Command2_Click);
    connect(&broadcast, &Broadcast::statusChanged, this, &Frm_Uitzenden::showStatus);
    showStatus();
}

void Frm_Uitzenden::showStatus() {
    Command1->setText(m_broadcast.wanted() ? tr("Stop") : tr("Start"));
    // What receivers may make of the name stays in sight while it streams.
    Label3->setText(QStringList(QStringList{m_broadcast.statusText()} + m_broadcast.warnings())
                        .join(QLatin1Char('\n')));
}

void Frm_Uitzenden::Command1_Click() {
    if (m_broadcast.wanted()) {
        m_broadcast.stop();
        return;
    }
    // Refused whole rather than kept cut short or broken over lines.
    for (const QLineEdit* field : {Text1, Text2}) {
        const QString what = field == Text1 ? tr("address") : tr("options");
        QString problem;
        if (field->text().contains(QLatin1Char('\n')) || field->text().contains(QLatin1Char('\r')))
            problem = tr("a line break in the %1; it must be one line").arg(what);
        else if (field->text().size() > MaxStreamTextLength)
            problem = tr("%1 characters in the %2; at most %3 are taken")
                          .arg(field->text().size())
                          .arg(what)
                          .arg(MaxStreamTextLength);
        if (!problem.isEmpty()) {
            Label3->setText(tr("not streaming: %1").arg(problem));
            m_platform.warn(this, windowTitle(), tr("The stream cannot start: %1").arg(problem));
            return;
        }
    }
    // Kept first, so that what was typed comes back next time even when it cannot start.
    m_platform.store->WriteSettings({{StationKeys::StreamUrl.key(), Text1->text().trimmed()},
                                     {StationKeys::StreamOptions.key(), Text2->text().trimmed()}});
    const QString problem = m_broadcast.start();
    if (!problem.isEmpty()) {
        Label3->setText(tr("not streaming: %1").arg(problem));
        m_platform.warn(this, windowTitle(), tr("The stream cannot start: %1").arg(problem));
    }
}

} // namespace kalvora
