// What one streamed frame costs: test pattern 1 rendered whole (picture, captions, ticker strip),
// and put together as `--frames` does it (the station and the pattern's frame renderer, no
// control panel; the cached picture and captions, the strip copied in),
// beside the floor of copying a finished frame, and a ticker step on an output that fits the
// pattern to its screen. A ticker step alone is measured by ticker_benchmark.
//
//   QT_QPA_PLATFORM=offscreen frame_benchmark

#include "app/WindowRegistry.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "pattern/TickerStrip.h"
#include "settings/SettingsStore.h"
#include "station/Placement.h"
#include "station/Station.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace kalvora;

namespace {

struct Program {
    Program() : store(folder.filePath(QStringLiteral("settings.ini"))) {
        store.WriteSettings({{QStringLiteral("tt_enabled"), QStringLiteral("1")},
                             {QStringLiteral("tt_speed"), QStringLiteral("20")}});
        const Platform platform = Platform::system(&store, folder.path());
        station = std::make_unique<Station>(store, folder.path(), platform.now, platform.screens);
        windows = std::make_unique<WindowRegistry>(*station, platform);
        station->start();
        windows->display();
        station->Timer1_Timer(); // time and date on the pattern
    }
    QTemporaryDir folder;
    SettingsStore store;
    std::unique_ptr<Station> station;
    std::unique_ptr<WindowRegistry> windows;
};

void RenderPattern1(benchmark::State& state) {
    Program program;
    QWidget& pattern = *program.windows->display().stage();
    QImage frame(pattern.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pattern.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(RenderPattern1)->Unit(benchmark::kMicrosecond);

void StreamedFramePattern1(benchmark::State& state) {
    Program program;
    TickerScroller& ticker = program.station->ticker;
    FrameRenderer& renderer = program.windows->display().frames();
    ticker.Timer3.stop();
    for (auto _ : state) {
        ticker.Timer3_Timer(); // one ticker step per frame, as at 50 frames a second
        benchmark::DoNotOptimize(renderer.frame().constBits());
    }
}
BENCHMARK(StreamedFramePattern1)->Unit(benchmark::kMicrosecond);

// A ticker step on pattern 1 fitted to a 1920 x 1080 output: the step, and the window's own
// drawing of the strip's part of the screen (frame and filtered scaling).
void FittedOutputTickerStep(benchmark::State& state) {
    Program program;
    TickerScroller& ticker = program.station->ticker;
    kalvora::Display& pattern = program.windows->display();
    const ScreenInfo output{QStringLiteral("Output"), QString(), QRect(0, 0, 1920, 1080),
                            QSize(1920, 1080), true};
    pattern.setOutputPlace(
        outputPlace({output}, QPoint(0, 0), true, OutputScale::Fit, PatternWindow::designSize()));
    const QRegion changed(pattern.windowArea(pattern.Picture1->geometry()));
    QImage screen(pattern.size(), QImage::Format_RGB32);
    ticker.Timer3.stop();
    for (auto _ : state) {
        ticker.Timer3_Timer();
        pattern.render(&screen, QPoint(), changed);
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(FittedOutputTickerStep)->Unit(benchmark::kMicrosecond);

void CopyFinishedFrame(benchmark::State& state) {
    QImage from(808, 608, QImage::Format_RGB32);
    from.fill(Qt::gray);
    QImage to(808, 608, QImage::Format_RGB32);
    for (auto _ : state) {
        std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
        benchmark::DoNotOptimize(to.constBits());
    }
}
BENCHMARK(CopyFinishedFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
