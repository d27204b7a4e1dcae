// Remakes the screenshots shown in README.md: every window of the program, on sample settings.
//
//   screenshots OUTPUT_FOLDER      (run with QT_QPA_PLATFORM=offscreen; scripts/screenshots.sh)

#include "about/Frm_info.h"
#include "app/Form1.h"
#include "app/Frm_Uitzenden.h"
#include "app/Preview.h"
#include "app/ProgramParts.h"
#include "app/RemoteWindow.h"
#include "app/RoosterWindow.h"
#include "pattern/Display.h"
#include "pattern/OnAirFrames.h"
#include "platform/LoadedWindow.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"
#include "ticker/TickerFile.h"
#include "tickerdialog/Fonts.h"
#include "tickerdialog/Frm_Tickertape.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdio>

using namespace kalvora;

namespace {

bool save(QWidget& window, const QDir& out, const QString& name) {
    const QString path = out.filePath(name);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    installFontSubstitutes();
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir folder;
    SettingsStore store(folder.filePath(QStringLiteral("settings.ini")));
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, const char*>>{{"Text1", "PI6ATV"},
                                                                    {"Text2", "144.750 MHz"},
                                                                    {"Text3", "PI6ATV"},
                                                                    {"Text4", "1252 MHz"},
                                                                    {"Text5", "JO22KD"},
                                                                    {"tt_enabled", "1"},
                                                                    {"tt_speed", "20"},
                                                                    {"tt_regellengte", "0"},
                                                                    {"tt_backcolor", "0"},
                                                                    {"tt_forecolor", "65535"},
                                                                    {"tt_font", "arial"}})
        store.WriteSetting(QString::fromLatin1(key), QString::fromLatin1(value));
    TickerFile::write(TickerFile::pathIn(folder.path()),
                      QStringLiteral("Welcome to the PI6ATV test transmission - talk-back on "
                                     "144.750 MHz - reports welcome!"));

    ProgramParts program(Platform::system(&store, folder.path()));
    WindowRegistry& windows = program.windows();
    Form1& panel = windows.form1();
    panel.show();
    panel.Command3_Click(); // patterns to the primary screen
    panel.Command1_Click();
    settle(3500); // a few clock ticks and ticker steps

    bool ok = save(panel, out, QStringLiteral("control-panel.png"));
    ok = save(windows.display(), out, QStringLiteral("pattern1.png")) && ok;
    Preview& preview = windows.preview();
    preview.show();
    settle(300);
    ok = save(preview, out, QStringLiteral("preview.png")) && ok;
    panel.mnu_uitgang->popup(panel.mapToGlobal(QPoint(0, 0)));
    settle(100);
    ok = save(*panel.mnu_uitgang, out, QStringLiteral("output-menu.png")) && ok;
    panel.mnu_uitgang->hide();
    panel.Command2_Click();
    settle(100);
    ok = save(windows.pattern2(), out, QStringLiteral("pattern2.png")) && ok;
    panel.mnu_TT_Click();
    windows.tickerDialog().Command4_Click();
    settle(100);
    ok = save(windows.tickerDialog(), out, QStringLiteral("ticker-settings.png")) && ok;
    ok = save(windows.fonts(), out, QStringLiteral("font-picker.png")) && ok;
    Frm_Uitzenden& broadcast = windows.broadcastDialog();
    broadcast.show();
    broadcast.Combo1->setCurrentIndex(broadcast.Combo1->findData(QStringLiteral("pluto-rtmp")));
    broadcast.Combo1_Click();
    settle(100);
    ok = save(broadcast, out, QStringLiteral("broadcast.png")) && ok;
    broadcast.Command2_Click();
    panel.mnu_Info_Click();
    Frm_info& about = windows.about();
    about.Timer2.stop();
    for (int tick = 0; tick < 330; ++tick)
        about.Timer2_Timer();
    settle(50);
    ok = save(about, out, QStringLiteral("about.png")) && ok;
    panel.mnu_kaart->popup(panel.mapToGlobal(QPoint(0, 0)));
    settle(100);
    ok = save(*panel.mnu_kaart, out, QStringLiteral("card-menu.png")) && ok;
    panel.mnu_kaart->hide();
    // The repeater's schedule, and the panel in standby.
    auto* rooster = panel.findChild<RoosterMenu*>();
    rooster->setUp->trigger();
    auto* roosterWindow = panel.findChild<RoosterWindow*>();
    roosterWindow->hours->setText(QStringLiteral("07:00-23:30"));
    roosterWindow->carousel->setText(QStringLiteral("1=60,2=20,ident=10"));
    roosterWindow->identMinutes->setValue(15);
    roosterWindow->identSeconds->setValue(10);
    settle(100);
    ok = save(*roosterWindow, out, QStringLiteral("rooster.png")) && ok;
    roosterWindow->reject();
    rooster->standby->trigger();
    settle(100);
    ok = save(panel, out, QStringLiteral("control-panel-standby.png")) && ok;
    emit rooster->aboutToShow();
    rooster->onAir->trigger();
    // Where the web page is served.
    panel.mnu_op_afstand->trigger();
    if (auto* remote = panel.findChild<RemoteWindow*>()) {
        remote->address->setText(QStringLiteral("127.0.0.1:8080"));
        settle(100);
        ok = save(*remote, out, QStringLiteral("op-afstand.png")) && ok;
        remote->reject();
    }
    // Each built-in card as a 16:9 stream sends it.
    Station& station = program.station();
    station.setContest(QStringLiteral("23cm"), 12, false);
    for (const Card& card : Cards::builtIn()) {
        OnAirFrames frames(station, 25, card.name, Canvas{{1024, 576}});
        const QString name = QStringLiteral("card-%1-16x9.png").arg(card.name);
        if (!frames.frameAt(0).save(out.filePath(name))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
