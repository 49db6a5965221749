#pragma once

// What the self-update needs of its surroundings: the offer panel, the version fetch, the
// installer download and the process. Qt binds them in the game; tests record them.

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

// The background text fetch `checkupdate`. A reply arrives only for a fetch that delivered a
// non-empty body; a failed fetch is silent.
class VersionFetch {
public:
    virtual ~VersionFetch() = default;
    virtual void fetchString(const std::string& url) = 0;
};

enum class DownloadOutcome {
    Received,    // the whole body of a reply with a status below 400
    HttpFailure, // status 400 or above, host not found, connection refused, aborted
    WriteFailure // the sink refused the body (too long, or it could not be stored)
};

// Receives the body in pieces; returns false when it cannot take them.
using DownloadSink = std::function<bool(const char* data, std::size_t size)>;
using DownloadDone = std::function<void(DownloadOutcome)>;

// The file download `getupdate`: one request at a time, finished by one call of done, which
// comes after get has returned. The sink is called from any thread, but never after done.
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual void get(const std::string& url, DownloadSink sink, DownloadDone done) = 0;
};

// Starting the installer and ending the program.
class ProcessControl {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;
    virtual ~ProcessControl() = default;
    // Starts the program open at descriptor (read-only, the very bytes that were checked) as a
    // process of its own, with these additions to the environment; true when it runs. The
    // descriptor stays the caller's.
    virtual bool startDetached(int descriptor, const std::vector<std::string>& arguments,
                               const Environment& environment) = 0;
    // Ends the process at once with exit code 0: no settings saved, no window closed.
    // Does not return in the program.
    virtual void exitNow() = 0;
};
