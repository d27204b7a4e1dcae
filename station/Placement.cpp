#include "station/Placement.h"

#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

// The first rule's corner, x = the primary screen's width, is right of it on a desktop whose
// primary screen starts at x = 0, as on Windows. Elsewhere it is taken at the primary's own
// right edge; where no other screen lies there, the other screen nearest to that corner is
// the transmitter's, so that a pattern never covers the primary while another screen is
// connected. With the primary alone the corner stays where the rule puts it.
QPoint automaticOutputCorner(const QList<ScreenInfo>& screens, const ScreenInfo& primary) {
    const QRect& own = primary.geometry;
    const QPoint corner(own.x() + own.width(), own.y());
    const auto distance = [&corner](const QRect& area) {
        const int dx = std::max({area.left() - corner.x(), 0, corner.x() - area.right()});
        const int dy = std::max({area.top() - corner.y(), 0, corner.y() - area.bottom()});
        return qint64(dx) * dx + qint64(dy) * dy;
    };
    const ScreenInfo* nearest = nullptr;
    for (const ScreenInfo& screen : screens) {
        if (screen.primary)
            continue;
        if (screen.geometry.contains(corner))
            return corner;
        if (!nearest || distance(screen.geometry) < distance(nearest->geometry))
            nearest = &screen;
    }
    return nearest ? nearest->geometry.topLeft() : QPoint(own.width(), 0);
}

} // namespace

QPoint patternCorner(const QList<ScreenInfo>& screens, const QString& chosen, bool onOutput) {
    const auto primary = std::find_if(screens.begin(), screens.end(),
                                      [](const ScreenInfo& screen) { return screen.primary; });
    // The operator's side: 0, 0 where the primary screen starts, as on Windows; its own corner
    // where another screen lies at 0, 0.
    const QPoint primaryCorner =
        primary == screens.end() ? QPoint(0, 0) : primary->geometry.topLeft();
    if (chosen.isEmpty())
        return onOutput && primary != screens.end() ? automaticOutputCorner(screens, *primary)
                                                    : primaryCorner;
    if (!onOutput)
        return primaryCorner;
    const auto output =
        std::find_if(screens.begin(), screens.end(),
                     [&chosen](const ScreenInfo& screen) { return screen.name == chosen; });
    return output == screens.end() ? primaryCorner : output->geometry.topLeft();
}

std::optional<ScreenInfo> transmitterScreen(const QList<ScreenInfo>& screens,
                                            const QString& chosen) {
    const QPoint corner = patternCorner(screens, chosen, true);
    for (const ScreenInfo& screen : screens) {
        if (!chosen.isEmpty() && screen.name == chosen)
            return screen;
        if (chosen.isEmpty() && !screen.primary && screen.geometry.contains(corner))
            return screen;
    }
    return std::nullopt;
}

QString screenCaption(const ScreenInfo& screen) {
    QString caption = screen.name.isEmpty() ? QStringLiteral("?") : screen.name;
    if (!screen.model.isEmpty())
        caption += QStringLiteral(" (%1)").arg(screen.model);
    return caption +
           QStringLiteral(", %1 x %2").arg(screen.pixelSize.width()).arg(screen.pixelSize.height());
}

} // namespace kalvora

namespace kalvora {

OutputScale outputScaleFrom(const QString& text) {
    if (text == QLatin1String("fit"))
        return OutputScale::Fit;
    if (text == QLatin1String("fill"))
        return OutputScale::Fill;
    return OutputScale::OneToOne;
}

QString outputScaleText(OutputScale scale) {
    switch (scale) {
    case OutputScale::Fit:
        return QStringLiteral("fit");
    case OutputScale::Fill:
        return QStringLiteral("fill");
    case OutputScale::OneToOne:
        break;
    }
    return QStringLiteral("1:1");
}

OutputPlace outputPlace(const QList<ScreenInfo>& screens, QPoint corner, bool onOutput,
                        OutputScale scale, QSize design) {
    const auto screen =
        std::find_if(screens.begin(), screens.end(), [corner](const ScreenInfo& candidate) {
            return candidate.geometry.contains(corner);
        });
    OutputPlace place;
    place.devicePixelRatio =
        screen == screens.end() || screen->devicePixelRatio <= 0 ? 1 : screen->devicePixelRatio;
    const double ratio = place.devicePixelRatio;
    if (!onOutput || screen == screens.end() || scale == OutputScale::OneToOne) {
        // Whole Qt pixels that hold the pattern's device pixels; any part pixel left over
        // stays black.
        place.window = QRect(corner, QSize(int(std::ceil(design.width() / ratio - 1e-9)),
                                           int(std::ceil(design.height() / ratio - 1e-9))));
        place.picture = QRect(QPoint(0, 0), design);
        return place;
    }
    place.window = screen->geometry;
    const QSize device = screen->pixelSize.isValid()
                             ? screen->pixelSize
                             : (QSizeF(screen->geometry.size()) * ratio).toSize();
    if (scale == OutputScale::Fill) {
        place.picture = QRect(QPoint(0, 0), device);
        return place;
    }
    // The largest size with the pattern's shape, rounded to whole device pixels, centred.
    const double factor = std::min(double(device.width()) / design.width(),
                                   double(device.height()) / design.height());
    const QSize shown(std::min(device.width(), int(std::lround(design.width() * factor))),
                      std::min(device.height(), int(std::lround(design.height() * factor))));
    place.picture =
        QRect(QPoint((device.width() - shown.width()) / 2, (device.height() - shown.height()) / 2),
              shown);
    return place;
}

} // namespace kalvora
