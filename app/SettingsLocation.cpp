#include "app/SettingsLocation.h"

#include "app/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

namespace {

std::filesystem::path toPath(const QString& s) {
    return std::filesystem::path(s.toStdString());
}

} // namespace

std::filesystem::path SettingsLocation::choose(const std::filesystem::path& programFolder,
                                               bool programFolderWritable,
                                               const std::filesystem::path& userConfigFolder) {
    return (programFolderWritable ? programFolder : userConfigFolder) / SettingsFile::fileName;
}

bool SettingsLocation::useProgramFolder(const std::filesystem::path& programFolder, bool writable,
                                        const std::filesystem::path& installedFolder) {
    std::error_code programError;
    std::error_code installedError;
    // "/" appended to both, so a trailing separator does not make two names of one folder.
    const auto program = std::filesystem::weakly_canonical(programFolder, programError) / "";
    const auto installed = std::filesystem::weakly_canonical(installedFolder, installedError) / "";
    return writable && (programError || installedError || program != installed);
}

std::filesystem::path SettingsLocation::installedFolder() {
    return BLOOMZAP_INSTALLED_GAMEDIR;
}

bool SettingsLocation::folderWritable(const std::filesystem::path& folder) {
    QTemporaryFile probe(QDir(QString::fromStdString(folder.string())).filePath("probe-XXXXXX"));
    return probe.open();
}

std::filesystem::path SettingsLocation::settingsFile() {
    const std::filesystem::path programFolder = toPath(QCoreApplication::applicationDirPath());
    const bool writable =
        useProgramFolder(programFolder, folderWritable(programFolder), installedFolder());
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!writable) {
        QDir().mkpath(config);
    }
    return choose(programFolder, writable, toPath(config));
}

std::filesystem::path SettingsLocation::tallyFolder() {
    const std::filesystem::path programFolder = toPath(QCoreApplication::applicationDirPath());
    if (useProgramFolder(programFolder, folderWritable(programFolder), installedFolder())) {
        return programFolder;
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return toPath(data);
}
