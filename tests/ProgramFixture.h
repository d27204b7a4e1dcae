#pragma once

#include "TestSupport.h"
#include "app/Form1.h"
#include "app/ProgramParts.h"
#include "pattern/Display.h"
#include "station/Station.h"

#include <QAction>
#include <QTest>

namespace kalvora::test {

// The program as main() starts it, on a test platform.
struct Program {
    explicit Program(TestPlatform& t)
        : program(t.platform, [this] { ++lastWindowGone; }), station(program.station()),
          windows(program.windows()), panel(windows.form1()) {
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }
    kalvora::Display& pattern1() { return windows.display(); }
    // Opens a window from its menu entry, as the operator does, once it is on the screen.
    // Where the entry opens none, the test fails and goes on with the window made directly,
    // rather than the whole test program ending.
    template <typename Window>
    Window& openFromMenu(QAction* entry, Window* (WindowRegistry::*loaded)() const) {
        entry->trigger();
        Window* window = (windows.*loaded)();
        if (!window) {
            QTest::qFail("the menu entry opened no window", __FILE__, __LINE__);
            return made(window);
        }
        [&] { QVERIFY(QTest::qWaitForWindowExposed(window)); }();
        return *window;
    }
    kalvora::display2& pattern2() { return windows.pattern2(); }

    Frm_info& made(Frm_info*) { return windows.about(); }
    Frm_Tickertape& made(Frm_Tickertape*) { return windows.tickerDialog(); }
    Frm_Uitzenden& made(Frm_Uitzenden*) { return windows.broadcastDialog(); }

    int lastWindowGone = 0;
    kalvora::ProgramParts program;
    Station& station;
    WindowRegistry& windows;
    Form1& panel;
};

} // namespace kalvora::test
