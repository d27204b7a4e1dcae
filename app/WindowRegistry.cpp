#include "app/WindowRegistry.h"

#include "about/Frm_info.h"
#include "app/Broadcast.h"
#include "app/Form1.h"
#include "app/Frm_Uitzenden.h"
#include "app/Preview.h"
#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/TickerStrip.h"
#include "station/Station.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QLabel>
#include <QLineEdit>

namespace kalvora {

WindowRegistry::WindowRegistry(Station& station, Platform platform,
                               std::function<void()> onLastWindowGone)
    : m_station(station), m_platform(std::move(platform)),
      m_onLastWindowGone(std::move(onLastWindowGone)) {
    connect(&station, &Station::patternRequested, this, [this](int pattern) {
        if (pattern == 1)
            display().showInFront();
        else
            pattern2().showInFront();
    });
    connect(&station, &Station::outputChanged, this, &WindowRegistry::placePatterns);
    // The stream carries what the transmitter shows: the pattern on air, or else the one in
    // front, or else the test card.
    const auto streamed = [this] {
        const int onAir = m_station.onAir().pattern;
        return onAir ? onAir : m_station.patternInFront() ? m_station.patternInFront() : 1;
    };
    m_broadcast = std::make_unique<Broadcast>(
        station, *m_platform.store,
        [this, streamed]() -> const QImage& {
            return streamed() == 2 ? pattern2().frames().frame() : display().frames().frame();
        },
        [this, streamed] { return m_station.text(streamed() == 2 ? 3 : 1).trimmed(); });
    connect(m_broadcast.get(), &Broadcast::statusChanged, this, [this] {
        if (m_form1)
            m_form1->showBroadcastStatus(m_broadcast->wanted() ? m_broadcast->statusText()
                                                               : QString());
    });
    connect(&station, &Station::onAirChanged, this, &WindowRegistry::showOnAirEverywhere);
}

WindowRegistry::~WindowRegistry() {
    // Windows still loaded when the registry goes (a test ending) go with it, silently.
    m_onLastWindowGone = {};
    m_station.ticker.setView(nullptr);
    m_broadcast->disconnect(this); // its last word, that it stopped, finds nobody to show it
    m_broadcast.reset();
    delete m_broadcastDialog;
    delete m_preview;
    delete m_about;
    delete m_fonts;
    delete m_tickerDialog;
    delete m_form1;
    delete m_display2;
    delete m_display;
}

bool WindowRegistry::anyWindowLoaded() const {
    return m_form1 || m_display || m_display2 || m_tickerDialog || m_fonts || m_about || m_preview;
}

template <typename Window> void WindowRegistry::track(Window*& slot, Window* window) {
    slot = window;
    // Forget the window the moment it unloads, so that the next touch loads a fresh one.
    connect(window, &LoadedWindow::unloaded, this, [this, &slot, window] {
        if (slot != window)
            return;
        slot = nullptr;
        if (!anyWindowLoaded() && m_onLastWindowGone)
            m_onLastWindowGone();
    });
}

Form1& WindowRegistry::form1() {
    if (!m_form1) {
        track(m_form1, new Form1(m_station));
        connect(m_form1, &Form1::windowRequested, this, [this](Form1::Window window) {
            switch (window) {
            case Form1::Window::Preview:
                preview().showInFront();
                break;
            case Form1::Window::Broadcast:
                broadcastDialog().showInFront();
                break;
            case Form1::Window::TickerSettings:
                tickerDialog().showInFront();
                break;
            case Form1::Window::About:
                about().showInFront();
                break;
            }
        });
        connect(m_form1, &Form1::closing, this, &WindowRegistry::takePatternsDown);
        // A window loaded but never shown (the ticker dialog, loaded unseen to take a picked
        // font) would keep the program running with nothing on the screen to end it.
        connect(m_form1, &LoadedWindow::unloaded, this, [this] {
            // The preview and the stream show what the panel puts on air: they go with it.
            m_broadcast->stop();
            if (m_preview)
                m_preview->unload();
            if (m_broadcastDialog)
                m_broadcastDialog->unload();
            for (LoadedWindow* window :
                 {static_cast<LoadedWindow*>(m_tickerDialog), static_cast<LoadedWindow*>(m_fonts),
                  static_cast<LoadedWindow*>(m_about)})
                if (window && !window->isVisible())
                    window->unload();
        });
        m_form1->Form_Load();
        // Both patterns wait, hidden, where the station puts them.
        display();
        pattern2();
    }
    return *m_form1;
}

void WindowRegistry::takePatternsDown() {
    for (PatternWindow* pattern : {loadedPattern(1), loadedPattern(2)})
        if (pattern)
            pattern->hide();
    for (PatternWindow* pattern : {loadedPattern(1), loadedPattern(2)})
        if (pattern)
            pattern->unload();
}

PatternWindow* WindowRegistry::loadedPattern(int pattern) const {
    if (pattern == 1)
        return m_display;
    if (pattern == 2)
        return m_display2;
    return nullptr;
}

void WindowRegistry::connectPattern(PatternWindow& window, int pattern) {
    window.setOutputPlace(m_station.outputPlace());
    connect(&window, &PatternWindow::visibilityChanged, this,
            [this, &window, pattern] { m_station.setPatternShown(pattern, window.isVisible()); });
    connect(&window, &LoadedWindow::unloaded, this,
            [this, pattern] { m_station.setPatternShown(pattern, false); });
    showOnAirEverywhere();
}

void WindowRegistry::placePatterns() {
    const OutputPlace place = m_station.outputPlace();
    for (PatternWindow* pattern : {loadedPattern(1), loadedPattern(2)})
        if (pattern)
            pattern->setOutputPlace(place);
}

void WindowRegistry::showOnAirEverywhere() {
    PatternWindow* front = loadedPattern(m_station.patternInFront());
    for (PatternWindow* pattern : {loadedPattern(1), loadedPattern(2)})
        if (pattern)
            pattern->showFramesOf(front);
}

Display& WindowRegistry::display() {
    if (!m_display) {
        track(m_display, new Display);
        Display& view = *m_display;
        connect(&view, &Display::loaded, this, [this](int heightTwips, int widthTwips) {
            if (m_form1) {
                m_form1->Label1->setText(QString::number(heightTwips));
                m_form1->Label2->setText(QString::number(widthTwips));
            }
        });
        // Whatever the station shows now, then every change.
        view.Label1->setCaption(m_station.text(1));
        view.Label2->setCaption(m_station.secondLine());
        if (!m_station.timeText().isEmpty()) {
            view.Label3->setCaption(m_station.timeText());
            view.Label4->setCaption(m_station.dateText());
        }
        connect(&m_station, &Station::textChanged, &view, [&view](int field, const QString& text) {
            if (field == 1)
                view.Label1->setCaption(text);
        });
        connect(&m_station, &Station::secondLineChanged, view.Label2, &Caption::setCaption);
        connect(&m_station, &Station::timeChanged, &view,
                [&view](const QString& time, const QString& date) {
                    view.Label3->setCaption(time);
                    view.Label4->setCaption(date);
                });
        m_station.ticker.setView(view.Picture1);
        connect(&view, &LoadedWindow::unloaded, this,
                [this] { m_station.ticker.setView(nullptr); });
        connectPattern(view, 1);
        view.Form_Load();
    }
    return *m_display;
}

display2& WindowRegistry::pattern2() {
    if (!m_display2) {
        track(m_display2, new display2);
        display2& view = *m_display2;
        const auto showText = [&view](int field, const QString& text) {
            if (field == 3)
                view.Label1->setCaption(text);
            else if (field == 4)
                view.Label2->setCaption(text);
        };
        showText(3, m_station.text(3));
        showText(4, m_station.text(4));
        connect(&m_station, &Station::textChanged, &view, showText);
        connectPattern(view, 2);
    }
    return *m_display2;
}

Frm_Tickertape& WindowRegistry::tickerDialog() {
    if (!m_tickerDialog) {
        track(m_tickerDialog, new Frm_Tickertape(m_platform));
        connect(m_tickerDialog, &Frm_Tickertape::fontPickerRequested, this,
                [this] { fonts().showInFront(); });
        m_tickerDialog->Form_Load();
    }
    return *m_tickerDialog;
}

Fonts& WindowRegistry::fonts() {
    if (!m_fonts) {
        track(m_fonts, new Fonts(m_platform));
        // A pick after the dialog has gone loads it again, unseen, to take the name.
        connect(m_fonts, &Fonts::fontPicked, this, [this](const QString& name) {
            Frm_Tickertape& dialog = tickerDialog();
            dialog.takePickedFont(name);
            // With the control panel gone nobody could show it again, and an unseen window
            // would keep the program running for ever: show it.
            if (!m_form1)
                dialog.showInFront();
        });
        m_fonts->Form_Load();
    }
    return *m_fonts;
}

Preview& WindowRegistry::preview() {
    if (!m_preview) {
        track(m_preview, new Preview(*m_platform.store, m_station.clock(), [this] {
                  const OnAir onAir = m_station.onAir();
                  return PreviewPicture{loadedPattern(onAir.pattern), onAir.whyNothing};
              }));
        m_preview->setStatusSource(
            [this] { return m_broadcast->wanted() ? m_broadcast->statusText() : QString(); });
    }
    return *m_preview;
}

Frm_Uitzenden& WindowRegistry::broadcastDialog() {
    if (!m_broadcastDialog)
        track(m_broadcastDialog, new Frm_Uitzenden(m_platform, *m_broadcast));
    return *m_broadcastDialog;
}

Frm_info& WindowRegistry::about() {
    if (!m_about)
        track(m_about, new Frm_info(m_platform));
    return *m_about;
}

} // namespace kalvora
