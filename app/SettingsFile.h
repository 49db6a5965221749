#pragma once

#include "app/ProfileFile.h"
#include "app/Settings.h"
#include "common/SiteNames.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// Raised when a value cannot be written; the text names the full file, and so does file().
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(std::filesystem::path file)
        : std::runtime_error("Unable to write to " + file.string()), m_file(std::move(file)) {}

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
};

// Loads and saves the game window's settings in the "[bloomzap]" section of a profile file.
class SettingsFile {
public:
    // The product word names both the file and its one section.
    inline static const std::string fileName = std::string(site::productWord) + ".ini";
    static constexpr std::string_view section = site::productWord;

    explicit SettingsFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return m_profile.path(); }

    // Never fails: whatever is missing or unreadable takes its default.
    Settings load() const;

    // Writes the seven keys in order. Throws SettingsWriteError with "Unable to write to <file>"
    // at the first key that cannot be written; the keys after it are not attempted.
    void save(const Settings& settings) const;

private:
    std::filesystem::path fullName() const;

    ProfileFile m_profile;
};
