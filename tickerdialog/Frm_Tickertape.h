#pragma once

#include "platform/LoadedWindow.h"
#include "platform/Platform.h"

#include <QColor>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kalvora {

struct SettingKey;

// "TickerTape Settings": the ticker's text (TickerTape.txt) and its stored settings. "Save"
// writes both and closes the window; the store announces the new settings to the ticker.
class Frm_Tickertape : public LoadedWindow {
    Q_OBJECT
public:
    explicit Frm_Tickertape(const Platform& platform);

    void Form_Load();
    void Command1_Click(); // Save
    void Command2_Click(); // background colour
    void Command3_Click(); // letter colour
    void Command4_Click(); // font picker
    void tt_enabled_Click();
    // The font picker's choice, into the font field.
    void takePickedFont(const QString& name);

    QLabel* Label2;
    QCheckBox* tt_enabled;
    QGroupBox* Frame2;
    QPlainTextEdit* Text1;
    QGroupBox* Frame1;
    QLineEdit* tt_speed;
    QLineEdit* tt_regellengte;
    QLineEdit* tt_font;
    QPushButton* Command4;
    QLineEdit* tt_fontsize;
    QWidget* Picture1; // background swatch
    QPushButton* Command2;
    QWidget* Picture2; // letter-colour swatch
    QPushButton* Command3;
    QLineEdit* tt_position;
    QPushButton* Command1;

    static QColor swatchColor(const QWidget* swatch);
    static void setSwatchColor(QWidget* swatch, const QColor& color);

signals:
    void fontPickerRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The ticker text into the text box and back, with the operator's line breaks as CR LF.
    void setTickerText(const QString& text);
    QString tickerText() const;
    void chooseColor(QWidget* swatch);
    // A ticker key's value as its control shows it, and the other way round.
    QString controlValue(const SettingKey& key) const;
    void setControlValue(const SettingKey& key, const QString& value);
    QWidget* swatchFor(const SettingKey& key) const;
    // The first field whose value the ticker cannot use, with what it accepts; empty if none.
    QString invalidFieldMessage() const;

    const Platform& m_platform;
    QString m_tickerPath;
    // The colour chooser's memory: the last colour confirmed in this window, or black.
    QColor m_lastColor = Qt::black;
};

} // namespace kalvora
