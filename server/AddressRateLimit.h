#pragma once

#include "server/ScoreStore.h"

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace server {

// Counts requests per client address over the last rateWindowSeconds in this process's memory,
// for work that costs this process (tickets, replays) rather than the shared store. Safe to use
// from many threads.
class AddressRateLimit {
public:
    // Counts one request from `address` and returns true, unless `perMinute` requests from it
    // were already counted within the window (then nothing is counted). 0: no limit.
    bool allow(const std::string& address, int perMinute, StoreClock::time_point now);

private:
    void prune(StoreClock::time_point now);

    std::mutex m_mutex;
    std::map<std::string, std::deque<StoreClock::time_point>> m_recent;
    std::size_t m_sincePrune = 0;
};

} // namespace server
