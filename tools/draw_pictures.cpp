// Draws the two test-pattern pictures and the small copy of picture 1 for the About window.
//
//   draw_pictures OUTPUT_FOLDER
//
// The drawing is exact (no antialiasing, fixed palette), so running it again gives the same
// files. The features that captions sit on are placed so that, once the picture is stretched
// into its 808 x 608 window, they lie under the caption boxes.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int Width = 1280;
constexpr int Height = 960;
constexpr int Square = 80; // grid pitch
constexpr int GridLine = 2;

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

void fillGrid(QPainter& p, const QRect& area, const QColor& field) {
    p.fillRect(area, field);
    p.save();
    p.setClipRect(area);
    for (int x = 0; x <= Width; x += Square)
        p.fillRect(x - GridLine / 2, area.top(), GridLine, area.height(), White);
    for (int y = 0; y <= Height; y += Square)
        p.fillRect(area.left(), y - GridLine / 2, area.width(), GridLine, White);
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

QImage pattern1() {
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    // Grey field ruled into squares; the outer ring of squares is a checkerboard.
    fillGrid(p, image.rect(), MidGrey);
    const int cols = Width / Square, rows = Height / Square;
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            if (c != 0 && r != 0 && c != cols - 1 && r != rows - 1)
                continue;
            p.fillRect(c * Square, r * Square, Square, Square, (c + r) % 2 ? White : Black);
        }
    }

    // Columns of coloured rectangles left and right of the centre.
    const QList<QColor> left = {Red, Green, Blue, LightGrey};
    const QList<QColor> right = {Cyan, Magenta, Yellow, LightGrey};
    for (int i = 0; i < 4; ++i) {
        const int top = 2 * Square + i * Square * 3 / 2 + 8;
        p.fillRect(QRect(Square + 8, top, Square + 32, Square + 24), left[i]);
        p.fillRect(QRect(Width - 2 * Square - 40, top, Square + 32, Square + 24), right[i]);
    }

    // The circle, and everything inside it, clipped to it.
    const QPoint centre(Width / 2, Height / 2);
    const int radius = 440;
    const int rim = 6;
    p.setPen(Qt::NoPen);
    p.setBrush(White);
    p.drawEllipse(centre, radius + rim, radius + rim);
    QPainterPath inside;
    inside.addEllipse(centre, radius, radius);
    p.setClipPath(inside);
    const QRect disc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    fillGrid(p, disc, MidGrey);

    // Black rectangle behind the call sign.
    p.fillRect(QRect(452, 80, 376, 92), Black);
    // Alternating black and white blocks.
    for (int x = disc.left(), i = 0; x < disc.right(); x += 40, ++i)
        p.fillRect(QRect(x, 176, 40, 56), i % 2 ? White : Black);
    // Six colour bars.
    bars(p, QRect(disc.left(), 232, disc.width(), 202), {Yellow, Cyan, Green, Magenta, Red, Blue});
    // Black band with the centre cross: the date goes left of the cross, the time right.
    p.fillRect(QRect(disc.left(), 434, disc.width(), 80), Black);
    p.fillRect(QRect(centre.x() - 1, 434, 3, 80), White);
    p.fillRect(QRect(centre.x() - 48, 473, 97, 3), White);
    // Line gratings, finer from left to right.
    const int periods[] = {16, 12, 8, 6, 4, 2};
    for (int g = 0; g < 6; ++g) {
        const int gl = disc.left() + disc.width() * g / 6;
        const int gr = disc.left() + disc.width() * (g + 1) / 6;
        p.fillRect(QRect(gl, 514, gr - gl, 86), Black);
        for (int x = gl; x < gr; x += periods[g])
            p.fillRect(QRect(x, 514, periods[g] / 2, 86), White);
    }
    // Five-step grey scale.
    bars(p, QRect(disc.left(), 600, disc.width(), 120),
         {Black, QColor(64, 64, 64), MidGrey, LightGrey, White});
    // Black rectangle behind the frequency / locator line.
    p.fillRect(QRect(392, 722, 496, 82), Black);
    // Yellow band with a red block in its middle.
    p.fillRect(QRect(disc.left(), 808, disc.width(), 112), BrightYellow);
    p.fillRect(QRect(centre.x() - 48, 808, 96, 112), BrightRed);
    p.end();
    return image;
}

QImage pattern2() {
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter p(&image);
    fillGrid(p, image.rect(), Black);
    // Seven-step grey scale, black to white.
    QList<QColor> greys;
    for (int i = 0; i < 7; ++i)
        greys << QColor::fromRgb(255 * i / 6, 255 * i / 6, 255 * i / 6);
    bars(p, QRect(0, 160, Width, 200), greys);
    // Eight colour bars; the call sign sits on the grid above them.
    bars(p, QRect(0, 520, Width, 240), {White, Yellow, Cyan, Green, Magenta, Red, Blue, Black});
    // The thin row of blocks; the frequency sits on the grid below it.
    bars(p, QRect(0, 760, Width, 40), {Blue, Black, Magenta, Black, Cyan, Black, LightGrey, Black});
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
    const QImage one =
        pattern1().convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    const QImage two =
        pattern2().convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    // The About window's copy: smoothed down, then its own 256-colour palette.
    const QImage small = pattern1()
                             .scaled(103, 77, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    // The program's icon: the circle of picture 1, at the sizes desktops ask for.
    const QImage circle = pattern1().copy(160, 0, 960, 960);
    const auto iconOf = [&circle](int size) {
        return circle.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    };
    const QImage icon = iconOf(128);
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 256, 512})
        ok = save(iconOf(size), out.filePath(QStringLiteral("kalvora-icon-%1.png").arg(size))) && ok;
    ok = ok && save(one, out.filePath(QStringLiteral("pattern1.png"))) &&
                    save(icon, out.filePath(QStringLiteral("kalvora-icon.png"))) &&
                    save(two, out.filePath(QStringLiteral("pattern2.png"))) &&
                    save(small, out.filePath(QStringLiteral("pattern1-small.png")));
    return ok ? 0 : 1;
}
