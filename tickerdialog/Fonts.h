#pragma once

#include "platform/LoadedWindow.h"
#include "platform/Platform.h"

class QListWidget;

namespace kalvora {

// "Fonts": the screen's font names; a double-click hands the chosen one to the ticker dialog.
class Fonts : public LoadedWindow {
    Q_OBJECT
public:
    explicit Fonts(const Platform& platform);

    void Form_Load();
    void List1_DblClick();

    QListWidget* List1;

signals:
    void fontPicked(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const Platform& m_platform;
};

} // namespace kalvora
