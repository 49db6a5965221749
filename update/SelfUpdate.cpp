#include "update/SelfUpdate.h"

#include <cstring>
#include <exception>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

const std::vector<std::string> SelfUpdate::installerParameters = {"/SP-", "/silent", "/noicons"};

SelfUpdate::SelfUpdate(UpdateScreen& screen, VersionFetch& checkupdate, Downloader& getupdate,
                       ProcessControl& process, std::string siteRoot,
                       std::optional<UpdatePublicKey> key, Installing installing)
    : m_screen(screen), m_checkupdate(checkupdate), m_getupdate(getupdate), m_process(process),
      m_siteRoot(std::move(siteRoot)), m_key(key), m_installing(installing) {}

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
    return siteRoot + std::string(site::versionPath);
}

std::string SelfUpdate::installerAddress(const std::string& siteRoot) {
    return siteRoot + std::string(site::updateFolder) + std::string(site::installerName);
}

void SelfUpdate::startCheck(bool switchOn, const std::string& programVersion) {
    m_programVersion = programVersion;
    if (switchOn) {
        m_checkupdate.fetchString(versionFileAddress(m_siteRoot));
    }
}

void SelfUpdate::checkupdateDoneString(const std::string& reply) {
    if (reply != m_programVersion) {
        m_offeredVersion = reply;
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
        stop(true);
        m_screen.reportError(UpdateError::other, {}, error.what());
    }
}

void SelfUpdate::button_updateyesClick(const fs::path& programFile) {
    if (m_stage != Stage::Idle) {
        return;
    }
    if (m_installing == Installing::ByPackageManager) {
        m_screen.showMessage(UpdateNotice::byPackageManager, m_siteRoot);
        m_screen.hideOffer();
        return;
    }
    m_screen.hideButtons();
    m_screen.setStatus(UpdateStatus::updating, 0);
    m_programFile = programFile;
    m_statementBytes.clear();
    guarded([&] {
        m_stage = Stage::FetchingStatement;
        m_getupdate.get(
            m_siteRoot + std::string(site::updateFolder) + std::string(site::statementName),
            [this](const char* data, std::size_t size) {
                if (m_statementBytes.size() + size > ReleaseStatementText::largest) {
                    return false;
                }
                m_statementBytes.append(data, size);
                return true;
            },
            [this](DownloadOutcome outcome) { guarded([&] { statementFetched(outcome); }); });
    });
}

void SelfUpdate::statementFetched(DownloadOutcome outcome) {
    if (outcome == DownloadOutcome::HttpFailure) {
        m_screen.setStatus(UpdateStatus::aborted, 0);
        stop(false);
        return;
    }
    if (outcome != DownloadOutcome::Received || !whyRefused().empty()) {
        refuse();
        return;
    }
    startDownload();
}

std::string SelfUpdate::whyRefused() {
    if (!m_key) {
        return "this build has no update key";
    }
    ReleaseStatementReading reading = ReleaseStatementText::read(m_statementBytes, *m_key);
    if (!reading.statement) {
        return reading.error;
    }
    m_statement = std::move(*reading.statement);
    if (m_statement.product != site::productWord) {
        return "the release is of another product";
    }
    if (m_statement.version != m_offeredVersion) {
        return "the release is not the offered version";
    }
    if (!ReleaseStatementText::isNewerVersion(m_statement.version, m_programVersion)) {
        return "the release is not newer than this program";
    }
    if (m_statement.size > largestInstaller) {
        return "the installer is too large";
    }
    return {};
}

void SelfUpdate::startDownload() {
    const std::string address = installerAddress(m_siteRoot);
    const fs::path file = m_programFile.parent_path() / localFileName(address);
    try {
        m_installer = std::make_unique<InstallerFile>(file, m_statement.size);
    } catch (const std::system_error& error) {
        stop(false);
        m_screen.reportError(UpdateError::cannotCreate, file.string(), error.code().message());
        return;
    }
    m_stage = Stage::Downloading;
    m_getupdate.get(
        address,
        [installer = m_installer.get()](const char* data, std::size_t size) {
            return installer->append(data, size);
        },
        [this](DownloadOutcome outcome) { guarded([&] { installerDownloaded(outcome); }); });
}

void SelfUpdate::writeFailed(int error) {
    const fs::path file = m_installer->path();
    stop(true);
    m_screen.reportError(UpdateError::cannotWrite, file.string(), std::strerror(error));
}

void SelfUpdate::installerDownloaded(DownloadOutcome outcome) {
    if (outcome == DownloadOutcome::WriteFailure) {
        if (m_installer->overLimit()) {
            refuse();
        } else {
            writeFailed(m_installer->writeError());
        }
        return;
    }
    if (outcome != DownloadOutcome::Received) {
        m_screen.setStatus(UpdateStatus::aborted, 0);
        stop(false);
        return;
    }
    m_screen.setStatus(UpdateStatus::received, m_installer->size());
    if (m_installer->size() != m_statement.size || m_installer->digest() != m_statement.sha256) {
        refuse();
        return;
    }
    if (m_installer->runnableDescriptor() < 0) {
        writeFailed(m_installer->writeError() != 0 ? m_installer->writeError() : errno);
        return;
    }
    install();
}

void SelfUpdate::install() {
    m_screen.setStatus(UpdateStatus::installing, 0);
    // Only now, with a checked installer in hand, does the program give up its name.
    const fs::path backup = backupName(m_programFile);
    std::error_code error;
    fs::remove(backup, error);
    fs::rename(m_programFile, backup, error);
    const ProcessControl::Environment environment = {
        {targetVariable, m_programFile.string()},
        {processVariable, std::to_string(::getpid())},
    };
    if (!error && m_process.startDetached(m_installer->runnableDescriptor(), installerParameters,
                                          environment)) {
        m_stage = Stage::Started;
        m_process.exitNow();
        return;
    }
    if (!error) {
        fs::rename(backup, m_programFile, error);
    }
    stop(false);
    m_screen.showMessage(UpdateNotice::failed, m_siteRoot);
}

void SelfUpdate::refuse() {
    stop(true);
    m_screen.showMessage(UpdateNotice::failed, m_siteRoot);
}

void SelfUpdate::stop(bool deleteInstaller) {
    m_stage = Stage::Stopped;
    if (m_installer && deleteInstaller) {
        m_installer->remove();
    }
    m_installer.reset();
}

void SelfUpdate::abandon() {
    if (downloading()) {
        stop(true);
    }
}
