// Runs the pattern clock on the real wall clock and reports how late each time-caption change
// came after the true change of the second, and how many seconds were never shown.
//
//   clock_lateness [SECONDS]      (default 120)

#include "clock/RegionalTime.h"
#include "clock/StationClock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kalvora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    std::vector<int> lateMs;
    int skipped = 0;
    int repeated = 0;
    qint64 lastSecond = -1;

    StationClock clock([] { return QDateTime::currentDateTime(); });
    Beat timer(clock, Beat::Kind::WallSecond);
    QObject::connect(&timer, &Beat::timeout, [&] {
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 second = now.toSecsSinceEpoch();
        // What the tick shows is this second; it came msec after the second began.
        regionalLongTime(now);
        if (lastSecond >= 0) {
            if (second == lastSecond)
                ++repeated;
            else
                skipped += int(second - lastSecond - 1);
        }
        lastSecond = second;
        lateMs.push_back(now.time().msec());
        if (int(lateMs.size()) >= seconds)
            QCoreApplication::quit();
    });
    timer.start();
    std::printf("measuring %d s of the clock...\n", seconds);
    std::fflush(stdout);
    app.exec();

    std::vector<int> sorted = lateMs;
    std::sort(sorted.begin(), sorted.end());
    std::printf("ticks: %zu\n", sorted.size());
    std::printf("lateness after the true second: median %d ms, max %d ms\n",
                sorted[sorted.size() / 2], sorted.back());
    std::printf("seconds skipped: %d, seconds shown twice: %d\n", skipped, repeated);
    return 0;
}
