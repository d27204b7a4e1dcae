// Part of the smoke test on a real X server: waits for the control panel to be mapped, saves a
// screenshot of the screen, checks that the panel shows something, then presses its buttons as
// an operator would: "Scherm" brings the patterns onto this one screen, "Kalvora 1",
// "Kalvora 2" and "Kalvora 1" again must each bring their pattern to the front, and the
// keyboard must stay with the panel. Last it asks the panel to close the way a window
// manager's close button does (WM_DELETE_WINDOW).
//
// With --warning the settings file is swapped for a folder while the operator types into the
// call-sign field: the warning that the keystroke could not be saved must come up without
// taking the keyboard from the field.
//
//   x11_smoke_helper SCREENSHOT.png [--warning]

#define KALVORA_X11_SCREEN
#include "ScreenPictures.h"

#include <QImage>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using kalvora::test::grabScreen;

namespace {

// The first window shown on the screen with this title.
Window findByName(::Display* display, Window window, const char* name) {
    char* title = nullptr;
    if (XFetchName(display, window, &title) && title) {
        const bool match = std::strcmp(title, name) == 0;
        XFree(title);
        XWindowAttributes attributes;
        if (match && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable)
            return window;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = findByName(display, children[i], name);
    if (children)
        XFree(children);
    return found;
}

// Waits up to `attempts` tenths of a second for a window with this title to be shown.
Window waitForWindow(::Display* display, const char* name, int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (const Window found = findByName(display, DefaultRootWindow(display), name))
            return found;
        usleep(100 * 1000);
    }
    return 0;
}

void click(::Display* display, QPoint at) {
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    usleep(600 * 1000);
}

// Whether `window` is `ancestor` or lies inside it.
bool isWithin(::Display* display, Window window, Window ancestor) {
    if (window == None || window == PointerRoot)
        return false;
    while (window && window != ancestor) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (window == root)
            return false;
        window = parent;
    }
    return window == ancestor;
}

} // namespace

int main(int argc, char** argv) {
    const bool warning = argc == 3 && std::strcmp(argv[2], "--warning") == 0;
    if (argc != 2 && !warning) {
        std::fprintf(stderr, "usage: x11_smoke_helper SCREENSHOT.png [--warning]\n");
        return 2;
    }
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "smoke: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const Window panel = waitForWindow(display, "Kalvora Generator", 300);
    if (!panel) {
        std::fprintf(stderr, "smoke: the control panel did not appear\n");
        return 1;
    }
    if (warning) {
        XMoveWindow(display, panel, 1000, 700);
        XSync(display, False);
        usleep(500 * 1000);
        int left = 0, top = 0;
        Window child = 0;
        XTranslateCoordinates(display, panel, DefaultRootWindow(display), 0, 0, &left, &top,
                              &child);
        XWindowAttributes panelAttributes;
        XGetWindowAttributes(display, panel, &panelAttributes);
        const int menu = panelAttributes.height - 194;
        click(display, QPoint(left + 52, top + menu + 76)); // into Text1
        const auto type = [display](KeySym symbol) {
            const KeyCode code = XKeysymToKeycode(display, symbol);
            XTestFakeKeyEvent(display, code, True, CurrentTime);
            XTestFakeKeyEvent(display, code, False, CurrentTime);
            XSync(display, False);
            usleep(300 * 1000);
        };
        type(XK_a);
        const std::string settings =
            std::string(std::getenv("XDG_CONFIG_HOME")) + "/Kalvora/Kalvora.ini";
        std::filesystem::remove(settings);
        std::filesystem::create_directory(settings);
        type(XK_b);
        const Window box = waitForWindow(display, "Kalvora", 100);
        usleep(500 * 1000);
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (!box) {
            std::fprintf(stderr, "smoke: no warning about the unreadable settings\n");
            return 1;
        }
        if (!isWithin(display, focus, panel)) {
            std::fprintf(stderr, "smoke: the warning took the keyboard from the panel\n");
            return 1;
        }
        std::printf("smoke: the warning came up and the keyboard stayed with the panel\n");
    }

    // Out of the way of the patterns, which "Scherm" brings to the top-left corner.
    XMoveWindow(display, panel, 1000, 700);
    XSync(display, False);
    usleep(1000 * 1000); // let it paint

    const QImage screen = grabScreen(display);
    if (screen.isNull()) {
        std::fprintf(stderr, "smoke: cannot read the screen\n");
        return 1;
    }
    screen.save(QString::fromLocal8Bit(argv[1]));

    int left = 0, top = 0;
    Window child = 0;
    XTranslateCoordinates(display, panel, root, 0, 0, &left, &top, &child);
    XWindowAttributes panelAttributes;
    XGetWindowAttributes(display, panel, &panelAttributes);
    const QImage shown = screen.copy(left, top, panelAttributes.width, panelAttributes.height);
    int yellow = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            yellow += qRed(shown.pixel(x, y)) > 200 && qGreen(shown.pixel(x, y)) > 200 &&
                      qBlue(shown.pixel(x, y)) < 80;
    if (yellow < 50) {
        std::fprintf(stderr, "smoke: the control panel shows no yellow field text\n");
        return 1;
    }

    // The buttons, from their places in the client area below the menu bar (194 px high).
    const int menu = panelAttributes.height - 194;
    const QPoint kalvora1(left + 48, top + menu + 20), kalvora2(left + 132, top + menu + 20),
        scherm(left + 132, top + menu + 140);
    const QRect corner(20, 20, 200, 120); // the same on both patterns' pictures, apart from that
    click(display, scherm);
    click(display, kalvora1);
    const QImage first = grabScreen(display).copy(corner);
    click(display, kalvora2);
    const QImage second = grabScreen(display).copy(corner);
    click(display, kalvora1);
    const QImage again = grabScreen(display).copy(corner);
    if (first == second) {
        std::fprintf(stderr, "smoke: \"Kalvora 2\" did not bring pattern 2 to the front\n");
        return 1;
    }
    if (again != first) {
        std::fprintf(stderr, "smoke: \"Kalvora 1\" did not bring pattern 1 back to the front\n");
        return 1;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (!isWithin(display, focus, panel)) {
        std::fprintf(stderr, "smoke: showing a pattern took the keyboard from the panel\n");
        return 1;
    }

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = panel;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, panel, False, NoEventMask, &close);
    XFlush(display);
    XCloseDisplay(display);
    std::printf("smoke: panel %dx%d at %d,%d; patterns came to the front in turn, the keyboard "
                "stayed with the panel; screenshot %s\n",
                panelAttributes.width, panelAttributes.height, left, top, argv[1]);
    return 0;
}
