#include "platform/LoadedWindow.h"

#include <QCloseEvent>
#include <QFont>
#include <QShortcut>

namespace kalvora {

LoadedWindow::LoadedWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The font every window and control uses unless it says otherwise.
    QFont standard(QStringLiteral("MS Sans Serif"));
    standard.setPointSizeF(8.25);
    setFont(standard);
}

void LoadedWindow::closeOnEscape() {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void LoadedWindow::showInFront() {
    show();
    raise();
    // A window that takes no keyboard (a test pattern) comes to the front and leaves the
    // keyboard where the operator is typing.
    if (!windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        activateWindow();
}

void LoadedWindow::closeEvent(QCloseEvent* event) {
    if (unloadsOnlyByProgram() && !m_unloadRequested) {
        event->ignore();
        hide();
        return;
    }
    Form_Unload();
    event->accept();
    emit unloaded();
}

void installFontSubstitutes() {
    // Windows' own font mapper turns "MS Sans Serif" into Microsoft Sans Serif, which is
    // Arial-like; elsewhere, and off screen on Windows (where Qt reads font files itself), these
    // stand in. A substitute is only used where the family itself is missing, and must be a
    // real family: an alias such as "Arial" is not one to Qt.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitutions(QStringLiteral("Calisto MT"), {QStringLiteral("Liberation Serif"),
                                                              QStringLiteral("DejaVu Serif")});
#ifdef Q_OS_WIN
    // Elsewhere the system's font configuration already knows this one.
    QFont::insertSubstitutions(QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans")});
#endif
}

} // namespace kalvora
