#pragma once

#include "server/AccessLog.h"
#include "server/AddressRateLimit.h"
#include "server/PageCache.h"
#include "server/ReplayCheck.h"
#include "server/Route.h"
#include "server/ScoreServer.h"
#include "server/ScoreStore.h"
#include "server/TicketSigner.h"
#include "server/Waits.h"
#include "server/Worker.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace server {

// A game record on its way through a replay thread; shared, so that a replay still running when
// the server stops never writes into a finished request.
struct ReplayJob {
    std::string body;
    std::int64_t arrivedMs = 0; // unix ms when the whole record was in
    ReplayAnswer answer;
};

// Game tickets (GET of the ticket path, or of the daily ticket path for the day's game) and the
// game records that verify postings (POST of the replay path). Both cost this process, so their
// per-address limits are counted here rather than in the store; records are replayed by threads of
// their own, one per busy core, so that the connection threads keep answering.
class RecordRoute : public Route {
public:
    RecordRoute(const ServeSettings& settings, ScoreStore& store, const TicketSigner& signer,
                std::shared_ptr<Waits> waits, PageCache& pages, AccessLog& log, int replayThreads);

    // Whether a request's body is a game record, known from its head.
    static bool takesRecord(std::string_view method, std::string_view path);

    MHD_Result handle(Exchange& x) override;
    MHD_Result resume(Exchange& x) override;

private:
    MHD_Result ticket(Exchange& x, bool daily);
    MHD_Result replay(Exchange& x);
    void replayGames(Worker& replayers);

    const ServeSettings& m_settings;
    ScoreStore& m_store;
    const TicketSigner& m_signer;
    std::shared_ptr<Waits> m_waits;
    PageCache& m_pages;
    AccessLog& m_log;
    const std::string m_ticketPath;
    const std::string m_dailyTicketPath;
    AddressRateLimit m_ticketLimit;
    AddressRateLimit m_replayLimit;
    TicketsInReplay m_inReplay;
    // Under m_replayers' lock: records waiting for a replay, by wait.
    std::deque<std::pair<std::uint64_t, std::shared_ptr<ReplayJob>>> m_queue;
    Worker m_replayers;
};

} // namespace server
