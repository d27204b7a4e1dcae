#pragma once

#include "station/ScreenInfo.h"

#include <QColor>
#include <QDateTime>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

class QWidget;

namespace kalvora {

class SettingsStore;

// Everything the windows take from the platform. main.cpp fills it with the real pieces; a
// test replaces any of them (a temporary store and folder, a set clock, a fixed font list, a
// colour chooser that answers at once, a launcher that records the address).
struct Platform {
    SettingsStore* store = nullptr;
    // The folder that holds TickerTape.txt.
    QString programFolder;
    std::function<QDateTime()> now;
    // The connected screens, the primary one marked.
    std::function<QList<ScreenInfo>()> screens;
    // The screen's font families, in the platform's order.
    std::function<QStringList()> screenFonts;
    // Shows a colour chooser starting at `initial`; nothing when the operator cancels.
    std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)> chooseColour;
    // Opens a web address in the default browser; false when that failed.
    std::function<bool(const QUrl&)> openUrl;
    // Tells the operator about a problem they can act on, without blocking and without taking
    // the keyboard from whatever they are typing in.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> warn;

    // The real pieces; the store and folder are the caller's.
    static Platform system(SettingsStore* store, const QString& programFolder);
    // Where a warning of `box`'s size goes: beside `window` (right, left, below, above: the
    // first that lies on `screen`), over it where nothing beside fits, and in the middle of the
    // screen when there is no window.
    static QPoint warningPlace(const QRect& window, const QSize& box, const QRect& screen);
    // The screens Qt reports now.
    static QList<ScreenInfo> qtScreens();

    // Where TickerTape.txt lives: beside the program, as always, where the user may write
    // there; for an installed copy (under /usr, /opt and the like, even for root) or a folder
    // the user cannot write, the user's data folder.
    static QString tickerFolderFor(const QString& programFolder, const QString& userDataFolder);
};

} // namespace kalvora
