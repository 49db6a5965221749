#pragma once

#include <filesystem>

// Decides where the program keeps its files: beside the program when its folder can be written
// and is not the folder the game is installed into, otherwise in the user's own folders. So a
// build run from its build folder keeps its files beside it, and an installed game never writes
// into /usr/games, not even when root runs it.
class SettingsLocation {
public:
    // The full name of the settings file for this run; creates the user's folder when that
    // is the one chosen. Needs a QCoreApplication (for the program's folder and names).
    static std::filesystem::path settingsFile();

    // The folder of the tally file, by the same rule, with the user's data folder as the
    // fallback.
    static std::filesystem::path tallyFolder();

    // The choice itself, apart from the system queries.
    static std::filesystem::path choose(const std::filesystem::path& programFolder,
                                        bool programFolderWritable,
                                        const std::filesystem::path& userConfigFolder);

    // Whether the program's own folder holds its files: it is writable and it is not
    // installedFolder (compared as the same folder, however written).
    static bool useProgramFolder(const std::filesystem::path& programFolder, bool writable,
                                 const std::filesystem::path& installedFolder);
    // The folder the build installs the game into.
    static std::filesystem::path installedFolder();

    // True when a file can really be created in the folder (permission bits alone do not say
    // so on read-only mounts).
    static bool folderWritable(const std::filesystem::path& folder);
};
