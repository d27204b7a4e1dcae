// What one streamed frame costs: test pattern 1 rendered whole (picture, captions, ticker strip),
// and put together as every frame output does it (the one frame path with its frame-locked
// ticker, no control panel; the cached picture and captions, the strip copied in),
// beside the floor of copying a finished frame, and a ticker step on an output that fits the
// pattern to its screen. A ticker step alone is measured by ticker_benchmark.
//
//   QT_QPA_PLATFORM=offscreen frame_benchmark

#include "app/ProgramParts.h"
#include "pattern/CardWindows.h"
#include "pattern/Display.h"
#include "pattern/FrameRenderer.h"
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

// The outputs a station sends today, and the cards drawn for them.
const QList<std::pair<const char*, Canvas>>& outputs() {
    static const QList<std::pair<const char*, Canvas>> list = {
        {"720x576 4:3", Canvas::forStream({720, 576}, false)},
        {"720x576 16:9", Canvas::forStream({720, 576}, true)},
        {"1024x576", Canvas{{1024, 576}}},
        {"1280x720", Canvas{{1280, 720}}},
        {"1920x1080", Canvas{{1920, 1080}}}};
    return list;
}

// A card drawn whole for an output: made, its picture drawn and its captions set, and the
// first frame rendered (what choosing it costs, once).
void DrawCard(benchmark::State& state) {
    Setup program;
    const QString name = Cards::builtIn().at(int(state.range(0))).name;
    const auto& [label, canvas] = outputs().at(int(state.range(1)));
    const Card card = *program.station->card(name);
    state.SetLabel(QStringLiteral("card %1, %2").arg(name, QLatin1String(label)).toStdString());
    for (auto _ : state) {
        CardPicture picture = makeCardPicture(card, canvas, *program.station);
        benchmark::DoNotOptimize(picture.frames->frame().constBits());
    }
}
BENCHMARK(DrawCard)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3, 4}})->Unit(benchmark::kMillisecond);

// A streamed frame of the test card at each output size, the ticker stepping once a frame.
void StreamedFrameAtSize(benchmark::State& state) {
    Setup program;
    program.station->stop();
    const auto& [label, canvas] = outputs().at(int(state.range(0)));
    state.SetLabel(label);
    OnAirFrames frames(*program.station, 50, Cards::TestCard, canvas);
    qint64 index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(frames.frameAt(index++).constBits());
        benchmark::DoNotOptimize(frames.takeChangedRows());
    }
}
BENCHMARK(StreamedFrameAtSize)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
