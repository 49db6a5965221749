#include "update/QtUpdateScreen.h"

#include "widgets/CoreText.h"
#include "widgets/PlayerMessage.h"
#include "widgets/WidgetAccessible.h"

#include <QLabel>
#include <QWidget>

namespace {

// The self-update's status lines and messages; what it passes on from the system stays as it is.
constexpr const char* updateTexts[] = {
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Updating. Please Wait..."),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Download Aborted"),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Received %1 bytes"),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Installing"),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Cannot create file %1"),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "Cannot write to file %1"),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "There was an error in the update process. Please "
                                        "download BLOOMZAP manually from %1."),
    QT_TRANSLATE_NOOP("QtUpdateScreen", "This copy of Bloomzap is updated by the system's "
                                        "package manager. Please update it from there.")};

QString shown(const std::string& text) {
    return translatedCoreText("QtUpdateScreen", updateTexts, text);
}

} // namespace

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
    m_widgets.label_update->setText(shown(text));
    accessibility::displayChanged(m_widgets.label_update);
}

void QtUpdateScreen::showMessage(const std::string& text) {
    if (m_message) {
        m_message(shown(text));
        return;
    }
    showPlayerMessage(m_window, QString::fromLatin1(applicationTitle), shown(text));
}

void QtUpdateScreen::reportError(const std::string& text) {
    showMessage(text);
}
