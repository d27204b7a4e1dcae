// Part of the two-monitor test on a real X server: reads what the screen really shows (the
// root window, as the monitors get it) and says which test pattern a part of it carries.
//
//   x11_onair_probe PATTERN1.png PATTERN2.png X,Y,W,H[:fit|fill] ...
//       For each area prints "1", "2" or "none" on a line of its own. Without a suffix the
//       pattern is expected 1:1 at the area's top-left corner; "fit" as large as fits with its
//       shape kept, centred (the output fitted, or the preview); "fill" stretched over it.
//   x11_onair_probe --save SCREEN.png
//       Saves the whole screen.
//
// A pattern is told by comparing a small copy of the area with small copies of the two
// patterns' stills: the clock and the ticker differ, the pictures do not.

#define KALVORA_X11_SCREEN
#include "ScreenPictures.h"

#include <QRect>
#include <QStringList>

#include <cstdio>

using kalvora::test::grabScreen;
using kalvora::test::meanChannelDifference;

namespace {

QImage thumbnail(const QImage& image) {
    return image.scaled(64, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

int main(int argc, char** argv) {
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "probe: no X display\n");
        return 1;
    }
    const QImage screen = grabScreen(display);
    XCloseDisplay(display);
    if (argc == 3 && QLatin1String(argv[1]) == QLatin1String("--save"))
        return screen.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc < 4) {
        std::fprintf(stderr, "usage: x11_onair_probe PATTERN1.png PATTERN2.png X,Y,W,H[:fit|fill]...\n");
        return 2;
    }
    const QImage patterns[2] = {QImage(QString::fromLocal8Bit(argv[1])),
                                QImage(QString::fromLocal8Bit(argv[2]))};
    if (patterns[0].isNull() || patterns[1].isNull() || screen.isNull()) {
        std::fprintf(stderr, "probe: cannot read the stills or the screen\n");
        return 1;
    }
    const QImage small[2] = {thumbnail(patterns[0]), thumbnail(patterns[1])};
    for (int i = 3; i < argc; ++i) {
        const QStringList areaAndMode = QString::fromLocal8Bit(argv[i]).split(QLatin1Char(':'));
        const QStringList n = areaAndMode.value(0).split(QLatin1Char(','));
        if (n.size() != 4) {
            std::fprintf(stderr, "probe: not an area: %s\n", argv[i]);
            return 2;
        }
        const QRect area(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
        const QString mode = areaAndMode.value(1);
        QRect picture(area.topLeft(), patterns[0].size());
        if (mode == QLatin1String("fill"))
            picture = area;
        else if (mode == QLatin1String("fit")) {
            const QSize shown = patterns[0].size().scaled(area.size(), Qt::KeepAspectRatio);
            picture = QRect(area.topLeft() + QPoint((area.width() - shown.width()) / 2,
                                                    (area.height() - shown.height()) / 2),
                            shown);
        }
        const QImage seen = thumbnail(screen.copy(picture));
        const double d1 = meanChannelDifference(seen, small[0]), d2 = meanChannelDifference(seen, small[1]);
        std::fprintf(stderr, "probe: %s differs %.1f from pattern 1, %.1f from pattern 2\n",
                     argv[i], d1, d2);
        // Well below the two patterns' difference from each other (about 70).
        constexpr double Alike = 20;
        std::printf("%s\n", d1 < Alike && d1 < d2 ? "1" : d2 < Alike ? "2" : "none");
    }
    return 0;
}
