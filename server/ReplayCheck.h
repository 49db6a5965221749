#pragma once

#include "server/ScoreStore.h"
#include "server/TicketSigner.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace server {

// The answer to a posted game record: an HTTP status and one line for the client.
struct ReplayAnswer {
    int status = 0;
    std::string text;
    bool verified() const { return status == 200; }
};

// Reads a posted game record, checks its ticket (signed with `signer`'s key, issued within the
// lifetime, `now` being unix seconds), replays the game and, when it ends as recorded, marks the
// matching posting verified in `store` and spends the ticket. Runs a whole replay and waits for
// the store: call it off the connection threads. Never throws; a store that cannot be reached
// gives 503.
ReplayAnswer checkReplay(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                         std::int64_t now);

} // namespace server
