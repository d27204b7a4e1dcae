#pragma once

#include "platform/LoadedWindow.h"

#include <QString>
#include <QTimer>
#include <functional>

namespace kalvora {

class PatternWindow;
class SettingsStore;

// What the transmitter's screen shows of ours: a pattern, or nothing and why.
struct OnAir {
    PatternWindow* pattern = nullptr;
    QString whyNothing;
};

// "Voorbeeld": a small window on the operator's side that shows what is on air now, the
// pattern in front or "nothing on air", ten times a second. It can be sized and placed at will;
// its place comes back at the next start (the setting "preview_geometry").
class Preview : public LoadedWindow {
    Q_OBJECT
public:
    // `onAir` says what the transmitter shows now.
    Preview(SettingsStore& store, std::function<OnAir()> onAir);

    static constexpr auto GeometryKey = "preview_geometry";
    static constexpr int RefreshMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void Form_Unload() override;

private:
    void storeGeometry();

    SettingsStore& m_store;
    std::function<OnAir()> m_onAir;
    QTimer m_refresh;
    // Moving or sizing by hand gives many events; the place is stored once they stop.
    QTimer m_settle;
};

} // namespace kalvora
