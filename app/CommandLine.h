#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kalvora {

// What the command line asks for. With no arguments the program opens its windows as always;
// the two other modes put a test pattern out without a display.
struct Options {
    enum class Mode { Windows, Snapshot, Frames };
    Mode mode = Mode::Windows;
    QString snapshotFile;
    int pattern = 1;
    int fps = 25;
};

struct CommandLine {
    std::optional<Options> options; // empty: print `message` and stop
    QString message;
    int exitCode = 0; // 0 for --help and --version, 2 for a mistake
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
CommandLine parseCommandLine(const QStringList& arguments);

// Whether the raw arguments ask for anything but the windows (one of our options, or a
// mistake); looked at before the application object exists, to pick the platform that needs
// no display.
bool wantsHeadless(int argc, char** argv);
// Whether the raw arguments choose Qt's platform themselves (-platform NAME).
bool namesPlatform(int argc, char** argv);

} // namespace kalvora
