// What one streamed frame costs: test pattern 1 rendered whole (picture, captions, ticker strip),
// and put together as every frame output does it (the one frame path with its frame-locked
// ticker, no control panel; the cached picture and captions, the strip copied in),
// beside the floor of copying a finished frame, and a ticker step on an output that fits the
// pattern to its screen. A ticker step alone is measured by ticker_benchmark.
//
//   QT_QPA_PLATFORM=offscreen frame_benchmark

#include "app/ProgramParts.h"
#include "pattern/Display.h"
#include "pattern/OnAirFrames.h"
#include "pattern/TickerStrip.h"
#include "settings/SettingsStore.h"
#include "station/Placement.h"
#include "station/Station.h"
#include "ticker/TickerFile.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace kalvora;

namespace {

struct Setup {
    Setup() : store(folder.filePath(QStringLiteral("settings.ini"))) {
        store.WriteSettings({{QStringLiteral("tt_enabled"), QStringLiteral("1")},
                             {QStringLiteral("tt_speed"), QStringLiteral("20")}});
        TickerFile::write(TickerFile::pathIn(folder.path()),
                          QStringLiteral("Welcome to the PI6ATV test transmission - talk-back "
                                         "on 144.750 MHz - reports welcome! ")
                              .repeated(20));
        program = std::make_unique<kalvora::ProgramParts>(Platform::system(&store, folder.path()));
        station = &program->station();
        windows = &program->windows();
        station->start();
        windows->display();
        station->Timer1_Timer(); // time and date on the pattern
    }
    QTemporaryDir folder;
    SettingsStore store;
    std::unique_ptr<kalvora::ProgramParts> program;
    Station* station = nullptr;
    WindowRegistry* windows = nullptr;
};

void RenderPattern1(benchmark::State& state) {
    Setup program;
    QWidget& pattern = *program.windows->display().stage();
    QImage frame(pattern.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pattern.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(RenderPattern1)->Unit(benchmark::kMicrosecond);

void StreamedFramePattern1(benchmark::State& state) {
    Setup program;
    program.station->stop();
    // At 50 frames a second and 20 ms a pixel: one ticker step per frame.
    OnAirFrames frames(*program.station, 50, Cards::TestCard);
    qint64 index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(frames.frameAt(index++).constBits());
        benchmark::DoNotOptimize(frames.takeChangedRows());
    }
}
BENCHMARK(StreamedFramePattern1)->Unit(benchmark::kMicrosecond);

// A ticker step on pattern 1 fitted to a 1920 x 1080 output: the step, and the window's own
// drawing of the strip's part of the screen (frame and filtered scaling).
void FittedOutputTickerStep(benchmark::State& state) {
    Setup program;
    kalvora::Display& pattern = program.windows->display();
    const ScreenInfo output{QStringLiteral("Output"), QString(), QRect(0, 0, 1920, 1080),
                            QSize(1920, 1080), true};
    pattern.setOutputPlace(
        outputPlace({output}, QPoint(0, 0), true, OutputScale::Fit, PatternWindow::designSize()));
    const QRegion changed(pattern.windowArea(pattern.Picture1->geometry()));
    QImage screen(pattern.size(), QImage::Format_RGB32);
    program.station->stop();
    for (auto _ : state) {
        program.station->Timer3_Timer();
        pattern.render(&screen, QPoint(), changed);
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(FittedOutputTickerStep)->Unit(benchmark::kMicrosecond);

void CopyFinishedFrame(benchmark::State& state) {
    QImage from(Cards::designSize(), QImage::Format_RGB32);
    from.fill(Qt::gray);
    QImage to(Cards::designSize(), QImage::Format_RGB32);
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
