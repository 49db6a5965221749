#pragma once

// A private folder for fuzz targets that must go through real files, removed when the run ends.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline const std::filesystem::path& folder() {
    static const std::filesystem::path made = [] {
        // Memory-backed when the system has it: thousands of small files a second on a disk
        // spend the time waiting, not fuzzing.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        auto path = base / ("bloomzap-fuzz-" + std::to_string(::getpid()));
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
