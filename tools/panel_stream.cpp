// The panel's stream, for tools/stream_benchmark.sh: the program with its windows (off screen),
// pattern 1 on air, and Bestand > Uitzenden's stream to the address and with the options given,
// for a number of seconds. The settings are the user's; TickerTape.txt is read from the folder
// given. URL "-": no stream, the panel and the patterns alone (what the stream adds to them is
// the difference).
//
//   QT_QPA_PLATFORM=offscreen panel_stream SECONDS TICKER_FOLDER URL|- [OPTIONS]

#include "app/Broadcast.h"
#include "app/Form1.h"
#include "app/ProgramParts.h"
#include "settings/SettingsStore.h"
#include "stream/StoredStream.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

using namespace kalvora;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(SettingsStore::Application));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: panel_stream SECONDS TICKER_FOLDER URL|- [OPTIONS]\n", stderr);
        return 2;
    }
    installFontSubstitutes();
    SettingsStore store;
    StoredStream{arguments[3], arguments.mid(4).join(QLatin1Char(' ')), QStringLiteral("modulator")}
        .storeIn(store);
    ProgramParts program(Platform::system(&store, arguments[2]));
    Form1& panel = program.windows().form1();
    panel.show();
    panel.Command1_Click();
    const bool streaming = arguments[3] != QLatin1String("-");
    if (const QString problem = streaming ? program.windows().broadcast().start() : QString();
        !problem.isEmpty()) {
        std::fprintf(stderr, "panel_stream: %s\n", qPrintable(problem));
        return 1;
    }
    // exit, not quit: quit asks the windows first, and the patterns only close with the panel.
    QTimer::singleShot(arguments[1].toInt() * 1000, &app, [] { QCoreApplication::exit(0); });
    const int code = QApplication::exec();
    program.windows().broadcast().stop();
    return code;
}
