#pragma once

#include "clock/StationClock.h"
#include "platform/LoadedWindow.h"
#include "station/StationSettings.h"

#include <QString>
#include <QTimer>
#include <functional>

namespace kalvora {

class PatternWindow;
class SettingsStore;

// What the transmitter's screen shows of ours: a pattern window's frames, or nothing and why.
struct PreviewPicture {
    PatternWindow* pattern = nullptr;
    QString whyNothing;
};

// "Voorbeeld": a small window on the operator's side that shows what is on air now, the
// pattern in front or "nothing on air", ten times a second. It can be sized and placed at will;
// its place comes back at the next start (the setting "preview_geometry").
class Preview : public LoadedWindow {
    Q_OBJECT
public:
    // `onAir` says what the transmitter shows now; the picture is drawn again on `clock`.
    Preview(SettingsStore& store, StationClock& clock, std::function<PreviewPicture()> onAir);

    static constexpr auto GeometryKey = StationKeys::PreviewGeometry.name;
    // A line under the picture (how the stream goes); empty: none.
    void setStatusSource(std::function<QString()> status) { m_status = std::move(status); }
    static constexpr int RefreshMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void Form_Unload() override;

private:
    void storeGeometry();

    SettingsStore& m_store;
    std::function<PreviewPicture()> m_onAir;
    std::function<QString()> m_status;
    Beat m_refresh;
    // Moving or sizing by hand gives many events; the place is stored once they stop.
    QTimer m_settle;
};

} // namespace kalvora
