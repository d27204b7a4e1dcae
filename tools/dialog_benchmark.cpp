// The ticker settings dialog with a 1 MiB TickerTape.txt: how long it takes to open, and what
// one keystroke in its text box costs, laid out and painted as on the screen.
//
//   QT_QPA_PLATFORM=offscreen dialog_benchmark

#include "settings/SettingsStore.h"
#include "ticker/TickerFile.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace kalvora;

namespace {

struct Folder {
    Folder() : store(dir.filePath(QStringLiteral("settings.ini"))) {
        store.WriteSetting(QStringLiteral("tt_enabled"), QStringLiteral("1"));
        QString text;
        const QString words =
            QStringLiteral("Welcome to the ATV test transmission, talk-back 144.750 MHz. ");
        while (text.size() < 1024 * 1024)
            text += words;
        text.truncate(1024 * 1024);
        TickerFile::write(TickerFile::pathIn(dir.path()), text);
        platform.store = &store;
        platform.programFolder = dir.path();
        platform.warn = [](QWidget*, const QString&, const QString&) {};
    }
    QTemporaryDir dir;
    SettingsStore store;
    Platform platform;
};

void OpenWithOneMebibyte(benchmark::State& state) {
    Folder folder;
    for (auto _ : state) {
        auto* dialog = new Frm_Tickertape(folder.platform);
        dialog->Form_Load();
        dialog->show();
        QApplication::processEvents();
        dialog->repaint();
        state.PauseTiming();
        delete dialog;
        state.ResumeTiming();
    }
}
BENCHMARK(OpenWithOneMebibyte)->Unit(benchmark::kMillisecond)->Iterations(5);

void KeystrokeWithOneMebibyte(benchmark::State& state) {
    Folder folder;
    Frm_Tickertape dialog(folder.platform);
    dialog.Form_Load();
    dialog.show();
    QApplication::processEvents();
    dialog.Text1->setFocus();
    dialog.Text1->moveCursor(QTextCursor::Start);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(dialog.Text1, &press);
        QCoreApplication::sendEvent(dialog.Text1, &release);
        dialog.Text1->viewport()->repaint();
    }
}
BENCHMARK(KeystrokeWithOneMebibyte)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
