#include "app/ProgramIcon.h"

#include "widgets/EmbeddedPicture.h"

#include <QApplication>
#include <QIcon>

#include <initializer_list>

namespace {

void addSizes(QIcon& icon, std::initializer_list<int> sizes) {
    for (const int size : sizes)
        icon.addPixmap(
            embedded::pixmap(QStringLiteral(":/icons/bloomzap-%1.png").arg(size), "png"));
}

} // namespace

namespace programicon {

void setUsualSizes() {
    QIcon icon;
    addSizes(icon, {16, 22, 24, 32, 48, 64, 128});
    QApplication::setWindowIcon(icon);
}

void addLargeSizes() {
    QIcon icon = QApplication::windowIcon();
    addSizes(icon, {256, 512});
    QApplication::setWindowIcon(icon);
}

} // namespace programicon
