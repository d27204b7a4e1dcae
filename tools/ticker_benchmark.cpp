// The ticker's cost per step and per character advance, for short and very long texts, beside
// a raw copy of a strip-sized rectangle. Neither may grow with the length of the text.
//
//   QT_QPA_PLATFORM=offscreen ticker_benchmark

#include "pattern/TickerStrip.h"
#include "ticker/OffscreenStrip.h"
#include "ticker/TickerFile.h"
#include "ticker/TickerScroller.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace kalvora;

namespace {

struct TickerRig {
    explicit TickerRig(int length) : scroller(offscreen, clock, folder.path()) {
        scroller.setView(&visible);
        QString text;
        text.reserve(length);
        const QString words =
            QStringLiteral("Welcome to the ATV test transmission, talk-back 144.750 MHz. ");
        while (text.size() < length)
            text += words;
        text.truncate(length);
        TickerFile::write(TickerFile::pathIn(folder.path()), text);
        offscreen.resize(QSize(802, 43));
        offscreen.setFontName(QStringLiteral("arial"));
        offscreen.setFontSize(24);
        visible.resize(802, 43);
        scroller.settings.enabled = true;
        scroller.settings.TtRegellengte = 0;
        scroller.Start_TT();
        scroller.Timer3.stop();
    }
    QTemporaryDir folder;
    StationClock clock{[] { return QDateTime::currentDateTime(); }};
    OffscreenStrip offscreen;
    TickerStrip visible;
    TickerScroller scroller;
};

void Step(benchmark::State& state) {
    TickerRig rig(int(state.range(0)));
    rig.scroller.StartChar = 40; // a letter 'W'-wide enough not to advance at offset 1
    for (auto _ : state) {
        rig.scroller.StartX = 1;
        rig.scroller.Timer3_Timer();
    }
}

void Advance(benchmark::State& state) {
    TickerRig rig(int(state.range(0)));
    for (auto _ : state) {
        rig.scroller.StartChar = 40;
        rig.scroller.StartX = 1000; // past any character: this step advances
        rig.scroller.Timer3_Timer();
    }
}

void RawCopy808x43(benchmark::State& state) {
    QImage from(808, 43, QImage::Format_RGB32);
    QImage to(808, 43, QImage::Format_RGB32);
    from.fill(Qt::white);
    for (auto _ : state) {
        for (int y = 0; y < 43; ++y)
            std::memcpy(to.scanLine(y), from.constScanLine(y), 808 * 4);
        benchmark::DoNotOptimize(to.constBits());
    }
}

} // namespace

BENCHMARK(Step)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(Advance)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(RawCopy808x43);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
