#include "pattern/CardArt.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace kalvora {

namespace {

constexpr double Square = 80;      // the grid's pitch down the sheet
constexpr double CoreWidth = 1280; // the 4:3 design

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor MidGrey(128, 128, 128);
const QColor DarkGrey(64, 64, 64);
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
// neighbours meet without a gap or an overlap. Across, the grid has an even number of columns
// (the centre on a line) as near square as the width allows.
struct Sheet {
    Sheet(QSize pixels, double width)
        : width(width), columns(2 * std::max(1, int(std::lround(width / (2 * Square))))),
          pitch(width / columns), sx(pixels.width() / width),
          sy(double(pixels.height()) / CardArt::SheetHeight) {}
    int x(double v) const { return int(std::lround(v * sx)); }
    int y(double v) const { return int(std::lround(v * sy)); }
    QRect rect(double left, double top, double w, double h) const {
        return QRect(QPoint(x(left), y(top)), QPoint(x(left + w) - 1, y(top + h) - 1));
    }
    double centre() const { return width / 2; }
    // Where the 4:3 design's left edge lies: 0 on a 4:3 sheet.
    double core() const { return (width - CoreWidth) / 2; }

    double width;
    int columns;
    double pitch;
    double sx, sy;
};

// A width of `sheetUnits` in whole pixels, across (`scale` sx) or down (sy): at least one, and
// odd where asked, so that a line can sit centred on a pixel.
int lineWidth(double scale, double sheetUnits, bool odd = false) {
    const int width = std::max(1, int(std::lround(sheetUnits * scale)));
    return odd ? width | 1 : width;
}

// A field ruled into squares with white lines.
void fillGrid(QPainter& p, const Sheet& sheet, const QRect& area, const QColor& field) {
    p.fillRect(area, field);
    p.save();
    p.setClipRect(area);
    const int across = lineWidth(sheet.sx, 2), down = lineWidth(sheet.sy, 2);
    for (int c = 0; c <= sheet.columns; ++c)
        p.fillRect(sheet.x(c * sheet.pitch) - across / 2, area.top(), across, area.height(), White);
    for (double y = 0; y <= CardArt::SheetHeight; y += Square)
        p.fillRect(area.left(), sheet.y(y) - down / 2, area.width(), down, White);
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

// The grey field ruled into squares, its outer ring of squares a checkerboard.
void testCardField(QPainter& p, const Sheet& sheet, const QRect& all) {
    fillGrid(p, sheet, all, MidGrey);
    const int rows = int(CardArt::SheetHeight / Square);
    for (int c = 0; c < sheet.columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            if (c != 0 && r != 0 && c != sheet.columns - 1 && r != rows - 1)
                continue;
            p.fillRect(sheet.rect(c * sheet.pitch, r * Square, sheet.pitch, Square),
                       (c + r) % 2 ? White : Black);
        }
    }
    // Columns of coloured rectangles left and right of the circle.
    const QList<QColor> left = {Red, Green, Blue, LightGrey};
    const QList<QColor> right = {Cyan, Magenta, Yellow, LightGrey};
    for (int i = 0; i < 4; ++i) {
        const double top = 2 * Square + i * Square * 3 / 2 + 8;
        p.fillRect(sheet.rect(sheet.core() + Square + 8, top, Square + 32, Square + 24), left[i]);
        p.fillRect(
            sheet.rect(sheet.core() + CoreWidth - 2 * Square - 40, top, Square + 32, Square + 24),
            right[i]);
    }
}

// Line gratings, finer from left to right, in whole pixels: the finest is one pixel black, one
// pixel white at every size.
void gratings(QPainter& p, const QRect& area) {
    const int periods[] = {12, 10, 8, 6, 4, 2};
    for (int g = 0; g < 6; ++g) {
        const int gl = area.left() + area.width() * g / 6;
        const int gr = area.left() + area.width() * (g + 1) / 6;
        p.fillRect(QRect(gl, area.top(), gr - gl, area.height()), Black);
        for (int x = gl; x < gr; x += periods[g])
            p.fillRect(QRect(x, area.top(), std::min(periods[g] / 2, gr - x), area.height()),
                       White);
    }
}

} // namespace

double CardArt::sheetWidth(const Canvas& canvas) {
    return canvas.pixels.height() > 0 ? SheetHeight * canvas.shownWidth() / canvas.pixels.height()
                                      : CoreWidth;
}

QImage CardArt::testCard(const Canvas& canvas) {
    return testCard(canvas.pixels, sheetWidth(canvas));
}

QImage CardArt::colourBars(const Canvas& canvas) {
    return colourBars(canvas.pixels, sheetWidth(canvas));
}

QImage CardArt::testCard(QSize pixels, double sheetWidth) {
    const Sheet sheet(pixels, sheetWidth);
    QImage image(pixels, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    testCardField(p, sheet, image.rect());

    // The circle, and everything inside it, clipped to it: round as shown, as sx and sy
    // carry the pixels' shape.
    const double radius = 440, rim = 6;
    const QPointF centre(sheet.x(sheet.centre()), sheet.y(SheetHeight / 2));
    p.setPen(Qt::NoPen);
    p.setBrush(White);
    p.drawEllipse(centre, (radius + rim) * sheet.sx, (radius + rim) * sheet.sy);
    QPainterPath inside;
    inside.addEllipse(centre, radius * sheet.sx, radius * sheet.sy);
    p.setClipPath(inside);
    const double discLeft = sheet.centre() - radius, discWidth = 2 * radius;
    fillGrid(p, sheet, sheet.rect(discLeft, SheetHeight / 2 - radius, discWidth, discWidth),
             MidGrey);

    // Black rectangle behind the call sign.
    p.fillRect(sheet.rect(sheet.centre() - 188, 80, 376, 92), Black);
    // Alternating black and white blocks.
    for (double x = discLeft; x < discLeft + discWidth; x += 40)
        p.fillRect(sheet.rect(x, 176, 40, 56), int((x - discLeft) / 40) % 2 ? White : Black);
    // Six colour bars.
    bars(p, sheet.rect(discLeft, 232, discWidth, 202), {Yellow, Cyan, Green, Magenta, Red, Blue});
    // Black band with the centre cross: the date goes left of the cross, the time right.
    const QRect band = sheet.rect(discLeft, 434, discWidth, 80);
    p.fillRect(band, Black);
    const int middle = int(centre.x());
    const int upright = lineWidth(sheet.sx, 3, true), level = lineWidth(sheet.sy, 3, true);
    const int arm = int(std::lround(48 * sheet.sx));
    p.fillRect(QRect(middle - upright / 2, band.top(), upright, band.height()), White);
    p.fillRect(QRect(middle - arm, band.center().y() - level / 2, 2 * arm + 1, level), White);
    gratings(p, sheet.rect(discLeft, 514, discWidth, 86));
    // Five-step grey scale.
    bars(p, sheet.rect(discLeft, 600, discWidth, 120),
         {Black, DarkGrey, MidGrey, LightGrey, White});
    // Black rectangle behind the frequency / locator line.
    p.fillRect(sheet.rect(sheet.centre() - 248, 722, 496, 82), Black);
    // Yellow band with a red block in its middle.
    p.fillRect(sheet.rect(discLeft, 808, discWidth, 112), BrightYellow);
    p.fillRect(QRect(middle - arm, sheet.y(808), 2 * arm, sheet.y(920) - sheet.y(808)), BrightRed);
    p.end();
    return image;
}

QImage CardArt::colourBars(QSize pixels, double sheetWidth) {
    const Sheet sheet(pixels, sheetWidth);
    QImage image(pixels, QImage::Format_RGB32);
    QPainter p(&image);
    fillGrid(p, sheet, image.rect(), Black);
    // Seven-step grey scale, black to white.
    QList<QColor> greys;
    for (int i = 0; i < 7; ++i)
        greys << QColor::fromRgb(255 * i / 6, 255 * i / 6, 255 * i / 6);
    bars(p, sheet.rect(0, 160, sheet.width, 200), greys);
    // Eight colour bars; the call sign sits on the grid above them.
    bars(p, sheet.rect(0, 520, sheet.width, 240),
         {White, Yellow, Cyan, Green, Magenta, Red, Blue, Black});
    // The thin row of blocks; the frequency sits on the grid below it.
    bars(p, sheet.rect(0, 760, sheet.width, 40),
         {Blue, Black, Magenta, Black, Cyan, Black, LightGrey, Black});
    p.end();
    return image;
}

QList<QRgb> CardArt::colours() {
    QList<QRgb> table;
    for (const QColor& c : {Black, White, MidGrey, LightGrey, Yellow, Cyan, Green, Magenta, Red,
                            Blue, BrightYellow, BrightRed, DarkGrey})
        table << c.rgb();
    for (int i = 1; i < 6; ++i) {
        const int v = 255 * i / 6;
        table << qRgb(v, v, v);
    }
    return table;
}

} // namespace kalvora
