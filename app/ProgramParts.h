#pragma once

#include "app/WindowRegistry.h"
#include "platform/Platform.h"
#include "station/Station.h"

#include <functional>

namespace kalvora {

// The program's parts, made in the order each needs the one before: the station on the
// platform's store, clock, screens and ticker folder, then the registry of windows on the
// station. main() makes one on the real platform, the tests and tools on theirs; nothing is
// started yet (the panel's Form_Load or a headless mode does that).
class ProgramParts {
public:
    // `platform.store` must outlive the program. `onLastWindowGone` ends the program.
    explicit ProgramParts(Platform platform, std::function<void()> onLastWindowGone = {})
        : m_platform(std::move(platform)), m_station(*m_platform.store, m_platform.programFolder,
                                                     m_platform.now, m_platform.screens),
          m_windows(m_station, m_platform, std::move(onLastWindowGone)) {}

    const Platform& platform() const { return m_platform; }
    Station& station() { return m_station; }
    WindowRegistry& windows() { return m_windows; }

private:
    Platform m_platform;
    Station m_station;
    WindowRegistry m_windows;
};

} // namespace kalvora
