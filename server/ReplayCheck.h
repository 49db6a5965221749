#pragma once

#include "server/ScoreStore.h"
#include "server/TicketSigner.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace server {

// The answer to a posted game record: an HTTP status and one line for the client, and whether
// the game was played again to reach it (a refusal that needs no replay costs none).
struct ReplayAnswer {
    int status = 0;
    std::string text;
    bool replayed = false;
    bool verified() const { return status == 200; }
};

// How much longer than the time between its ticket's issue and its record's arrival a game's
// clock may run: the issue time is kept in whole seconds (that alone only ever widens the
// span), several servers on one database keep clocks that differ by a little, and the player's
// clock may run a little fast (100 ppm is 1.4 s over four hours of play).
inline constexpr std::int64_t gameClockAllowanceMs = 3000;

// The tickets whose games this process is replaying just now, so that copies of one record sent
// at once cost one replay. Safe to use from many threads.
class TicketsInReplay {
public:
    // Takes the ticket for one replay; false when it is taken.
    bool claim(const std::string& id);
    void release(const std::string& id);

private:
    std::mutex m_mutex;
    std::set<std::string> m_ids;
};

// Reads a posted game record and checks, in this order: its ticket (signed with `signer`'s key,
// issued within the lifetime, `arrivedMs` being the record's arrival in unix milliseconds); that
// its game took no longer than the time since the ticket's issue (plus gameClockAllowanceMs);
// that `store` holds the ticket unspent and a posting to verify; that no other record of the
// ticket is being replayed (`busy`). Only then it replays the game and, when it ends as
// recorded, marks the matching posting verified in `store`, spends the ticket and keeps the
// record as `keeping` says (its day being that of `arrivedMs`). A game on a daily ticket issued
// on its own day with that day's seed also enters the day's list; the answer's second line then
// says "daily counted" or "daily practice". Runs a whole replay and waits for the store: call it
// off the connection threads. Never throws; a store that cannot be reached gives 503.
ReplayAnswer checkReplay(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                         TicketsInReplay& busy, std::int64_t arrivedMs, RecordKeeping keeping);

} // namespace server
