#include "app/WindowRegistry.h"

#include "about/Frm_info.h"
#include "app/Broadcast.h"
#include "app/Form1.h"
#include "app/Frm_Uitzenden.h"
#include "app/Preview.h"
#include "app/RemoteControl.h"
#include "app/RemoteWindow.h"
#include "app/StationStream.h"
#include "pattern/CardWindows.h"
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
    connect(&station, &Station::cardRequested, this, [this](const QString& card) {
        if (PatternWindow* window = cardWindow(card))
            window->showInFront();
    });
    connect(&station, &Station::outputChanged, this, &WindowRegistry::placePatterns);
    m_broadcast = std::make_unique<Broadcast>(station, *m_platform.store);
    m_remote = std::make_unique<RemoteControl>(station, *m_platform.store);
    m_remote->setStream({[this] { return remoteState(m_broadcast->output()); },
                         [this] { return m_broadcast->start(); }, [this] { m_broadcast->stop(); }});
    connect(m_broadcast.get(), &Broadcast::statusChanged, this, [this] {
        if (m_form1)
            m_form1->showBroadcastStatus(m_broadcast->wanted() ? m_broadcast->statusText()
                                                               : QString());
    });
    connect(&station, &Station::onAirChanged, this, &WindowRegistry::showOnAirEverywhere);
    connect(&station, &Station::standbyChanged, this, &WindowRegistry::followStandby);
}

void WindowRegistry::followStandby(bool standby) {
    // In standby the transmitter's screen shows nothing of ours; on air again, what it showed.
    if (standby) {
        m_shownBeforeStandby.clear();
        for (PatternWindow* pattern : loadedCardWindows())
            if (pattern->isVisible()) {
                m_shownBeforeStandby << pattern;
                pattern->hide();
            }
        return;
    }
    for (const QPointer<PatternWindow>& pattern : std::as_const(m_shownBeforeStandby))
        if (pattern)
            pattern->show();
    m_shownBeforeStandby.clear();
}

WindowRegistry::~WindowRegistry() {
    // Windows still loaded when the registry goes (a test ending) go with it, silently.
    m_onLastWindowGone = {};
    m_station.setTickerView(nullptr);
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
            case Form1::Window::Remote: {
                auto* window = new RemoteWindow(*m_remote, *m_platform.store, m_form1);
                window->setAttribute(Qt::WA_DeleteOnClose);
                window->open();
                break;
            }
            }
        });
        connect(m_form1, &Form1::closing, this, &WindowRegistry::takePatternsDown);
        // A window loaded but never shown (the ticker dialog, loaded unseen to take a picked
        // font) would keep the program running with nothing on the screen to end it.
        connect(m_form1, &LoadedWindow::unloaded, this, [this] {
            // The preview and the stream show what the panel puts on air: they go with it.
            m_broadcast->stop();
            m_remote->stopServing();
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

QList<PatternWindow*> WindowRegistry::loadedCardWindows() const {
    QList<PatternWindow*> windows;
    for (PatternWindow* window :
         {static_cast<PatternWindow*>(m_display), static_cast<PatternWindow*>(m_display2)})
        if (window)
            windows << window;
    return windows;
}

void WindowRegistry::takePatternsDown() {
    for (PatternWindow* pattern : loadedCardWindows())
        pattern->hide();
    for (PatternWindow* pattern : loadedCardWindows())
        pattern->unload();
}

PatternWindow* WindowRegistry::loadedCardWindow(const QString& card) const {
    if (card == Cards::TestCard)
        return m_display;
    if (card == Cards::ColourBars)
        return m_display2;
    return nullptr;
}

PatternWindow* WindowRegistry::cardWindow(const QString& card) {
    if (card == Cards::TestCard)
        return &display();
    if (card == Cards::ColourBars)
        return &pattern2();
    return nullptr;
}

void WindowRegistry::connectPattern(PatternWindow& window, const QString& card) {
    window.setOutputPlace(m_station.outputPlace());
    connect(&window, &PatternWindow::visibilityChanged, this,
            [this, &window, card] { m_station.setCardShown(card, window.isVisible()); });
    connect(&window, &LoadedWindow::unloaded, this,
            [this, card] { m_station.setCardShown(card, false); });
    showOnAirEverywhere();
}

void WindowRegistry::placePatterns() {
    const OutputPlace place = m_station.outputPlace();
    for (PatternWindow* pattern : loadedCardWindows())
        pattern->setOutputPlace(place);
}

void WindowRegistry::showOnAirEverywhere() {
    PatternWindow* front = loadedCardWindow(m_station.cardInFront());
    for (PatternWindow* pattern : loadedCardWindows())
        pattern->showFramesOf(front);
}

// The window is one of the cards' windows: captions from the station (see makeCardWindow).
template <typename Window> static Window* madeFor(const QString& card, const Station& station) {
    return static_cast<Window*>(makeCardWindow(card, station).release());
}

Display& WindowRegistry::display() {
    if (!m_display) {
        track(m_display, madeFor<Display>(Cards::TestCard, m_station));
        Display& view = *m_display;
        connect(&view, &Display::loaded, this, [this](int heightTwips, int widthTwips) {
            if (m_form1) {
                m_form1->Label1->setText(QString::number(heightTwips));
                m_form1->Label2->setText(QString::number(widthTwips));
            }
        });
        // The screens' ticker runs on this window's strip.
        m_station.setTickerView(view.Picture1);
        connect(&view, &LoadedWindow::unloaded, this, [this] { m_station.setTickerView(nullptr); });
        connectPattern(view, Cards::TestCard);
        // It shows the card the operator chose for it (or the carousel's, or the ident).
        connect(&m_station, &Station::pattern1CardChanged, &view, [this] { showChosenCard(); });
        showChosenCard();
        connect(&view, &LoadedWindow::unloaded, this, [this] { m_chosenCard = CardPicture(); });
        view.Form_Load();
    }
    return *m_display;
}

void WindowRegistry::showChosenCard() {
    const std::optional<Card> card = m_station.card(m_station.pattern1Card());
    // The test card is the window's own; a card that has gone (a picture taken away) too.
    if (!card || card->kind == Card::Kind::TestCard) {
        m_display->showCard(nullptr);
        m_chosenCard = CardPicture();
        return;
    }
    CardPicture picture = makeCardPicture(*card, Canvas::design(), m_station);
    m_display->showCard(picture.frames);
    m_chosenCard = std::move(picture);
}

display2& WindowRegistry::pattern2() {
    if (!m_display2) {
        track(m_display2, madeFor<display2>(Cards::ColourBars, m_station));
        connectPattern(*m_display2, Cards::ColourBars);
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
                  return PreviewPicture{loadedCardWindow(onAir.card), onAir.whyNothing};
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
