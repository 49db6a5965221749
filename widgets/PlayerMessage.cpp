#include "widgets/PlayerMessage.h"

#include <QMessageBox>

void showPlayerMessage(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}
