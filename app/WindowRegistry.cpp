#include "app/WindowRegistry.h"

#include "about/Frm_info.h"
#include "app/Form1.h"
#include "app/Preview.h"
#include "pattern/Display.h"
#include "ticker/Fonts.h"
#include "ticker/Frm_Tickertape.h"

#include <QLabel>
#include <QLineEdit>

namespace kalvora {

WindowRegistry::WindowRegistry(Platform platform, std::function<void()> onLastWindowGone)
    : m_platform(std::move(platform)), m_onLastWindowGone(std::move(onLastWindowGone)) {}

WindowRegistry::~WindowRegistry() {
    // Windows still loaded when the registry goes (a test ending) go with it, silently.
    m_onLastWindowGone = {};
    delete m_preview;
    delete m_about;
    delete m_fonts;
    delete m_tickerDialog;
    delete m_form1;
    delete m_display2;
    delete m_display;
}

bool WindowRegistry::anyWindowLoaded() const {
    return m_form1 || m_display || m_display2 || m_tickerDialog || m_fonts || m_about ||
           m_preview;
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
        track(m_form1, new Form1(*this, m_platform));
        // A window loaded but never shown (the ticker dialog, loaded unseen to take a picked
        // font) would keep the program running with nothing on the screen to end it.
        connect(m_form1, &LoadedWindow::unloaded, this, [this] {
            // The preview shows what the panel puts on air: it goes with the panel.
            if (m_preview)
                m_preview->unload();
            for (LoadedWindow* window : {static_cast<LoadedWindow*>(m_tickerDialog),
                                         static_cast<LoadedWindow*>(m_fonts),
                                         static_cast<LoadedWindow*>(m_about)})
                if (window && !window->isVisible())
                    window->unload();
        });
        m_form1->Form_Load();
    }
    return *m_form1;
}

Display& WindowRegistry::display() {
    if (!m_display) {
        track(m_display, new Display);
        connect(m_display, &Display::loaded, this, [this](int heightTwips, int widthTwips) {
            if (m_form1) {
                m_form1->Label1->setText(QString::number(heightTwips));
                m_form1->Label2->setText(QString::number(widthTwips));
            }
        });
        m_display->Form_Load();
    }
    return *m_display;
}

display2& WindowRegistry::pattern2() {
    if (!m_display2)
        track(m_display2, new display2);
    return *m_display2;
}

Frm_Tickertape& WindowRegistry::tickerDialog() {
    if (!m_tickerDialog) {
        track(m_tickerDialog, new Frm_Tickertape(m_platform));
        connect(m_tickerDialog, &Frm_Tickertape::saved, this, [this] {
            if (m_form1) {
                m_form1->Lees_TT_Settings();
                m_form1->ticker.startIfEnabledAndStopped();
            }
        });
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
    if (!m_preview)
        track(m_preview, new Preview(*m_platform.store, [this] {
                  return m_form1 ? m_form1->onAir() : OnAir{nullptr, QString()};
              }));
    return *m_preview;
}

Frm_info& WindowRegistry::about() {
    if (!m_about)
        track(m_about, new Frm_info(m_platform));
    return *m_about;
}

} // namespace kalvora
