#pragma once

#include "server/PostingQuery.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace server {

// One row of the high-score list: a stored posting's values, listed in rank order.
using RankedScore = PostingValues;

// What the pages show: the best scores in rank order and how many postings there are.
struct Standings {
    std::vector<RankedScore> best;
    std::int64_t total = 0;
};

enum class AddResult { stored, rateLimited };

// The span over which postings from one address are counted against the rate limit.
inline constexpr int rateWindowSeconds = 60;

// The store cannot be reached just now (connection lost, disk error); the request gets 503 and
// a later request tries again. Nothing of the failed call was stored.
class StoreUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The store could not be opened at all (start-up failure).
class StoreOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where postings are kept. Implementations are safe to call from many threads at once.
// Ranking: higher score first; of equal scores the earlier posting first.
class ScoreStore {
public:
    virtual ~ScoreStore() = default;

    // Stores the posting as one transaction, unless `address` already has `perMinuteLimit`
    // postings stored within the last rateWindowSeconds (0: no limit). Throws StoreUnavailable.
    virtual AddResult add(const PostingValues& posting, const std::string& address,
                          int perMinuteLimit) = 0;

    // The best `count` scores and the number of all postings. Throws StoreUnavailable.
    virtual Standings standings(int count) = 0;

    // `changed` is called (on any thread) when another process may have changed the postings.
    // Stores used by one process only need not call it.
    virtual void watchChanges(std::function<void()> changed) { (void)changed; }
};

} // namespace server
