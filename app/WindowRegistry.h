#pragma once

#include "pattern/CardWindows.h"

#include <QPointer>

#include "platform/Platform.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace kalvora {

class Form1;
class Display;
class display2;
class Frm_Tickertape;
class Fonts;
class Frm_info;
class LoadedWindow;
class PatternWindow;
class Preview;
class Broadcast;
class RemoteControl;
class Frm_Uitzenden;
class Station;

// Owns every window of the program. A window is created, hidden, on its first touch (which
// runs its Form_Load), and forgotten when it unloads; the windows reach each other only through
// here. Each window is a view of the station: connected to it here when it is created, it
// shows what the station announces. When the last window has unloaded, the program ends.
class WindowRegistry : public QObject {
    Q_OBJECT
public:
    WindowRegistry(Station& station, Platform platform,
                   std::function<void()> onLastWindowGone = {});
    ~WindowRegistry() override;

    const Platform& platform() const { return m_platform; }
    Station& station() const { return m_station; }
    // The window of a card if it is loaded; nothing for a card without a window.
    PatternWindow* loadedCardWindow(const QString& card) const;
    // Touch: a card's window, created and loaded if it is not loaded yet.
    PatternWindow* cardWindow(const QString& card);

    // Touch: the window, created and loaded if it is not loaded yet.
    Form1& form1();
    Display& display();
    display2& pattern2();
    Frm_Tickertape& tickerDialog();
    Fonts& fonts();
    Frm_info& about();
    Preview& preview();
    Frm_Uitzenden& broadcastDialog();
    // Bestand > Uitzenden's stream of what is on air.
    Broadcast& broadcast() { return *m_broadcast; }
    // The station's web page, with Bestand > Uitzenden's stream to show and steer.
    RemoteControl& remote() { return *m_remote; }

    // The window if it is loaded, without creating it.
    Form1* loadedForm1() const { return m_form1; }
    Display* loadedDisplay() const { return m_display; }
    display2* loadedPattern2() const { return m_display2; }
    Frm_Tickertape* loadedTickerDialog() const { return m_tickerDialog; }
    Fonts* loadedFonts() const { return m_fonts; }
    Frm_info* loadedAbout() const { return m_about; }
    Preview* loadedPreview() const { return m_preview; }
    Frm_Uitzenden* loadedBroadcastDialog() const { return m_broadcastDialog; }

    bool anyWindowLoaded() const;

private:
    template <typename Window> void track(Window*& slot, Window* window);
    // The pattern windows follow the station: their place, which of them is shown in front.
    void connectPattern(PatternWindow& window, const QString& card);
    QList<PatternWindow*> loadedCardWindows() const;
    void placePatterns();
    void takePatternsDown();
    void showOnAirEverywhere();
    // Pattern 1's window shows the card chosen for it.
    void showChosenCard();
    // The patterns off the screens in standby, back as they were on air.
    void followStandby(bool standby);

    Station& m_station;
    Platform m_platform;
    std::function<void()> m_onLastWindowGone;
    Form1* m_form1 = nullptr;
    Display* m_display = nullptr;
    CardPicture m_chosenCard; // what pattern 1's window shows, where not its own test card
    QList<QPointer<PatternWindow>> m_shownBeforeStandby;
    display2* m_display2 = nullptr;
    Frm_Tickertape* m_tickerDialog = nullptr;
    Fonts* m_fonts = nullptr;
    Frm_info* m_about = nullptr;
    Preview* m_preview = nullptr;
    Frm_Uitzenden* m_broadcastDialog = nullptr;
    std::unique_ptr<Broadcast> m_broadcast;
    std::unique_ptr<RemoteControl> m_remote;
};

} // namespace kalvora
