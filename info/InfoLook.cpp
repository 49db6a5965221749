#include "info/InfoLook.h"

#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"

#include <QDate>
#include <QLabel>
#include <QWidget>

namespace info {

namespace {

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                  const QFont& font, const QColor& colour, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    setTextColour(label, colour);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setGeometry(place);
    return label;
}

TSelButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width) {
    auto* button = new TSelButton(parent);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setGeometry(left, top, width, 20);
    house::styleButton(button, house::darkGrey, buttonPixels);
    return button;
}

ClickLabel* makeLink(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                     const QFont& font, const QColor& colour) {
    auto* link = new ClickLabel(parent);
    link->setObjectName(name);
    link->setText(text);
    link->setFont(font);
    setTextColour(link, colour);
    link->setAlignment(Qt::AlignCenter);
    link->setGeometry(place);
    return link;
}

void centrePair(QLabel* first, QLabel* second, const QRect& line) {
    first->adjustSize();
    second->adjustSize();
    const int gap = first->fontMetrics().horizontalAdvance(QLatin1Char(' '));
    const int left = line.left() + (line.width() - first->width() - gap - second->width()) / 2;
    first->setGeometry(left, line.top(), first->width(), line.height());
    second->setGeometry(left + first->width() + gap, line.top(), second->width(), line.height());
}

void paintWindow(QWidget* window, const QColor& colour) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colour);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

void centreOver(QWidget* window, const QWidget* anchor) {
    if (!anchor) {
        return;
    }
    window->move(window->pos() + anchor->frameGeometry().center() -
                 window->frameGeometry().center());
}

void bringUp(QWidget* window) {
    // A window the player minimised comes back too; show() alone leaves it an icon.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

QImage ownerBackground(const QWidget* owner) {
    if (!owner) {
        return {};
    }
    const auto* tiler = owner->findChild<TLbBackground*>(QStringLiteral("LbBackground1"));
    return tiler ? tiler->Image() : QImage();
}

QString currentYear() {
    return QString::number(QDate::currentDate().year());
}

} // namespace info
