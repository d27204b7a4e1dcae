#pragma once

#include <QWidget>

namespace kalvora {

// A top-level window that lives from its first touch until it unloads. Unloading (by code or
// by its close box) runs the window's own closing, tells the registry and deletes the window.
class LoadedWindow : public QWidget {
    Q_OBJECT
public:
    explicit LoadedWindow(Qt::WindowFlags flags = Qt::Window);

    void unload() {
        m_unloadRequested = true;
        close();
    }
    // Escape closes the window as its close box does.
    void closeOnEscape();
    // Makes the window visible, brings it to the front and, unless it takes no keyboard
    // (Qt::WindowDoesNotAcceptFocus), activates it.
    void showInFront();

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The window's own closing, before it is gone.
    virtual void Form_Unload() {}
    // A window that only the program may unload; a close from outside (the window system, a
    // key such as Alt+F4) hides it and keeps everything in it.
    virtual bool unloadsOnlyByProgram() const { return false; }

private:
    bool m_unloadRequested = false;
};

// Fonts named in the window layouts that other systems lack, mapped to look-alikes.
void installFontSubstitutes();

} // namespace kalvora
