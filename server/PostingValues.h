#pragma once

#include <cstdint>
#include <string>

namespace server {

// One score posting as the game sends it, already checked and with its texts in UTF-8.
struct PostingValues {
    std::string name;
    std::string date;
    std::int32_t score = 0;
};

} // namespace server
