#include "server/AddressRateLimit.h"

#include <functional>
#include <random>

namespace server {

namespace {

// Spreads a string hash over all bits, so that neighbouring addresses land far apart.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

} // namespace

AddressRateLimit::AddressRateLimit(std::chrono::seconds window)
    : m_window(window), m_seed(std::random_device{}()),
      m_entries(std::make_unique<Entry[]>(slots)) {}

AddressRateLimit::~AddressRateLimit() = default;

bool AddressRateLimit::allow(const std::string& address, int perWindow,
                             StoreClock::time_point now) {
    if (perWindow <= 0) {
        return true;
    }
    const std::uint64_t hash = mix(std::hash<std::string>{}(address) ^ m_seed);
    const std::uint64_t tag = hash | 1; // never 0, which marks a free entry
    const std::size_t groups = slots / way;
    const std::size_t group = static_cast<std::size_t>(hash >> 17) % groups;
    const auto since = now.time_since_epoch();
    const std::int64_t window = since / m_window;
    // How much of the window before still lies inside the sliding window, in 1/1024ths.
    const auto into = since % m_window;
    const std::int64_t before = 1024 - (into * 1024) / m_window;

    const std::lock_guard lock(m_locks[group % locks]);
    Entry* const first = &m_entries[group * way];
    Entry* found = nullptr;
    Entry* lightest = first;
    std::uint64_t lightestCount = UINT64_MAX;
    for (Entry* e = first; e != first + way; ++e) {
        if (e->tag == tag) {
            found = e;
            break;
        }
        // A free entry or one whose requests have all left the window weighs nothing.
        const std::uint64_t weight =
            e->tag == 0 || e->window < window - 1
                ? 0
                : (e->window == window ? e->current + e->previous : e->current);
        if (weight < lightestCount) {
            lightestCount = weight;
            lightest = e;
        }
    }
    if (found == nullptr) {
        found = lightest;
        *found = Entry{tag, window, 0, 0};
    }
    if (found->window != window) {
        found->previous = found->window == window - 1 ? found->current : 0;
        found->current = 0;
        found->window = window;
    }
    const std::int64_t fromBefore =
        (static_cast<std::int64_t>(found->previous) * before + 1023) / 1024;
    if (fromBefore + found->current >= perWindow) {
        return false;
    }
    ++found->current;
    return true;
}

} // namespace server
