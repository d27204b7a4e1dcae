#include "tickerdialog/Frm_Tickertape.h"

#include "pictures/Pictures.h"
#include "platform/Controls.h"
#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"
#include "ticker/TickerFile.h"
#include "ticker/TickerSettings.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <cmath>
#include <optional>

namespace kalvora {

namespace {

// A colour sample: its background is the only record of the colour. The thin light box keeps a
// black sample visible on the black frame.
QWidget* swatch(QWidget* parent, const QString& name, const QColor& color, const QRect& twips) {
    auto* sample = placeControl(new QFrame(parent), name, twips);
    sample->setFrameStyle(QFrame::Box | QFrame::Plain);
    sample->setAutoFillBackground(true);
    QPalette colours = sample->palette();
    colours.setColor(QPalette::WindowText, QColor(160, 160, 160));
    sample->setPalette(colours);
    Frm_Tickertape::setSwatchColor(sample, color);
    return sample;
}

// A text box lays out a paragraph whole at every keystroke, which for the one 1 MiB line a big
// TickerTape.txt gives costs a large fraction of a second. A long text is therefore shown in
// paragraphs of about this many characters, split at a blank; the splits are marked on the
// paragraphs that continue the one before, and are not part of the text.
constexpr qsizetype ParagraphLength = 2000;
constexpr int ContinuesTheLineBefore = 1;

} // namespace

void Frm_Tickertape::setTickerText(const QString& text) {
    if (text.size() <= ParagraphLength) {
        Text1->setPlainText(text);
        return;
    }
    QString shown;
    shown.reserve(text.size() + text.size() / ParagraphLength + 1);
    QList<qsizetype> splits;
    qsizetype from = 0;
    while (text.size() - from > ParagraphLength) {
        qsizetype end = text.lastIndexOf(QLatin1Char(' '), from + ParagraphLength);
        end = end > from ? end + 1 : from + ParagraphLength;
        shown += QStringView(text).mid(from, end - from);
        shown += QLatin1Char('\n');
        from = end;
    }
    shown += QStringView(text).mid(from);
    Text1->setPlainText(shown);
    for (QTextBlock block = Text1->document()->begin().next(); block.isValid();
         block = block.next())
        block.setUserState(ContinuesTheLineBefore);
}

QString Frm_Tickertape::tickerText() const {
    // The operator's line breaks are CR LF in the file; the display's own splits are nothing.
    QString text;
    for (QTextBlock block = Text1->document()->begin(); block.isValid(); block = block.next()) {
        if (block != Text1->document()->begin() && block.userState() != ContinuesTheLineBefore)
            text += QStringLiteral("\r\n");
        text += block.text();
    }
    return text;
}

bool Frm_Tickertape::eventFilter(QObject* watched, QEvent* event) {
    // Backspace and Delete across a split take the character beyond it, as they would if the
    // split were not there.
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QTextCursor cursor = Text1->textCursor();
        if (!cursor.hasSelection() && key->modifiers() == Qt::NoModifier) {
            const QTextBlock block = cursor.block();
            const bool backOverSplit = key->key() == Qt::Key_Backspace && cursor.atBlockStart() &&
                                       block.userState() == ContinuesTheLineBefore;
            const bool forwardOverSplit = key->key() == Qt::Key_Delete && cursor.atBlockEnd() &&
                                          block.next().isValid() &&
                                          block.next().userState() == ContinuesTheLineBefore;
            if (backOverSplit || forwardOverSplit) {
                cursor.movePosition(backOverSplit ? QTextCursor::Left : QTextCursor::Right);
                key->key() == Qt::Key_Backspace ? cursor.deletePreviousChar() : cursor.deleteChar();
                Text1->setTextCursor(cursor);
                return true;
            }
        }
    }
    return LoadedWindow::eventFilter(watched, event);
}

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
    setWindowTitle(tr("TickerTape Settings"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::Icon)));
    setFixedSize(twipsToPixels(4230), twipsToPixels(6915));
    setControlColors(this, Colours::Yellow, Qt::black);
    setAutoFillBackground(true);

    Label2 = makeLabel(this, QStringLiteral("Label2"), tr("Enabled : :"), {240, 120, 735, 255},
                       Colours::Yellow, Qt::black);
    tt_enabled =
        placeControl(new QCheckBox(this), QStringLiteral("tt_enabled"), {1080, 120, 255, 255});
    setInputColors(tt_enabled, Colours::Green, Qt::black);

    Frame2 = placeControl(new QGroupBox(this), QStringLiteral("Frame2"), {240, 480, 3735, 1935});
    setControlColors(Frame2, Qt::white, Qt::black);
    Text1 =
        placeControl(new QPlainTextEdit(Frame2), QStringLiteral("Text1"), {120, 240, 3495, 1575});
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the box: a TAB character would go on air as a gap.
    Text1->setTabChangesFocus(true);
    Text1->installEventFilter(this);
    // The system's text colours, black on white, not the frame's white on black.
    setInputColors(Text1, Qt::black, Qt::white);

    Frame1 = placeControl(new QGroupBox(this), QStringLiteral("Frame1"), {240, 2520, 3735, 3495});
    setControlColors(Frame1, Colours::Yellow, Qt::black);
    const auto label = [this](const char* name, const QString& text, const QRect& twips) {
        makeLabel(Frame1, QString::fromLatin1(name), text, twips, Colours::Yellow, Qt::black);
    };
    const auto field = [this](const TickerKey& key, const QRect& twips) {
        return makeField(Frame1, key.key(), key.dialogDefaultText(), twips, Colours::Green);
    };
    label("Label1", tr("Speed :"), {120, 240, 735, 255});
    tt_speed = field(TickerKeys::Speed, {1320, 240, 855, 285});
    label("Label3", tr("Regel Lengte :"), {120, 720, 1215, 255});
    tt_regellengte = field(TickerKeys::Regellengte, {1320, 720, 855, 285});
    label("Label4", tr("Font :"), {120, 1080, 1215, 255});
    tt_font = field(TickerKeys::Font, {1320, 1080, 855, 285});
    Command4 =
        makeButton(Frame1, QStringLiteral("Command4"), tr("Select Font"), {2400, 1080, 1215, 255});
    label("Label5", tr("Font Size :"), {120, 1440, 975, 255});
    tt_fontsize = field(TickerKeys::FontSize, {1320, 1440, 855, 285});
    label("Label6", tr("Background :"), {120, 1920, 1215, 255});
    Picture1 =
        swatch(Frame1, QStringLiteral("Picture1"),
               *storedColor(TickerKeys::BackColor.dialogDefaultText()), {1320, 1920, 855, 255});
    Command2 =
        makeButton(Frame1, QStringLiteral("Command2"), tr("Select color"), {2400, 1920, 1215, 255});
    label("Label7", tr("Letter color :"), {120, 2400, 975, 255});
    Picture2 =
        swatch(Frame1, QStringLiteral("Picture2"),
               *storedColor(TickerKeys::ForeColor.dialogDefaultText()), {1320, 2400, 855, 255});
    Command3 =
        makeButton(Frame1, QStringLiteral("Command3"), tr("Select color"), {2400, 2400, 1215, 255});
    label("Label9", tr("Position :"), {360, 2880, 735, 255});
    tt_position = field(TickerKeys::Position, {1320, 2880, 855, 285});
    Command1 = makeButton(this, QStringLiteral("Command1"), tr("Save"), {3000, 6240, 975, 495});

    // Keyboard order: "Save" first, then as the layout numbers them.
    const QList<QWidget*> order = {Command1,    Command4, Command3,       Command2,
                                   tt_fontsize, tt_font,  tt_regellengte, tt_speed,
                                   tt_position, Text1,    tt_enabled};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    Command1->setFocus();
    closeOnEscape();

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
    default: {
        QLineEdit* field = findChild<QLineEdit*>(key.key());
        field->setText(value);
        field->home(false); // the start of a long value, not its end
    }
    }
}

void Frm_Tickertape::takePickedFont(const QString& name) {
    setControlValue(TickerKeys::Font, name);
}

QWidget* Frm_Tickertape::swatchFor(const TickerKey& key) const {
    return &key == &TickerKeys::BackColor ? Picture1 : Picture2;
}

void Frm_Tickertape::Form_Load() {
    m_tickerPath = TickerFile::pathIn(m_platform.programFolder);
    const TickerFile::Loaded loaded = TickerFile::load(m_tickerPath);
    setTickerText(loaded.text);

    const QHash<QString, QString> stored = m_platform.store->ReadSettings(TickerKeys::names());
    for (const TickerKey* key : TickerKeys::All)
        if (key->inDialog)
            setControlValue(*key, stored.value(key->key(), key->dialogDefaultText()));
    tt_enabled_Click();

    if (loaded.notAFile)
        m_platform.warn(this, windowTitle(),
                        tr("%1 is not a plain file (%2), so the text below starts empty and "
                           "\"Save\" cannot store it there. Move or remove what is there, "
                           "then save.")
                            .arg(QDir::toNativeSeparators(m_tickerPath), loaded.error));
    else if (!loaded.error.isEmpty())
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
    const QString text = tickerText();
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
