#include "update/SelfUpdate.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A signature is 64 bytes; anything much longer is not one.
constexpr std::size_t largestSignatureReply = 4096;

std::string quoted(const fs::path& file) {
    return "\"" + file.string() + "\"";
}

} // namespace

const std::vector<std::string> SelfUpdate::installerParameters = {"/SP-", "/silent", "/noicons"};

SelfUpdate::SelfUpdate(UpdateScreen& screen, VersionFetch& checkupdate, Downloader& getupdate,
                       ProcessControl& process, std::string siteRoot,
                       std::optional<UpdatePublicKey> key)
    : m_screen(screen), m_checkupdate(checkupdate), m_getupdate(getupdate), m_process(process),
      m_siteRoot(std::move(siteRoot)), m_key(key) {}

SelfUpdate::~SelfUpdate() = default;

fs::path SelfUpdate::backupName(const fs::path& programFile) {
    fs::path backup = programFile;
    backup.replace_extension(".BAK");
    return backup;
}

std::string SelfUpdate::localFileName(std::string address) {
    for (auto slash = address.find('/'); slash != std::string::npos; slash = address.find('/')) {
        address.erase(0, slash + 1);
    }
    return address;
}

std::string SelfUpdate::versionFileAddress(const std::string& siteRoot) {
    return siteRoot + productWord + "/" + productWord + "version.txt";
}

std::string SelfUpdate::installerAddress(const std::string& siteRoot) {
    return siteRoot + productWord + "/" + installerFileName;
}

std::string SelfUpdate::updateErrorText(const std::string& siteRoot) {
    return "There was an error in the update process. Please download BLOOMZAP manually from " +
           siteRoot + ".";
}

void SelfUpdate::startCheck(bool switchOn, const std::string& programVersion) {
    m_programVersion = programVersion;
    if (switchOn) {
        m_checkupdate.fetchString(versionFileAddress(m_siteRoot));
    }
}

void SelfUpdate::checkupdateDoneString(const std::string& reply) {
    if (reply != m_programVersion) {
        m_screen.showOffer();
    }
}

void SelfUpdate::button_updatecancelClick() {
    m_screen.hideOffer();
}

void SelfUpdate::guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        // What no step expects (no memory, no thread) stops the update like a file error.
        m_installer.reset();
        stop(m_stage == Stage::FetchingSignature);
        m_screen.reportError(error.what());
    }
}

void SelfUpdate::button_updateyesClick(const fs::path& programFile) {
    if (m_stage == Stage::Idle) {
        guarded([&] { startDownload(programFile); });
    }
}

void SelfUpdate::startDownload(const fs::path& programFile) {
    m_screen.hideButtons();
    m_screen.setStatus("Updating. Please Wait...");

    m_programFile = programFile;
    m_backupFile = backupName(programFile);
    std::error_code ignored;
    if (fs::exists(m_backupFile, ignored)) {
        fs::remove(m_backupFile, ignored);
    }
    std::error_code renameError;
    fs::rename(m_programFile, m_backupFile, renameError);
    m_renamed = !renameError;

    const std::string address = installerAddress(m_siteRoot);
    m_installerFile = programFile.parent_path() / localFileName(address);
    m_installer.reset(std::fopen(m_installerFile.c_str(), "wb"));
    if (!m_installer) {
        const int error = errno;
        stop(false);
        m_screen.reportError("Cannot create file " + quoted(m_installerFile) + ". " +
                             std::strerror(error));
        return;
    }
    m_writeError = 0;
    m_stage = Stage::Downloading;
    m_getupdate.get(
        address,
        [this](const char* data, std::size_t size) {
            if (std::fwrite(data, 1, size, m_installer.get()) != size) {
                m_writeError = errno;
                return false;
            }
            return true;
        },
        [this](DownloadOutcome outcome) { guarded([&] { installerDownloaded(outcome); }); });
}

void SelfUpdate::installerDownloaded(DownloadOutcome outcome) {
    if (outcome == DownloadOutcome::WriteFailure) {
        const int error = m_writeError;
        m_installer.reset();
        stop(false);
        m_screen.reportError("Cannot write to file " + quoted(m_installerFile) + ". " +
                             std::strerror(error));
        return;
    }
    const bool flushed = std::fflush(m_installer.get()) == 0;
    const int flushError = errno;
    if (!flushed) {
        m_installer.reset();
        stop(false);
        m_screen.reportError("Cannot write to file " + quoted(m_installerFile) + ". " +
                             std::strerror(flushError));
        return;
    }
    if (outcome == DownloadOutcome::Received) {
        std::error_code ignored;
        m_screen.setStatus("Received " + std::to_string(fs::file_size(m_installerFile, ignored)) +
                           " bytes");
    } else {
        m_screen.setStatus("Download Aborted");
    }
    m_installer.reset();
    if (outcome != DownloadOutcome::Received) {
        stop(false);
        return;
    }

    m_screen.setStatus("Installing");
    if (!m_key) {
        stop(true);
        m_screen.showMessage(updateErrorText(m_siteRoot));
        return;
    }
    m_signature.clear();
    m_stage = Stage::FetchingSignature;
    m_getupdate.get(
        installerAddress(m_siteRoot) + signatureSuffix,
        [this](const char* data, std::size_t size) {
            if (m_signature.size() + size > largestSignatureReply) {
                return false;
            }
            m_signature.append(data, size);
            return true;
        },
        [this](DownloadOutcome outcome) { guarded([&] { signatureDownloaded(outcome); }); });
}

void SelfUpdate::signatureDownloaded(DownloadOutcome outcome) {
    if (outcome != DownloadOutcome::Received ||
        !InstallerSignature::verifyFile(m_installerFile, m_signature, *m_key)) {
        stop(true);
        m_screen.showMessage(updateErrorText(m_siteRoot));
        return;
    }
    install();
}

void SelfUpdate::install() {
    std::error_code error;
    fs::permissions(m_installerFile,
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, error);
    const ProcessControl::Environment environment = {
        {targetVariable, m_programFile.string()},
        {processVariable, std::to_string(::getpid())},
    };
    if (!error && m_process.startDetached(m_installerFile, installerParameters, environment)) {
        m_stage = Stage::Started;
        m_process.exitNow();
        return;
    }
    stop(false);
    m_screen.showMessage(updateErrorText(m_siteRoot));
}

void SelfUpdate::stop(bool deleteInstaller) {
    m_stage = Stage::Stopped;
    std::error_code ignored;
    if (deleteInstaller) {
        fs::remove(m_installerFile, ignored);
    }
    if (m_renamed) {
        fs::rename(m_backupFile, m_programFile, ignored);
        m_renamed = false;
    }
}

void SelfUpdate::abandon() {
    if (m_stage == Stage::Downloading) {
        m_installer.reset();
        stop(false);
    } else if (m_stage == Stage::FetchingSignature) {
        stop(true);
    }
}
