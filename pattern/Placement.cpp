#include "pattern/Placement.h"

#include <algorithm>

namespace kalvora {

QPoint patternPlace(const QList<ScreenInfo>& screens, const QString& chosen, bool onOutput) {
    const auto primary = std::find_if(screens.begin(), screens.end(),
                                      [](const ScreenInfo& screen) { return screen.primary; });
    if (chosen.isEmpty()) {
        if (!onOutput || primary == screens.end())
            return QPoint(0, 0);
        return QPoint(primary->geometry.width(), 0);
    }
    const QPoint primaryCorner = primary == screens.end() ? QPoint(0, 0)
                                                          : primary->geometry.topLeft();
    if (!onOutput)
        return primaryCorner;
    const auto output = std::find_if(screens.begin(), screens.end(),
                                     [&chosen](const ScreenInfo& screen) {
                                         return screen.name == chosen;
                                     });
    return output == screens.end() ? primaryCorner : output->geometry.topLeft();
}

QString screenCaption(const ScreenInfo& screen) {
    QString caption = screen.name.isEmpty() ? QStringLiteral("?") : screen.name;
    if (!screen.model.isEmpty())
        caption += QStringLiteral(" (%1)").arg(screen.model);
    return caption + QStringLiteral(", %1 x %2")
                         .arg(screen.pixelSize.width())
                         .arg(screen.pixelSize.height());
}

} // namespace kalvora
