#pragma once

#include "app/ProfileFile.h"
#include "app/Settings.h"

#include <filesystem>
#include <stdexcept>
#include <string>

// Raised when a value cannot be written; the text names the full file.
class SettingsWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads and saves the game window's settings in the "[bloomzap]" section of a profile file.
class SettingsFile {
public:
    static constexpr const char* fileName = "bloomzap.ini";
    static constexpr const char* section = "bloomzap";

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
