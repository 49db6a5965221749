#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// A small INI-style settings file: "[section]" lines, then "key=value" lines.
//
// Every call opens, reads and (for writes) rewrites the file, so the file on disk is always
// the truth and other programs' or hand-made edits are never overwritten by a stale copy.
// Section and key names are matched without regard to letter case. A value is the text after
// the first "=", with a CR inside it read as a blank and surrounding blanks removed, cut to at
// most maxValueLength characters (and any blanks that cut leaves at its end removed).
// Writing replaces a key's line in place or adds the key at the end of its section; the file
// and the section are created when missing. New lines end in CR LF; the other lines of the
// file are written back byte for byte.
class ProfileFile {
public:
    static constexpr std::size_t maxValueLength = 2047;

    explicit ProfileFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return m_file; }

    // The key's value, or `fallback` when the file, the section or the key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // The key's value read as a signed 32-bit integer: decimal with an optional sign, or
    // hexadecimal after "0x", "0X" or "$". Anything else gives `fallback`.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t fallback) const;

    // Sets the key to `value`. Returns false when the file could not be written; the file is
    // then left as it was wherever the system allows it.
    bool writeString(std::string_view section, std::string_view key, std::string_view value) const;

    // The integer rule of readInteger applied to a text; exposed for its own tests.
    static bool parseInteger(std::string_view text, std::int32_t& out);

private:
    std::filesystem::path m_file;
};
