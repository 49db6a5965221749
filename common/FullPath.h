#pragma once

// File names shown to the player or kept for later are made absolute once.

#include <filesystem>
#include <system_error>

namespace common {

// The absolute, normalised form of path; the path as given when the working folder cannot be
// read.
inline std::filesystem::path fullPath(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal();
}

} // namespace common
