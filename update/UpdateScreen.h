#pragma once

#include <string>

// The offer panel `panel_update` with its buttons and status line, and the program's message
// boxes.
class UpdateScreen {
public:
    virtual ~UpdateScreen() = default;
    // Shows the panel and brings it to the front.
    virtual void showOffer() = 0;
    virtual void hideOffer() = 0;
    // Hides UPDATE and CANCEL.
    virtual void hideButtons() = 0;
    // The status line `label_update`.
    virtual void setStatus(const std::string& text) = 0;
    // A modal message box with one OK button.
    virtual void showMessage(const std::string& text) = 0;
    // The general error report: a message box with the error's own text.
    virtual void reportError(const std::string& text) = 0;
};
