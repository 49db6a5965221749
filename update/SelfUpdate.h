#pragma once

// The update check and the self-update of the game window, without Qt.
//
// Check: when the window is first shown and the switch is on, the version file is fetched;
// a reply that differs in any way from the program's version text (exact, case-sensitive,
// nothing trimmed) shows the offer panel. CANCEL hides it.
//
// UPDATE: the buttons are hidden, the program file is moved to its backup name, the installer
// is downloaded beside it, its detached signature fetched and checked against the maker's key,
// and only a verified installer is started ("/SP- /silent /noicons"), after which the process
// ends at once with code 0. A failed download shows "Download Aborted"; a refused or failed
// start shows the update error message. Whenever the sequence stops, the program file gets its
// own name back; an installer that did not verify is deleted.

#include "update/InstallerSignature.h"
#include "update/UpdateCalls.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SelfUpdate {
public:
    static constexpr const char* productWord = "bloomzap";
    static constexpr const char* installerFileName = "bzpsetup.exe";
    static constexpr const char* signatureSuffix = ".sig";
    // The installer learns from these which program file to replace and which process to
    // wait for.
    static constexpr const char* targetVariable = "BLOOMZAP_UPDATE_TARGET";
    static constexpr const char* processVariable = "BLOOMZAP_UPDATE_PID";
    static const std::vector<std::string> installerParameters;

    enum class Stage { Idle, Downloading, FetchingSignature, Stopped, Started };

    // siteRoot: "http://…/" of the maker's web site. key: the maker's public key; without one
    // every installer is refused.
    SelfUpdate(UpdateScreen& screen, VersionFetch& checkupdate, Downloader& getupdate,
               ProcessControl& process, std::string siteRoot, std::optional<UpdatePublicKey> key);
    ~SelfUpdate();
    SelfUpdate(const SelfUpdate&) = delete;
    SelfUpdate& operator=(const SelfUpdate&) = delete;

    // The window has been shown for the first time.
    void startCheck(bool switchOn, const std::string& programVersion);
    // The version fetch delivered a body.
    void checkupdateDoneString(const std::string& reply);
    void button_updatecancelClick();
    // programFile: the full path of the running program, taken before anything is renamed.
    void button_updateyesClick(const std::filesystem::path& programFile);

    // The program ends while a download runs (the download has been stopped and will not
    // report): the program file gets its name back, an unchecked installer is removed. Nothing
    // is shown.
    void abandon();

    Stage stage() const { return m_stage; }

    static std::filesystem::path backupName(const std::filesystem::path& programFile);
    // What is left of address once everything up to each "/" is removed.
    static std::string localFileName(std::string address);
    static std::string versionFileAddress(const std::string& siteRoot);
    static std::string installerAddress(const std::string& siteRoot);
    static std::string updateErrorText(const std::string& siteRoot);

private:
    // Runs a step; an exception stops the sequence and goes to the error report.
    void guarded(const std::function<void()>& step);
    void startDownload(const std::filesystem::path& programFile);
    void installerDownloaded(DownloadOutcome outcome);
    void signatureDownloaded(DownloadOutcome outcome);
    void install();
    // Ends the sequence without starting anything: the program file gets its name back,
    // a rejected installer is deleted.
    void stop(bool deleteInstaller);

    UpdateScreen& m_screen;
    VersionFetch& m_checkupdate;
    Downloader& m_getupdate;
    ProcessControl& m_process;
    std::string m_siteRoot;
    std::optional<UpdatePublicKey> m_key;
    std::string m_programVersion;

    Stage m_stage = Stage::Idle;
    std::filesystem::path m_programFile;
    std::filesystem::path m_backupFile;
    bool m_renamed = false;
    std::filesystem::path m_installerFile;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_installer{nullptr, std::fclose};
    int m_writeError = 0;
    std::string m_signature;
};
