#pragma once

#include "server/ScoreStore.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace server {

// Counts requests per client over a sliding window in this process's memory, for work that costs
// this process (tickets, replays) rather than the shared store. Its memory is fixed: a table of
// `slots` entries, in which a client takes one entry and, when its neighbourhood is full, the
// entry of the client with the fewest requests. A flood of new clients therefore costs no memory
// and cannot push out a client that is over its limit. Each call takes a constant time under one
// of a few locks. Safe to use from many threads.
class AddressRateLimit {
public:
    static constexpr std::size_t slots = std::size_t{1} << 16;

    explicit AddressRateLimit(
        std::chrono::seconds window = std::chrono::seconds(rateWindowSeconds));
    ~AddressRateLimit();
    AddressRateLimit(const AddressRateLimit&) = delete;
    AddressRateLimit& operator=(const AddressRateLimit&) = delete;

    // Counts one request from `address` and returns true, unless `perWindow` requests from it
    // were already counted within the window (then nothing is counted). 0: no limit. The window
    // slides: the requests of the window before count in proportion to how much of it is still
    // inside.
    bool allow(const std::string& address, int perWindow, StoreClock::time_point now);

private:
    struct Entry {
        std::uint64_t tag = 0; // 0: free
        std::int64_t window = 0;
        std::uint32_t current = 0;
        std::uint32_t previous = 0;
    };
    static constexpr std::size_t way = 8;    // entries a client may take, side by side
    static constexpr std::size_t locks = 64; // each guards every 64th neighbourhood

    std::chrono::nanoseconds m_window;
    std::uint64_t m_seed;
    std::unique_ptr<Entry[]> m_entries;
    std::array<std::mutex, locks> m_locks;
};

} // namespace server
