#include "update/QtUpdateScreen.h"

#include "widgets/PlayerMessage.h"
#include "widgets/WidgetAccessible.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

QtUpdateScreen::QtUpdateScreen(QWidget* window, UpdatePanelWidgets widgets, UpdateMessage message)
    : m_window(window), m_widgets(widgets), m_message(std::move(message)) {}

void QtUpdateScreen::showOffer() {
    m_widgets.panel_update->show();
    m_widgets.panel_update->raise();
}

void QtUpdateScreen::hideOffer() {
    m_widgets.panel_update->hide();
}

void QtUpdateScreen::hideButtons() {
    m_widgets.button_updateyes->hide();
    m_widgets.button_updatecancel->hide();
}

void QtUpdateScreen::setStatus(UpdateStatus status, std::uint64_t bytes) {
    QString text;
    switch (status) {
    case UpdateStatus::updating:
        text = QCoreApplication::translate("QtUpdateScreen", "Updating. Please Wait...");
        break;
    case UpdateStatus::aborted:
        text = QCoreApplication::translate("QtUpdateScreen", "Download Aborted");
        break;
    case UpdateStatus::received:
        text = QCoreApplication::translate("QtUpdateScreen", "Received %1 bytes").arg(bytes);
        break;
    case UpdateStatus::installing:
        text = QCoreApplication::translate("QtUpdateScreen", "Installing");
        break;
    }
    m_widgets.label_update->setText(text);
    accessibility::displayChanged(m_widgets.label_update);
}

void QtUpdateScreen::showMessage(UpdateNotice notice, const std::string& siteRoot) {
    switch (notice) {
    case UpdateNotice::byPackageManager:
        show(QCoreApplication::translate("QtUpdateScreen",
                                         "This copy of Bloomzap is updated by the system's "
                                         "package manager. Please update it from there."));
        return;
    case UpdateNotice::failed:
        show(QCoreApplication::translate("QtUpdateScreen",
                                         "There was an error in the update process. Please "
                                         "download BLOOMZAP manually from %1.")
                 .arg(QString::fromStdString(siteRoot)));
        return;
    }
}

void QtUpdateScreen::reportError(UpdateError error, const std::string& file,
                                 const std::string& reason) {
    // The file in quotes, then the system's reason.
    const QString what = QLatin1Char('"') + QString::fromStdString(file) + QLatin1String("\". ") +
                         QString::fromStdString(reason);
    switch (error) {
    case UpdateError::cannotCreate:
        show(QCoreApplication::translate("QtUpdateScreen", "Cannot create file %1").arg(what));
        return;
    case UpdateError::cannotWrite:
        show(QCoreApplication::translate("QtUpdateScreen", "Cannot write to file %1").arg(what));
        return;
    case UpdateError::other:
        show(QString::fromStdString(reason));
        return;
    }
}

void QtUpdateScreen::show(const QString& text) {
    if (m_message) {
        m_message(text);
        return;
    }
    showPlayerMessage(m_window, QString::fromLatin1(applicationTitle), text);
}
