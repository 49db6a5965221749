#pragma once

#include <filesystem>

// Decides where the settings file lives: beside the program when its folder can be written,
// otherwise in the user's configuration folder (an install under /usr, for instance).
class SettingsLocation {
public:
    // The full name of the settings file for this run; creates the user's folder when that
    // is the one chosen. Needs a QCoreApplication (for the program's folder and names).
    static std::filesystem::path settingsFile();

    // The choice itself, apart from the system queries.
    static std::filesystem::path choose(const std::filesystem::path& programFolder,
                                        bool programFolderWritable,
                                        const std::filesystem::path& userConfigFolder);

    // True when a file can really be created in the folder (permission bits alone do not say
    // so on read-only mounts).
    static bool folderWritable(const std::filesystem::path& folder);
};
