#include "tickerdialog/Fonts.h"

#include "platform/Controls.h"

#include <QEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>

namespace kalvora {

Fonts::Fonts(const Platform& platform)
    : LoadedWindow(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform) {
    setObjectName(QStringLiteral("Fonts"));
    setWindowTitle(tr("Fonts"));
    setFixedSize(twipsToPixels(4680), twipsToPixels(3090));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(120, 120, 4455, 2790));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    setInputColors(List1, Colours::Green, Qt::black);
    // A double-click anywhere in the list picks, also where there is no entry; so does Enter.
    List1->viewport()->installEventFilter(this);
    connect(List1, &QListWidget::activated, this, [this] { List1_DblClick(); });
    closeOnEscape();

    // No owner: centre on the screen the ticker dialog normally stands on.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Fonts::Form_Load() {
    List1->clear();
    // Every screen font, once, by its plain name, in the platform's order. Qt names a family
    // that several foundries make "C059 [urw]", "C059 [UKWN]"; the plain name finds it too.
    QStringList names;
    for (const QString& family : m_platform.screenFonts()) {
        const QString plain = family.section(QStringLiteral(" ["), 0, 0);
        if (!names.contains(plain))
            names << plain;
    }
    List1->addItems(names);
}

void Fonts::List1_DblClick() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    emit fontPicked(selected.isEmpty() ? QString() : selected.first()->text());
    unload();
}

bool Fonts::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        List1_DblClick();
        return true;
    }
    return LoadedWindow::eventFilter(watched, event);
}

} // namespace kalvora
