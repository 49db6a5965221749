#pragma once

// The update check and the self-update of the game window, without Qt.
//
// Check: when the window is first shown and the switch is on, the version file is fetched;
// a reply that differs in any way from the program's version text (exact, case-sensitive,
// nothing trimmed) shows the offer panel. CANCEL hides it.
//
// UPDATE: the buttons are hidden and the maker's signed release statement is fetched. Only a
// statement that verifies against the built-in key, names this product and exactly the offered
// version, which must be newer than the program's own, lets the installer be downloaded: into
// a fresh file beside the program, hashed as it arrives, never past the stated size. When size
// and hash match, the program file is moved to its backup name and the installer is started
// from the descriptor that was checked ("/SP- /silent /noicons"); the process then ends at once
// with code 0. A failed download shows "Download Aborted"; a refused statement or installer
// (which is deleted) or a failed start shows the update error message. The program file keeps
// its name until the start and gets it back when the start fails.
//
// A build whose updates come from the system's package manager still checks and offers, but
// UPDATE only says so and writes nothing.

#include "common/SiteNames.h"
#include "update/Downloader.h"
#include "update/InstallerFile.h"
#include "update/InstallerSignature.h"
#include "update/ProcessControl.h"
#include "update/ReleaseStatement.h"
#include "update/UpdateScreen.h"
#include "update/VersionFetch.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SelfUpdate {
public:
    // The product word, for the game window's start-up lock.
    static constexpr const char* productWord = site::productWord.data();
    // The installer learns from these which program file to replace and which process to
    // wait for.
    static constexpr const char* targetVariable = "BLOOMZAP_UPDATE_TARGET";
    static constexpr const char* processVariable = "BLOOMZAP_UPDATE_PID";
    // No statement may ask for more.
    static constexpr std::uint64_t largestInstaller = 256u * 1024 * 1024;
    static const std::vector<std::string> installerParameters;

    enum class Installing { ByItself, ByPackageManager };
    enum class Stage { Idle, FetchingStatement, Downloading, Stopped, Started };

    // siteRoot: "http://…/" of the maker's web site. key: the maker's public key; without one
    // every installer is refused.
    SelfUpdate(UpdateScreen& screen, VersionFetch& checkupdate, Downloader& getupdate,
               ProcessControl& process, std::string siteRoot, std::optional<UpdatePublicKey> key,
               Installing installing = Installing::ByItself);
    ~SelfUpdate();
    SelfUpdate(const SelfUpdate&) = delete;
    SelfUpdate& operator=(const SelfUpdate&) = delete;

    // The window has been shown for the first time.
    void startCheck(bool switchOn, const std::string& programVersion);
    // The version fetch delivered a body.
    void checkupdateDoneString(const std::string& reply);
    void button_updatecancelClick();
    // programFile: the full path of the running program.
    void button_updateyesClick(const std::filesystem::path& programFile);

    // The program ends while a download runs (the download has been stopped and will not
    // report): an unchecked installer is removed. Nothing is shown.
    void abandon();

    Stage stage() const { return m_stage; }
    bool downloading() const {
        return m_stage == Stage::FetchingStatement || m_stage == Stage::Downloading;
    }

    static std::filesystem::path backupName(const std::filesystem::path& programFile);
    // What is left of address once everything up to each "/" is removed.
    static std::string localFileName(std::string address);
    static std::string versionFileAddress(const std::string& siteRoot);
    static std::string installerAddress(const std::string& siteRoot);

private:
    // Runs a step; an exception stops the sequence and goes to the error report.
    void guarded(const std::function<void()>& step);
    void statementFetched(DownloadOutcome outcome);
    // Why the fetched statement cannot be trusted for this update; empty when it can.
    std::string whyRefused();
    void startDownload();
    void installerDownloaded(DownloadOutcome outcome);
    void install();
    // Ends the sequence: the installer is closed, and deleted when it was refused.
    void stop(bool deleteInstaller);
    void refuse();
    void writeFailed(int error);

    UpdateScreen& m_screen;
    VersionFetch& m_checkupdate;
    Downloader& m_getupdate;
    ProcessControl& m_process;
    std::string m_siteRoot;
    std::optional<UpdatePublicKey> m_key;
    Installing m_installing;
    std::string m_programVersion;
    std::string m_offeredVersion;

    Stage m_stage = Stage::Idle;
    std::filesystem::path m_programFile;
    std::string m_statementBytes;
    ReleaseStatement m_statement;
    std::unique_ptr<InstallerFile> m_installer;
};
