#include "tally/TallyMessageBoxes.h"

#include "widgets/PlayerMessage.h"

#include <QMessageBox>

TallyAnswer TallyMessageBoxes::askYesNo(const std::string& title, const std::string& text) {
    switch (QMessageBox::question(m_parent, QString::fromStdString(title),
                                  QString::fromStdString(text),
                                  QMessageBox::Yes | QMessageBox::No)) {
    case QMessageBox::Yes:
        return TallyAnswer::Yes;
    case QMessageBox::No:
        return TallyAnswer::No;
    default:
        return TallyAnswer::Closed;
    }
}

void TallyMessageBoxes::showError(const std::string& title, const std::string& text) {
    showPlayerMessage(m_parent, QString::fromStdString(title), QString::fromStdString(text));
}
