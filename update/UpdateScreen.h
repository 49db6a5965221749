#pragma once

#include <cstdint>
#include <string>

// The news on the offer panel's status line.
enum class UpdateStatus {
    updating,   // the update has begun
    aborted,    // the download stopped
    received,   // the installer has come, so many bytes of it
    installing, // the installer is about to start
};

// What a message box tells the player.
enum class UpdateNotice {
    byPackageManager, // this copy is updated by the system's package manager
    failed,           // the update failed: the program is to be downloaded from the site by hand
};

// What the general error report is about.
enum class UpdateError {
    other,        // anything unforeseen: its reason is shown as it is
    cannotCreate, // the installer's file could not be made
    cannotWrite,  // the installer's file could not be written
};

// The offer panel `panel_update` with its buttons and status line, and the program's message
// boxes. The update reports facts; the screen chooses the words.
class UpdateScreen {
public:
    virtual ~UpdateScreen() = default;
    // Shows the panel and brings it to the front.
    virtual void showOffer() = 0;
    virtual void hideOffer() = 0;
    // Hides UPDATE and CANCEL.
    virtual void hideButtons() = 0;
    // The status line `label_update`; bytes counts for `received` only.
    virtual void setStatus(UpdateStatus status, std::uint64_t bytes) = 0;
    // A modal message box with one OK button; siteRoot is where `failed` sends the player.
    virtual void showMessage(UpdateNotice notice, const std::string& siteRoot) = 0;
    // The general error report: the file concerned (none for `other`) and the system's reason.
    virtual void reportError(UpdateError error, const std::string& file,
                             const std::string& reason) = 0;
};
