#pragma once

// The offer panel of the game window and its message boxes, as the self-update sees them.

#include "update/UpdateScreen.h"

#include <functional>

class QString;
class QLabel;
class QWidget;

// A modal message box with one OK button, titled with the application's title.
using UpdateMessage = std::function<void(const QString& text)>;

// The game window's components of the update offer.
struct UpdatePanelWidgets {
    QWidget* panel_update = nullptr;
    QWidget* button_updateyes = nullptr;
    QWidget* button_updatecancel = nullptr;
    QLabel* label_update = nullptr;
};

class QtUpdateScreen : public UpdateScreen {
public:
    static constexpr const char* applicationTitle = "Bloomzap";

    // window: the parent of the message boxes. message: shows them instead of QMessageBox
    // (the game window's own message box, or a test's), when given.
    QtUpdateScreen(QWidget* window, UpdatePanelWidgets widgets, UpdateMessage message = {});

    void showOffer() override;
    void hideOffer() override;
    void hideButtons() override;
    void setStatus(UpdateStatus status, std::uint64_t bytes) override;
    void showMessage(UpdateNotice notice, const std::string& siteRoot) override;
    void reportError(UpdateError error, const std::string& file,
                     const std::string& reason) override;

private:
    void show(const QString& text);

    QWidget* m_window;
    UpdatePanelWidgets m_widgets;
    UpdateMessage m_message;
};
