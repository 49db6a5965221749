#include "tally/TallyLocalDisk.h"

#include <cstdio>

bool TallyLocalDisk::writeFile(const std::filesystem::path& path,
                               const std::vector<std::uint8_t>& bytes) {
    // "x": never open a file that is already there, whoever made it.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) {
        return false;
    }
    // An empty vector may have no storage at all, and fwrite must not be handed a null buffer.
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}
