#pragma once

#include <cstdint>

namespace httpfetch {

// What the running fetch asks of its caller.
class FetchControl {
public:
    virtual ~FetchControl() = default;
    // Polled at the four checks (after the split, after sending, after the Content-Length,
    // before each piece) and while the transfer waits, so a stop is noticed within about a
    // second even when the server says nothing.
    virtual bool stopAsked() = 0;
    // After each piece: the Content-Length (0 when none) and the bytes received so far.
    virtual void progress(std::int64_t totalSize, std::int64_t readed) = 0;
};

} // namespace httpfetch
