#include "about/Frm_info.h"

#include "about/Credits.h"
#include "pictures/Pictures.h"
#include "platform/Controls.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStringList>

namespace kalvora {

QString Credits::text() {
    const QStringList lines = {QString(),
                               QString(),
                               QString(),
                               QString(),
                               QStringLiteral("Kalvora Generator"),
                               QStringLiteral("Ver. 2.1.0"),
                               QStringLiteral("(13/02/2008)"),
                               QString(),
                               QStringLiteral("Created by"),
                               QString(),
                               AuthorName,
                               AuthorCallSign,
                               Town + QStringLiteral(", ") + Locator,
                               Country,
                               QString(),
                               QStringLiteral("_________________"),
                               QString(),
                               QStringLiteral("Thanks and please "),
                               QStringLiteral("send your feedback or "),
                               QStringLiteral("comments to"),
                               EMail};
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

namespace {

QFont makeFont(const QString& family, double points, bool bold) {
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

Frm_info::Frm_info(const Platform& platform)
    : LoadedWindow(Qt::Window | Qt::FramelessWindowHint), m_platform(platform) {
    setObjectName(QStringLiteral("Frm_info"));
    setWindowTitle(tr("About"));
    setFixedSize(twipsToPixels(4320), twipsToPixels(3030));
    const QPalette system = palette();
    const QColor windowText = system.color(QPalette::WindowText);
    const QColor menuText = system.color(QPalette::WindowText);
    const QColor windowBackground = system.color(QPalette::Base);

    Picture2 = placeControl(new QWidget(this), QStringLiteral("Picture2"), {65, 60, 4215, 2895});
    Picture2->setAutoFillBackground(true);
    setControlColors(Picture2, windowText, windowText);

    Image1 = placeControl(new QLabel(Picture2), QStringLiteral("Image1"), {0, 0, 1545, 1155});
    Image1->setPixmap(QPixmap(QString::fromLatin1(Pictures::Pattern1Small)));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label7 = placeControl(new QLabel(tr("For more info, log on to "), Picture2),
                          QStringLiteral("Label7"), {1800, 120, 2175, 735});
    Label7->setFont(makeFont(QStringLiteral("Arial"), 9, false));
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setControlColors(Label7, QColor(0xE0, 0xE0, 0xE0), Qt::transparent);

    QUrl address(Credits::WebAddress);
    Label2 = placeControl(new QLabel(address.host() + address.path(), Picture2),
                          QStringLiteral("Label2"), {1680, 480, 2295, 255});
    Label2->setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    Label2->setCursor(Qt::UpArrowCursor);
    setControlColors(Label2, Qt::white, Qt::transparent);

    Picture1 =
        placeControl(new QWidget(Picture2), QStringLiteral("Picture1"), {720, 1560, 2655, 975});
    Picture1->setAutoFillBackground(true);
    Picture1->setFocusPolicy(Qt::StrongFocus);
    setControlColors(Picture1, menuText, menuText);

    // Under the credits, uncovered as their end passes up through the viewport.
    Label3 = placeControl(new QLabel(Credits::AuthorCallSign, Picture1), QStringLiteral("Label3"),
                          {220, 90, 2175, 495});
    Label3->setFont(makeFont(QStringLiteral("Calisto MT"), 18, true));
    setControlColors(Label3, Colours::Green, Qt::transparent);
    auto* line2 =
        placeControl(new QWidget(Picture1), QStringLiteral("Line2"), {600, 450, 1800, 15});
    line2->setAutoFillBackground(true);
    setControlColors(line2, Colours::Green, Colours::Green);
    Label5 = placeControl(new QLabel(QStringLiteral("ATV Kalvra  V2.1"), Picture1),
                          QStringLiteral("Label5"), {620, 450, 1815, 255});
    setControlColors(Label5, Colours::Green, Qt::transparent);

    Text1 = placeControl(new QLabel(Credits::text(), Picture1), QStringLiteral("Text1"),
                         {0, 0, 2610, Text1HeightTwips});
    Text1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Text1->setTextInteractionFlags(Qt::NoTextInteraction);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->setAutoFillBackground(true);
    setControlColors(Text1, windowBackground, menuText);

    Label1 = placeControl(new QLabel(tr("Exit"), Picture2), QStringLiteral("Label1"),
                          {3820, 2600, 495, 255});
    setControlColors(Label1, system.color(QPalette::Light), Qt::transparent);
    Label1->setCursor(Qt::PointingHandCursor);

    for (QObject* clickable : {static_cast<QObject*>(Label1), static_cast<QObject*>(Label2),
                               static_cast<QObject*>(Text1)})
        clickable->installEventFilter(this);

    closeOnEscape();
    Timer2.setInterval(20);
    connect(&Timer2, &QTimer::timeout, this, &Frm_info::Timer2_Timer);
    Timer2.start();
}

void Frm_info::Timer2_Timer() {
    m_text1Top -= 10;
    Text1->move(0, twipsToPixels(m_text1Top));
    if (m_text1Top + Text1HeightTwips < -120)
        unload();
}

void Frm_info::Label2_Click() {
    // A browser that cannot be started changes nothing here: the credits go on.
    if (m_platform.openUrl)
        m_platform.openUrl(QUrl(Credits::WebAddress));
}

bool Frm_info::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == Text1) {
        // The credits never take the focus: no caret, nothing to select.
        Picture1->setFocus();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label1) {
            Label1_Click();
            return true;
        }
        if (watched == Label2) {
            Label2_Click();
            return true;
        }
    }
    return LoadedWindow::eventFilter(watched, event);
}

void Frm_info::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const auto line = [&](const QColor& color, int x1, int y1, int x2, int y2) {
        painter.setPen(color);
        painter.drawLine(twipsToPixels(x1), twipsToPixels(y1), twipsToPixels(x2),
                         twipsToPixels(y2));
    };
    const QColor outer = palette().color(QPalette::WindowText);
    const QColor inner = palette().color(QPalette::HighlightedText);
    line(outer, 0, 0, 4300, 0);
    line(outer, 0, 0, 0, 3000);
    line(outer, 0, 3000, 4300, 3000);
    line(outer, 4300, 0, 4300, 3000);
    line(inner, 30, 30, 4300, 30);
    line(inner, 30, 30, 30, 2980);
    line(inner, 4270, 30, 4270, 2960);
    line(inner, 30, 2955, 4200, 3000);
}

} // namespace kalvora
