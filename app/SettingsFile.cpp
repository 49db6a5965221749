#include "app/SettingsFile.h"

#include "common/FullPath.h"

#include <exception>

SettingsFile::SettingsFile(std::filesystem::path file) : m_profile(std::move(file)) {}

Settings SettingsFile::load() const {
    Settings s;
    // Each value on its own: a failure on one key must not cost the others their values.
    const auto integer = [this](const char* key, std::int32_t fallback) {
        try {
            return m_profile.readInteger(section, key, fallback);
        } catch (const std::exception&) {
            return fallback;
        }
    };
    const auto text = [this](const char* key, const std::string& fallback) {
        try {
            return m_profile.readString(section, key, fallback);
        } catch (const std::exception&) {
            return fallback;
        }
    };

    s.top = integer("Top", s.top);
    s.left = integer("Left", s.left);
    s.width = integer("Width", s.width);
    s.height = integer("Height", s.height);
    // Only the exact small-letter words switch off; "No", "FALSE" or "0" leave the switch on.
    s.sounds = text("Sounds", "yes") != "no";
    s.update = text("Update", "true") != "false";
    // A key present with nothing after "=" gives an empty name, not the default.
    s.name = text("Name", s.name);

    std::string site = text("Site", "");
    if (!site.empty()) {
        if (site.back() != '/') {
            site += '/';
        }
        s.site = site;
    }
    return s;
}

std::filesystem::path SettingsFile::fullName() const {
    return common::fullPath(m_profile.path());
}

void SettingsFile::save(const Settings& s) const {
    const auto write = [this](const char* key, const std::string& value) {
        if (!m_profile.writeString(section, key, value)) {
            throw SettingsWriteError(fullName());
        }
    };
    write("Top", std::to_string(s.top));
    write("Left", std::to_string(s.left));
    write("Width", std::to_string(s.width));
    write("Height", std::to_string(s.height));
    write("Name", s.name);
    write("Sounds", s.sounds ? "yes" : "no");
    write("Update", s.update ? "true" : "false");
}
