#pragma once

// The game window's update check and self-update: its web clients `checkupdate` and
// `getupdate`, bound to the offer panel and to SelfUpdate.
//
// The window calls FormShow once, when it is first shown, and forwards the clicks of UPDATE
// and CANCEL. Closing the window during the download destroys this object, which aborts the
// download and removes the unchecked installer; SIGTERM, SIGINT or SIGHUP during the download
// do the same and then close the window.

#include "app/HttpGetVersionFetch.h"
#include "online/HTTPGet.h"
#include "update/InstallerLauncher.h"
#include "update/QtDownloader.h"
#include "update/QtTerminationWatch.h"
#include "update/QtUpdateScreen.h"
#include "update/SelfUpdate.h"

#include <QObject>

#include <filesystem>
#include <optional>
#include <string>

class QString;
class QWidget;

// The update check and self-update bound to the game window (see above).
class Updater : public QObject {
public:
    // Whether this build installs updates itself (the CMake option BLOOMZAP_SELF_UPDATE) or
    // leaves that to the system's package manager.
    static SelfUpdate::Installing buildInstalling();

    // window: the game window, parent of this object and of the message boxes. key: the
    // maker's public key (updatePublicKey()). process: replaces the real installer start and
    // process end (tests); null for the real ones. message: shows the message boxes, when given.
    Updater(QWidget* window, UpdatePanelWidgets widgets, std::string siteRoot,
            std::optional<UpdatePublicKey> key, ProcessControl* process = nullptr,
            UpdateMessage message = {}, SelfUpdate::Installing installing = buildInstalling());
    ~Updater() override;

    // The window has been shown for the first time; programVersion is the About window's
    // `version` text.
    void FormShow(bool switchOn, const QString& programVersion);
    void button_updateyesClick(); // the running program's own file
    void button_updateyesClick(const std::filesystem::path& programFile);
    void button_updatecancelClick();

    THTTPGet* checkupdate;
    QtDownloader* getupdate;
    const SelfUpdate& selfUpdate() const { return m_update; }

private:
    // A termination signal has come; the download, if one runs, ends as when the window closes.
    void terminationSignal(int signal);

    QWidget* m_window;
    HttpGetVersionFetch m_fetch;
    QtUpdateScreen m_screen;
    InstallerLauncher m_realProcess;
    SelfUpdate m_update;
    QtTerminationWatch* m_termination;
};
