// What one streamed frame costs: test pattern 1 rendered whole (picture, captions, ticker strip),
// and put together as `--frames` does it (the cached picture and captions, the strip copied in),
// beside the floor of copying a finished frame. A ticker step is measured by ticker_benchmark.
//
//   QT_QPA_PLATFORM=offscreen frame_benchmark

#include "app/Form1.h"
#include "app/WindowRegistry.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
#include "settings/SettingsStore.h"

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
                             {QStringLiteral("tt_speed"), QStringLiteral("0")}});
        windows = std::make_unique<WindowRegistry>(Platform::system(&store, folder.path()));
        Form1& panel = windows->form1();
        panel.Timer1_Timer(); // time and date on the pattern
    }
    QTemporaryDir folder;
    SettingsStore store;
    std::unique_ptr<WindowRegistry> windows;
};

void RenderPattern1(benchmark::State& state) {
    Program program;
    QWidget& pattern = program.windows->display();
    QImage frame(pattern.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pattern.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(RenderPattern1)->Unit(benchmark::kMicrosecond);

void StreamedFramePattern1(benchmark::State& state) {
    Program program;
    kalvora::Display& pattern = program.windows->display();
    FrameRenderer renderer(pattern, pattern.Picture1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.frame().constBits());
    }
}
BENCHMARK(StreamedFramePattern1)->Unit(benchmark::kMicrosecond);

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
