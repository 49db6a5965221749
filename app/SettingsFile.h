#pragma once

#include "app/ProfileFile.h"
#include "app/Settings.h"
#include "common/SiteNames.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a value cannot be written; the text names the full file.
class SettingsWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    std::string fullName() const;

    ProfileFile m_profile;
};
