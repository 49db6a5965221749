#pragma once

#include "TallyDisk.h"

// The real disk, through the C library's files.
class TallyLocalDisk : public TallyDisk {
public:
    bool writefile(const std::filesystem::path& path,
                   const std::vector<std::uint8_t>& bytes) override;
};
