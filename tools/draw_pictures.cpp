// Draws the two test-pattern pictures and the small copy of picture 1 for the About window.
//
//   draw_pictures OUTPUT_FOLDER
//
// The drawing is exact (no antialiasing, fixed palette), so running it again gives the same
// files. Each picture is drawn at the size of the box that shows it; the features that captions
// sit on lie under the caption boxes.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace {

// The pictures are designed on a 1280 x 960 sheet and drawn at the size their windows show them
// (the picture boxes), so that nothing is resampled on the way to the screen: every edge falls
// on a whole pixel and the finest grating is one pixel black, one pixel white.
constexpr int DesignWidth = 1280;
constexpr int DesignHeight = 960;
constexpr int Square = 80;           // grid pitch on the sheet
const QSize Pattern1Shown(815, 608); // Image1 of pattern 1
const QSize Pattern2Shown(809, 608); // Image1 of pattern 2

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor MidGrey(128, 128, 128);
const QColor LightGrey(191, 191, 191);
const QColor Yellow(191, 191, 0);
const QColor Cyan(0, 191, 191);
const QColor Green(0, 191, 0);
const QColor Magenta(191, 0, 191);
const QColor Red(191, 0, 0);
const QColor Blue(0, 0, 191);
const QColor BrightYellow(255, 224, 0);
const QColor BrightRed(224, 0, 0);

// Sheet positions to picture pixels. A rectangle maps its edges, not its size, so that
// neighbours meet without a gap or an overlap.
struct Sheet {
    explicit Sheet(QSize shown)
        : sx(double(shown.width()) / DesignWidth), sy(double(shown.height()) / DesignHeight) {}
    int x(double v) const { return int(std::lround(v * sx)); }
    int y(double v) const { return int(std::lround(v * sy)); }
    QRect rect(double left, double top, double width, double height) const {
        return QRect(QPoint(x(left), y(top)), QPoint(x(left + width) - 1, y(top + height) - 1));
    }
    double sx, sy;
};

// A width of `sheetPixels` on the sheet in whole picture pixels: at least one, and odd where
// asked, so that a line can sit centred on a pixel.
int lineWidth(const Sheet& sheet, double sheetPixels, bool odd = false) {
    const int width = std::max(1, int(std::lround(sheetPixels * sheet.sx)));
    return odd ? width | 1 : width;
}

// A field ruled into squares with white lines.
void fillGrid(QPainter& p, const Sheet& sheet, const QRect& area, const QColor& field) {
    p.fillRect(area, field);
    p.save();
    p.setClipRect(area);
    const int line = lineWidth(sheet, 2);
    for (int x = 0; x <= DesignWidth; x += Square)
        p.fillRect(sheet.x(x) - line / 2, area.top(), line, area.height(), White);
    for (int y = 0; y <= DesignHeight; y += Square)
        p.fillRect(area.left(), sheet.y(y) - line / 2, area.width(), line, White);
    p.restore();
}

// Equal-width bars across `area`, left to right.
void bars(QPainter& p, const QRect& area, const QList<QColor>& colors) {
    const int n = int(colors.size());
    for (int i = 0; i < n; ++i) {
        const int left = area.left() + area.width() * i / n;
        const int right = area.left() + area.width() * (i + 1) / n;
        p.fillRect(QRect(left, area.top(), right - left, area.height()), colors[i]);
    }
}

QImage pattern1(QSize shown) {
    const Sheet sheet(shown);
    QImage image(shown, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    // Grey field ruled into squares; the outer ring of squares is a checkerboard.
    fillGrid(p, sheet, image.rect(), MidGrey);
    const int cols = DesignWidth / Square, rows = DesignHeight / Square;
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            if (c != 0 && r != 0 && c != cols - 1 && r != rows - 1)
                continue;
            p.fillRect(sheet.rect(c * Square, r * Square, Square, Square),
                       (c + r) % 2 ? White : Black);
        }
    }

    // Columns of coloured rectangles left and right of the centre.
    const QList<QColor> left = {Red, Green, Blue, LightGrey};
    const QList<QColor> right = {Cyan, Magenta, Yellow, LightGrey};
    for (int i = 0; i < 4; ++i) {
        const int top = 2 * Square + i * Square * 3 / 2 + 8;
        p.fillRect(sheet.rect(Square + 8, top, Square + 32, Square + 24), left[i]);
        p.fillRect(sheet.rect(DesignWidth - 2 * Square - 40, top, Square + 32, Square + 24),
                   right[i]);
    }

    // The circle, and everything inside it, clipped to it.
    const QPointF centre(sheet.x(DesignWidth / 2), sheet.y(DesignHeight / 2));
    const double radius = 440, rim = 6;
    p.setPen(Qt::NoPen);
    p.setBrush(White);
    p.drawEllipse(centre, (radius + rim) * sheet.sx, (radius + rim) * sheet.sy);
    QPainterPath inside;
    inside.addEllipse(centre, radius * sheet.sx, radius * sheet.sy);
    p.setClipPath(inside);
    const QRect disc =
        sheet.rect(DesignWidth / 2 - radius, DesignHeight / 2 - radius, 2 * radius, 2 * radius);
    fillGrid(p, sheet, disc, MidGrey);
    const double discLeft = DesignWidth / 2 - radius, discWidth = 2 * radius;

    // Black rectangle behind the call sign.
    p.fillRect(sheet.rect(452, 80, 376, 92), Black);
    // Alternating black and white blocks.
    for (int x = int(discLeft), i = 0; x < discLeft + discWidth; x += 40, ++i)
        p.fillRect(sheet.rect(x, 176, 40, 56), i % 2 ? White : Black);
    // Six colour bars.
    bars(p, sheet.rect(discLeft, 232, discWidth, 202), {Yellow, Cyan, Green, Magenta, Red, Blue});
    // Black band with the centre cross: the date goes left of the cross, the time right.
    const QRect band = sheet.rect(discLeft, 434, discWidth, 80);
    p.fillRect(band, Black);
    const int middle = int(centre.x());
    const int cross = lineWidth(sheet, 3, true);
    const int arm = int(std::lround(48 * sheet.sx));
    p.fillRect(QRect(middle - cross / 2, band.top(), cross, band.height()), White);
    p.fillRect(QRect(middle - arm, band.center().y() - cross / 2, 2 * arm + 1, cross), White);
    // Line gratings, finer from left to right, in whole pixels: the finest is one pixel black,
    // one pixel white.
    const int periods[] = {12, 10, 8, 6, 4, 2};
    const QRect gratings = sheet.rect(discLeft, 514, discWidth, 86);
    for (int g = 0; g < 6; ++g) {
        const int gl = gratings.left() + gratings.width() * g / 6;
        const int gr = gratings.left() + gratings.width() * (g + 1) / 6;
        p.fillRect(QRect(gl, gratings.top(), gr - gl, gratings.height()), Black);
        for (int x = gl; x < gr; x += periods[g])
            p.fillRect(
                QRect(x, gratings.top(), std::min(periods[g] / 2, gr - x), gratings.height()),
                White);
    }
    // Five-step grey scale.
    bars(p, sheet.rect(discLeft, 600, discWidth, 120),
         {Black, QColor(64, 64, 64), MidGrey, LightGrey, White});
    // Black rectangle behind the frequency / locator line.
    p.fillRect(sheet.rect(392, 722, 496, 82), Black);
    // Yellow band with a red block in its middle.
    p.fillRect(sheet.rect(discLeft, 808, discWidth, 112), BrightYellow);
    p.fillRect(QRect(middle - arm, sheet.y(808), 2 * arm, sheet.y(920) - sheet.y(808)), BrightRed);
    p.end();
    return image;
}

QImage pattern2(QSize shown) {
    const Sheet sheet(shown);
    QImage image(shown, QImage::Format_RGB32);
    QPainter p(&image);
    fillGrid(p, sheet, image.rect(), Black);
    // Seven-step grey scale, black to white.
    QList<QColor> greys;
    for (int i = 0; i < 7; ++i)
        greys << QColor::fromRgb(255 * i / 6, 255 * i / 6, 255 * i / 6);
    bars(p, sheet.rect(0, 160, DesignWidth, 200), greys);
    // Eight colour bars; the call sign sits on the grid above them.
    bars(p, sheet.rect(0, 520, DesignWidth, 240),
         {White, Yellow, Cyan, Green, Magenta, Red, Blue, Black});
    // The thin row of blocks; the frequency sits on the grid below it.
    bars(p, sheet.rect(0, 760, DesignWidth, 40),
         {Blue, Black, Magenta, Black, Cyan, Black, LightGrey, Black});
    p.end();
    return image;
}

QList<QRgb> palette() {
    QList<QRgb> table;
    for (const QColor& c : {Black, White, MidGrey, LightGrey, Yellow, Cyan, Green, Magenta, Red,
                            Blue, BrightYellow, BrightRed, QColor(64, 64, 64)})
        table << c.rgb();
    for (int i = 1; i < 6; ++i) {
        const int v = 255 * i / 6;
        table << qRgb(v, v, v);
    }
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
    const QImage one = pattern1(Pattern1Shown)
                           .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    const QImage two = pattern2(Pattern2Shown)
                           .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    // The About window's copy and the icons are smoothed down from the full sheet, then take
    // their own 256-colour palette.
    const QImage sheet = pattern1(QSize(DesignWidth, DesignHeight));
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
