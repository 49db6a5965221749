#include "server/AddressRateLimit.h"

namespace server {

namespace {

constexpr auto window = std::chrono::seconds(rateWindowSeconds);
// Every so many calls the whole map is swept, so addresses seen once do not pile up.
constexpr std::size_t pruneEvery = 1024;

} // namespace

bool AddressRateLimit::allow(const std::string& address, int perMinute,
                             StoreClock::time_point now) {
    if (perMinute <= 0) {
        return true;
    }
    const std::lock_guard lock(m_mutex);
    if (++m_sincePrune >= pruneEvery) {
        prune(now);
    }
    std::deque<StoreClock::time_point>& times = m_recent[address];
    while (!times.empty() && now - times.front() >= window) {
        times.pop_front();
    }
    if (times.size() >= static_cast<std::size_t>(perMinute)) {
        return false;
    }
    times.push_back(now);
    return true;
}

void AddressRateLimit::prune(StoreClock::time_point now) {
    m_sincePrune = 0;
    for (auto it = m_recent.begin(); it != m_recent.end();) {
        if (it->second.empty() || now - it->second.back() >= window) {
            it = m_recent.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace server
