// What the Voorbeeld window costs: the program's CPU time over a stretch of seconds with
// pattern 1 on air, first without the preview, then with it open at its default size.
//
//   QT_QPA_PLATFORM=offscreen preview_cpu [SECONDS]     (default 60 each)

#include "app/Form1.h"
#include "app/Preview.h"
#include "app/ProgramParts.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#endif

using namespace kalvora;

namespace {

// The CPU time this process has used, user and system.
double cpuSeconds() {
#ifdef Q_OS_WIN
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return double((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// The share of one core the program used while the event loop ran for `seconds`.
double shareOfACore(int seconds) {
    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuSeconds() - before) / (double(wall.elapsed()) / 1000);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    QTemporaryDir folder;
    SettingsStore store(folder.filePath(QStringLiteral("settings.ini")));
    ProgramParts program(Platform::system(&store, folder.path()));
    WindowRegistry& windows = program.windows();
    Form1& panel = windows.form1();
    panel.show();
    panel.Command1_Click();
    const double without = shareOfACore(seconds);
    windows.preview().showInFront();
    const double with = shareOfACore(seconds);
    std::printf("pattern 1 on air, %d s each: %.2f %% of a core without the preview, %.2f %% "
                "with it (%d x %d): the preview costs %.2f %%\n",
                seconds, without * 100, with * 100, windows.preview().width(),
                windows.preview().height(), (with - without) * 100);
    return 0;
}
