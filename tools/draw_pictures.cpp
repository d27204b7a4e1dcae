// Draws the two test-pattern pictures and the small copy of picture 1 for the About window.
//
//   draw_pictures OUTPUT_FOLDER
//
// The drawing is exact (no antialiasing, fixed palette), so running it again gives the same
// files. The features that captions sit on lie under the caption boxes.

#include "pattern/CardArt.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

namespace {

// Each picture is drawn at the size of the box that shows it, on the 4:3 sheet (1280 x 960).
constexpr double SheetWidth = 1280;
const QSize Pattern1Shown(815, 608); // Image1 of pattern 1
const QSize Pattern2Shown(809, 608); // Image1 of pattern 2

QList<QRgb> palette() {
    QList<QRgb> table = kalvora::CardArt::colours();
    while (table.size() < 256)
        table << qRgb(0, 0, 0);
    return table;
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QList<QRgb> table = palette();
    const QImage one = kalvora::CardArt::testCard(Pattern1Shown, SheetWidth)
                           .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    const QImage two = kalvora::CardArt::colourBars(Pattern2Shown, SheetWidth)
                           .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    // The About window's copy and the icons are smoothed down from the full sheet, then take
    // their own 256-colour palette.
    const QImage sheet = kalvora::CardArt::testCard(QSize(1280, 960), SheetWidth);
    const QImage small = sheet.scaled(103, 77, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    // The program's icon: the circle of picture 1, at the sizes desktops ask for.
    const QImage circle = sheet.copy(160, 0, 960, 960);
    const auto iconOf = [&circle](int size) {
        return circle.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    };
    const QImage icon = iconOf(128);
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 256, 512})
        ok =
            save(iconOf(size), out.filePath(QStringLiteral("kalvora-icon-%1.png").arg(size))) && ok;
    ok = ok && save(one, out.filePath(QStringLiteral("pattern1.png"))) &&
         save(icon, out.filePath(QStringLiteral("kalvora-icon.png"))) &&
         save(two, out.filePath(QStringLiteral("pattern2.png"))) &&
         save(small, out.filePath(QStringLiteral("pattern1-small.png")));
    return ok ? 0 : 1;
}
