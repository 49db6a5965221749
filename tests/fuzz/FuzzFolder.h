#pragma once

// A private folder for fuzz targets that must go through real files, removed when the run ends.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline const std::filesystem::path& folder() {
    static const std::filesystem::path made = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("bloomzap-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder(), ignored);
        });
        return path;
    }();
    return made;
}

} // namespace fuzzsupport
