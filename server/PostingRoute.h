#pragma once

#include "server/AccessLog.h"
#include "server/PageCache.h"
#include "server/Route.h"
#include "server/ScoreServer.h"
#include "server/ScoreStore.h"
#include "server/Waits.h"

#include <memory>

namespace server {

// The game's score posting (GET of the posting path): checked, then handed to the store, which
// stores it with others in one transaction; the connection waits, postingPatienceMs at most.
class PostingRoute : public Route {
public:
    PostingRoute(const ServeSettings& settings, ScoreStore& store, std::shared_ptr<Waits> waits,
                 PageCache& pages, AccessLog& log);

    MHD_Result handle(Exchange& x) override;
    MHD_Result resume(Exchange& x) override;

private:
    const ServeSettings& m_settings;
    ScoreStore& m_store;
    std::shared_ptr<Waits> m_waits;
    PageCache& m_pages;
    AccessLog& m_log;
};

} // namespace server
