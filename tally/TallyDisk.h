#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Where the tally file's new bytes are written. Kept apart so that a disk that fills up
// part-way can be simulated.
class TallyDisk {
public:
    virtual ~TallyDisk() = default;
    // Creates a file that must not exist yet and writes all the bytes to it. Returns false on
    // any failure; a partly written file may then remain, and the caller removes it.
    virtual bool writeFile(const std::filesystem::path& path,
                           const std::vector<std::uint8_t>& bytes) = 0;
};
