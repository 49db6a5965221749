#pragma once

#include "tally/TallyDisk.h"

// The real disk, through the C library's files.
class TallyLocalDisk : public TallyDisk {
public:
    bool writeFile(const std::filesystem::path& path,
                   const std::vector<std::uint8_t>& bytes) override;
};
