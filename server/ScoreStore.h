#pragma once

#include "server/PostingValues.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace server {

// One row of the high-score list: a stored posting's values, listed in rank order, and whether
// the server has replayed the game behind it.
struct RankedScore {
    std::string name;
    std::string date;
    std::int32_t score = 0;
    bool verified = false;
    std::int64_t watchId = 0; // the id its kept game record is served by; 0: none kept
    bool practice = false;    // on a daily list: a later daily game of a name that day
};

// What the pages show: the best scores in rank order and how many postings there are (of those
// listed: all, or the verified ones only).
struct Standings {
    std::vector<RankedScore> best;
    std::int64_t total = 0;
};

enum class AddResult { stored, rateLimited };

// The span over which postings from one address are counted against the rate limit.
inline constexpr int rateWindowSeconds = 60;

// The store cannot be reached just now (connection lost, disk error, too slow); the request gets
// 503 and a later request tries again. Nothing of the failed call was stored.
class StoreUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The store could not be opened at all (start-up failure).
class StoreOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using StoreClock = std::chrono::steady_clock;

// How a submitted posting ended: stored or refused by the rate limit, or `problem` says why the
// store could not take it (then nothing of it was stored).
struct AddOutcome {
    bool unavailable = false;
    AddResult result = AddResult::stored;
    std::string problem;
};

// A posting waiting to be stored, with the address it counts against.
struct PostingRequest {
    PostingValues posting;
    std::string address;
    int perMinuteLimit = 0;          // postings within rateWindowSeconds; 0: no limit
    StoreClock::time_point deadline; // answered unavailable when not stored by then
};

// How old a ticket may be when its game's record arrives, and how far ahead of this server's
// clock its issue time may lie (several servers on one database may differ a little).
inline constexpr std::int64_t ticketLifetimeSeconds = 24 * 60 * 60;
inline constexpr std::int64_t ticketClockSkewSeconds = 5 * 60;
// How long a spent ticket is remembered: past this no ticket spent then could still be used.
inline constexpr std::int64_t usedTicketKeepSeconds =
    ticketLifetimeSeconds + ticketClockSkewSeconds + 60 * 60;

// Which game records are kept to be watched: those of the best `count` verified games of all
// time and of each daily list from `today` (days since 1970) back over `days` days; every other
// record is pruned whenever a game is verified. At most count * (days + 1) records are kept, each
// of at most maxRecordBytes.
struct RecordKeeping {
    int days = 30;
    int count = 100;
    std::int64_t today = 0;
};

// A game the server has replayed to its recorded end: the posting it vouches for and the ticket
// it was played on.
struct VerifyRequest {
    PostingValues posting;     // name and date as posted, and the replayed score
    std::string ticketId;      // used once only
    std::int64_t issuedMs = 0; // the posting must have been stored at or after this (unix ms)
    std::string record;        // the game record as it came; kept while the game ranks
    std::string day;           // "YYYY-MM-DD" of the daily list it enters; empty: none
    RecordKeeping keeping;
};

// How a verified game fared on its day's list.
enum class DailyResult {
    none,     // not a daily game
    counted,  // the first verified daily game of its name that day: it ranks
    practice, // a later one: listed, not ranked
};

// How a verification ended.
enum class VerifyResult {
    verified,   // the posting is marked and the ticket spent
    ticketUsed, // the ticket was spent before; nothing changed
    noPosting,  // no unverified posting of these values since the ticket; nothing changed
};

// Where postings are kept. Implementations are safe to call from many threads at once.
// Ranking: higher score first; of equal scores the earlier posting first.
class ScoreStore {
public:
    using AddDone = std::function<void(const AddOutcome&)>;

    virtual ~ScoreStore() = default;

    // Queues the posting. Postings submitted at about the same time are stored together in one
    // transaction, in the order they were submitted, each checked against the rate limit as if
    // stored alone. `done` is called exactly once, on a thread of the store, after the
    // transaction is on disk (or failed, or the deadline passed first).
    virtual void submit(PostingRequest request, AddDone done) = 0;

    // submit() and wait: stores the posting unless `address` already has `perMinuteLimit`
    // postings within the last rateWindowSeconds (0: no limit). Throws StoreUnavailable.
    AddResult add(const PostingValues& posting, const std::string& address, int perMinuteLimit,
                  std::chrono::milliseconds patience = std::chrono::seconds(10));

    // The best `count` scores and the number of all postings; with `verifiedOnly`, of the
    // verified postings only. Throws StoreUnavailable.
    virtual Standings standings(int count, bool verifiedOnly) = 0;

    // In one transaction: unless the ticket was used before, marks the earliest unverified
    // posting of exactly these values stored since the ticket was issued verified, and records
    // the ticket as used; forgets tickets spent more than usedTicketKeepSeconds ago. A request
    // with a day enters the game on that day's list (`daily` says how); its record is kept and
    // the kept records are pruned (RecordKeeping). Blocks (bounded); call it off the connection
    // threads. Throws StoreUnavailable.
    virtual VerifyResult verify(const VerifyRequest& request, DailyResult& daily) = 0;

    // What verify() would answer for `request` now, changing nothing: ticketUsed for a spent
    // ticket, noPosting when no posting waits, else verified. Lets a record that cannot verify be
    // refused before its game is replayed. Throws StoreUnavailable.
    virtual VerifyResult mayVerify(const VerifyRequest& request) = 0;

    // The daily list of `day` ("YYYY-MM-DD"): its best `count` counted games in rank order, then
    // its best `count` practice games; `total` is the number of counted games. Throws
    // StoreUnavailable.
    virtual Standings dailyStandings(const std::string& day, int count) = 0;

    // The kept game record of watch id `id`, as it came; nothing when none is kept. Throws
    // StoreUnavailable.
    virtual std::optional<std::string> keptRecord(std::int64_t id) = 0;

    // The secret that signs this server's game tickets, made on first use and kept with the
    // postings, so that a restart keeps issued tickets valid. Throws StoreOpenError.
    virtual std::string ticketKey() = 0;

    // `changed` is called (on any thread) when another process may have changed the postings.
    // Stores used by one process only need not call it.
    virtual void watchChanges(std::function<void()> changed) { (void)changed; }
};

} // namespace server
