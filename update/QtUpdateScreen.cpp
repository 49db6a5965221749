#include "update/QtUpdateScreen.h"

#include "widgets/WidgetAccessible.h"

#include <QLabel>
#include <QMessageBox>
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

void QtUpdateScreen::setStatus(const std::string& text) {
    m_widgets.label_update->setText(QString::fromStdString(text));
    accessibility::displayChanged(m_widgets.label_update);
}

void QtUpdateScreen::showMessage(const std::string& text) {
    if (m_message) {
        m_message(QString::fromStdString(text));
        return;
    }
    // One OK button and no icon, titled with the application's title.
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(applicationTitle),
                    QString::fromStdString(text), QMessageBox::Ok, m_window);
    box.exec();
}

void QtUpdateScreen::reportError(const std::string& text) {
    showMessage(text);
}
