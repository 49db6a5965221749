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

bool SettingsLocation::folderWritable(const std::filesystem::path& folder) {
    QTemporaryFile probe(QDir(QString::fromStdString(folder.string())).filePath("probe-XXXXXX"));
    return probe.open();
}

std::filesystem::path SettingsLocation::settingsFile() {
    const std::filesystem::path programFolder = toPath(QCoreApplication::applicationDirPath());
    const bool writable = folderWritable(programFolder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!writable)
        QDir().mkpath(config);
    return choose(programFolder, writable, toPath(config));
}

std::filesystem::path SettingsLocation::tallyFolder() {
    const std::filesystem::path programFolder = toPath(QCoreApplication::applicationDirPath());
    if (folderWritable(programFolder))
        return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return toPath(data);
}
