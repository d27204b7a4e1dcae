#include "ticker/Frm_Tickertape.h"

#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"
#include "ticker/TickerFile.h"
#include "ticker/TickerSettings.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>
#include <optional>

namespace kalvora {

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);

QLabel* label(const QString& name, const QString& text, const QRect& twips, QWidget* parent) {
    auto* l = placeControl(new QLabel(text, parent), name, twips);
    setControlColors(l, Yellow, Qt::black);
    return l;
}

QLineEdit* field(const QString& name, const QString& text, const QRect& twips, QWidget* parent) {
    auto* f = placeControl(new QLineEdit(text, parent), name, twips);
    setControlColors(f, Green, Qt::black);
    return f;
}

QPushButton* button(const QString& name, const QString& text, const QRect& twips, QWidget* parent) {
    auto* b = placeControl(new QPushButton(text, parent), name, twips);
    b->setAutoDefault(false);
    return b;
}

QWidget* swatch(const QString& name, const QColor& color, const QRect& twips, QWidget* parent) {
    auto* s = placeControl(new QWidget(parent), name, twips);
    s->setAutoFillBackground(true);
    Frm_Tickertape::setSwatchColor(s, color);
    return s;
}

} // namespace

QColor Frm_Tickertape::swatchColor(const QWidget* swatch) {
    return swatch->palette().color(QPalette::Window);
}

void Frm_Tickertape::setSwatchColor(QWidget* swatch, const QColor& color) {
    QPalette colours = swatch->palette();
    colours.setColor(QPalette::Window, color);
    swatch->setPalette(colours);
}

Frm_Tickertape::Frm_Tickertape(const Platform& platform)
    : LoadedWindow(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_platform(platform) {
    setObjectName(QStringLiteral("Frm_Tickertape"));
    setWindowTitle(QStringLiteral("TickerTape Settings"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    setFixedSize(twipsToPixels(4230), twipsToPixels(6915));
    setControlColors(this, Yellow, Qt::black);
    setAutoFillBackground(true);

    Label2 =
        label(QStringLiteral("Label2"), QStringLiteral("Enabled : :"), {240, 120, 735, 255}, this);
    tt_enabled =
        placeControl(new QCheckBox(this), QStringLiteral("tt_enabled"), {1080, 120, 255, 255});
    setControlColors(tt_enabled, Green, Qt::black);

    Frame2 = placeControl(new QGroupBox(this), QStringLiteral("Frame2"), {240, 480, 3735, 1935});
    setControlColors(Frame2, Qt::white, Qt::black);
    Text1 =
        placeControl(new QPlainTextEdit(Frame2), QStringLiteral("Text1"), {120, 240, 3495, 1575});
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setPalette(QPalette());

    Frame1 = placeControl(new QGroupBox(this), QStringLiteral("Frame1"), {240, 2520, 3735, 3495});
    setControlColors(Frame1, Yellow, Qt::black);
    label(QStringLiteral("Label1"), QStringLiteral("Speed :"), {120, 240, 735, 255}, Frame1);
    tt_speed =
        field(QStringLiteral("tt_speed"), QStringLiteral("50"), {1320, 240, 855, 285}, Frame1);
    label(QStringLiteral("Label3"), QStringLiteral("Regel Lengte :"), {120, 720, 1215, 255},
          Frame1);
    tt_regellengte = field(QStringLiteral("tt_regellengte"), QStringLiteral("50"),
                           {1320, 720, 855, 285}, Frame1);
    label(QStringLiteral("Label4"), QStringLiteral("Font :"), {120, 1080, 1215, 255}, Frame1);
    tt_font = field(QStringLiteral("tt_font"), QString(), {1320, 1080, 855, 285}, Frame1);
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Select Font"),
                      {2400, 1080, 1215, 255}, Frame1);
    label(QStringLiteral("Label5"), QStringLiteral("Font Size :"), {120, 1440, 975, 255}, Frame1);
    tt_fontsize =
        field(QStringLiteral("tt_fontsize"), QStringLiteral("25"), {1320, 1440, 855, 285}, Frame1);
    label(QStringLiteral("Label6"), QStringLiteral("Background :"), {120, 1920, 1215, 255}, Frame1);
    Picture1 = swatch(QStringLiteral("Picture1"), Qt::black, {1320, 1920, 855, 255}, Frame1);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Select color"),
                      {2400, 1920, 1215, 255}, Frame1);
    label(QStringLiteral("Label7"), QStringLiteral("Letter color :"), {120, 2400, 975, 255},
          Frame1);
    Picture2 = swatch(QStringLiteral("Picture2"), Qt::white, {1320, 2400, 855, 255}, Frame1);
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("Select color"),
                      {2400, 2400, 1215, 255}, Frame1);
    label(QStringLiteral("Label9"), QStringLiteral("Position :"), {360, 2880, 735, 255}, Frame1);
    tt_position =
        field(QStringLiteral("tt_position"), QStringLiteral("0"), {1320, 2880, 855, 285}, Frame1);
    Command1 =
        button(QStringLiteral("Command1"), QStringLiteral("Save"), {3000, 6240, 975, 495}, this);

    // Keyboard order: "Save" first, then as the layout numbers them.
    const QList<QWidget*> order = {Command1,    Command4, Command3,       Command2,
                                   tt_fontsize, tt_font,  tt_regellengte, tt_speed,
                                   tt_position, Text1,    tt_enabled};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Frm_Tickertape::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Frm_Tickertape::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Frm_Tickertape::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Frm_Tickertape::Command4_Click);
    connect(tt_enabled, &QCheckBox::clicked, this, &Frm_Tickertape::tt_enabled_Click);
}

QString Frm_Tickertape::controlValue(const TickerKey& key) const {
    switch (key.kind) {
    case TickerKey::Kind::CheckBox:
        return tt_enabled->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case TickerKey::Kind::Colour:
        return QString::number(bgrFromColor(swatchColor(swatchFor(key))));
    default:
        return findChild<QLineEdit*>(key.key())->text();
    }
}

void Frm_Tickertape::setControlValue(const TickerKey& key, const QString& value) {
    switch (key.kind) {
    case TickerKey::Kind::CheckBox: {
        const Converted<std::int16_t> state = toInt16(value);
        tt_enabled->setChecked(state.ok() && state.value != 0);
        break;
    }
    case TickerKey::Kind::Colour:
        // A stored value that names no colour leaves the swatch as it is.
        if (const auto colour = storedColor(value))
            setSwatchColor(swatchFor(key), *colour);
        break;
    default:
        findChild<QLineEdit*>(key.key())->setText(value);
    }
}

QWidget* Frm_Tickertape::swatchFor(const TickerKey& key) const {
    return &key == &TickerKeys::BackColor ? Picture1 : Picture2;
}

void Frm_Tickertape::Form_Load() {
    m_tickerPath = TickerFile::pathIn(m_platform.programFolder);
    const TickerFile::Loaded loaded = TickerFile::load(m_tickerPath);
    Text1->setPlainText(loaded.text);

    for (const TickerKey* key : TickerKeys::All) {
        if (!key->inDialog)
            continue;
        const QString fallback =
            key->dialogDefault ? QString::fromLatin1(key->dialogDefault) : controlValue(*key);
        setControlValue(*key, m_platform.store->ReadSetting(key->key(), fallback));
    }
    tt_enabled_Click();

    if (!loaded.error.isEmpty())
        m_platform.warn(this, windowTitle(),
                        tr("%1 cannot be read (%2), so the text below starts empty. \"Save\" "
                           "replaces it with a file holding what you type.")
                            .arg(QDir::toNativeSeparators(m_tickerPath), loaded.error));
    else if (loaded.truncated)
        m_platform.warn(this, windowTitle(),
                        tr("%1 is larger than 1 MiB. Only its first 1 MiB is shown and run by "
                           "the ticker; \"Save\" keeps only what is shown.")
                            .arg(QDir::toNativeSeparators(m_tickerPath)));
}

QString Frm_Tickertape::invalidFieldMessage() const {
    for (const TickerKey* key : TickerKeys::All) {
        // A field the operator cannot edit (greyed out with the ticker disabled) is stored as
        // it stands, and never blocks the save.
        const QWidget* control = findChild<QWidget*>(key->key());
        if (!key->inDialog || !control || !control->isEnabled())
            continue;
        if (const QString problem = key->problemWith(controlValue(*key)); !problem.isEmpty())
            return problem;
    }
    return QString();
}

void Frm_Tickertape::Command1_Click() {
    // Nothing is written unless everything can be: first the values, then the file.
    const QString invalid = invalidFieldMessage();
    if (!invalid.isEmpty()) {
        m_platform.warn(this, windowTitle(), tr("Not saved. ") + invalid);
        return;
    }
    m_tickerPath = TickerFile::pathIn(m_platform.programFolder);
    QString text = Text1->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const TickerFile::WriteResult written = TickerFile::write(m_tickerPath, text);
    if (!written.ok) {
        m_platform.warn(this, windowTitle(),
                        tr("Not saved: %1 could not be written (%2). Your changes are still "
                           "here.")
                            .arg(QDir::toNativeSeparators(m_tickerPath), written.error));
        return;
    }

    QList<QPair<QString, QString>> values;
    for (const TickerKey* key : TickerKeys::All) {
        if (key->inDialog)
            values.append({key->key(), controlValue(*key)});
    }
    if (!m_platform.store->WriteSettings(values)) {
        m_platform.warn(this, windowTitle(),
                        tr("The text was saved, but the settings could not be saved to %1. "
                           "Your changes are still here; \"Save\" tries again.")
                            .arg(QDir::toNativeSeparators(m_platform.store->location())));
        return;
    }
    emit saved();
    unload();
}

void Frm_Tickertape::chooseColor(QWidget* swatch) {
    // Cancel leaves the swatch as it was.
    if (const auto chosen = m_platform.chooseColour(m_lastColor, this)) {
        m_lastColor = *chosen;
        setSwatchColor(swatch, *chosen);
    }
}

void Frm_Tickertape::Command2_Click() {
    chooseColor(Picture1);
}

void Frm_Tickertape::Command3_Click() {
    chooseColor(Picture2);
}

void Frm_Tickertape::Command4_Click() {
    emit fontPickerRequested();
}

void Frm_Tickertape::tt_enabled_Click() {
    const bool enabled = tt_enabled->isChecked();
    Frame1->setEnabled(enabled);
    Frame2->setEnabled(enabled);
}

} // namespace kalvora
