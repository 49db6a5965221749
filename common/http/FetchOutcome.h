#pragma once

#include <cstdint>
#include <string>

namespace httpfetch {

// What one fetch came to.
struct FetchOutcome {
    bool success = false;           // the body has at least one byte
    std::string body;               // the bytes read, unchanged
    std::int64_t contentLength = 0; // the reply's Content-Length, 0 when it had none
    long status = 0;                // the final reply's status code, 0 when none arrived
};

} // namespace httpfetch
