#include "app/Preview.h"

#include "pattern/FrameRenderer.h"
#include "pattern/PatternWindow.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QScreen>

namespace kalvora {

namespace {

// "x,y,width,height", or an empty rectangle for a text that is not one.
QRect geometryFrom(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return QRect();
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return QRect();
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

} // namespace

Preview::Preview(SettingsStore& store, StationClock& clock, std::function<PreviewPicture()> onAir)
    : LoadedWindow(Qt::Window), m_store(store), m_onAir(std::move(onAir)), m_refresh(clock) {
    setObjectName(QStringLiteral("Preview"));
    setWindowTitle(tr("Voorbeeld"));
    setMinimumSize(PatternWindow::designSize() / 8);
    setAttribute(Qt::WA_OpaquePaintEvent);
    closeOnEscape();

    QRect stored = geometryFrom(m_store.ReadSetting(QString::fromLatin1(GeometryKey), QString()));
    // Never larger than the screens together: a huge stored size would cost memory and a
    // core for nothing anybody can see. A place on a screen that is no longer there is not used.
    const QRect desktop = screen() ? screen()->virtualGeometry() : QRect();
    if (!desktop.isEmpty()) {
        setMaximumSize(desktop.size().expandedTo(minimumSize()));
        stored.setSize(stored.size().boundedTo(maximumSize()));
    }
    if (stored.isValid() && desktop.intersects(stored))
        setGeometry(stored);
    else
        resize(PatternWindow::designSize() / 3);

    connect(&m_refresh, &Beat::timeout, this, qOverload<>(&QWidget::update));
    m_refresh.start(RefreshMs);
    m_settle.setSingleShot(true);
    m_settle.setInterval(500);
    connect(&m_settle, &QTimer::timeout, this, &Preview::storeGeometry);
}

void Preview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const PreviewPicture onAir = m_onAir();
    const QString status = m_status ? m_status() : QString();
    // The stream's line, where there is one, below the picture.
    const int statusHeight = status.isEmpty() ? 0 : fontMetrics().height() + 4;
    const QRect area = rect().adjusted(0, 0, 0, -statusHeight);
    if (statusHeight) {
        painter.setPen(Qt::yellow);
        painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignBottom | Qt::AlignLeft,
                         fontMetrics().elidedText(status, Qt::ElideRight, width() - 8));
    }
    PatternWindow* pattern = onAir.pattern;
    if (!pattern) {
        painter.setPen(Qt::white);
        painter.drawText(area.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         onAir.whyNothing);
        return;
    }
    // The whole pattern, as large as fits, its shape kept: the frame the output shows.
    const QSize shown = PatternWindow::designSize().scaled(area.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRect(QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2),
              shown),
        pattern->frames().frame());
}

void Preview::moveEvent(QMoveEvent* event) {
    LoadedWindow::moveEvent(event);
    m_settle.start();
}

void Preview::resizeEvent(QResizeEvent* event) {
    LoadedWindow::resizeEvent(event);
    m_settle.start();
}

void Preview::Form_Unload() {
    m_refresh.stop();
    storeGeometry();
}

void Preview::storeGeometry() {
    m_settle.stop();
    const QRect place = geometry();
    m_store.WriteSetting(QString::fromLatin1(GeometryKey), QStringLiteral("%1,%2,%3,%4")
                                                               .arg(place.x())
                                                               .arg(place.y())
                                                               .arg(place.width())
                                                               .arg(place.height()));
}

} // namespace kalvora
