#include "server/PostingRoute.h"

#include "server/PostingCheck.h"

#include <chrono>

namespace server {

PostingRoute::PostingRoute(const ServeSettings& settings, ScoreStore& store,
                           std::shared_ptr<Waits> waits, PageCache& pages, AccessLog& log)
    : m_settings(settings), m_store(store), m_waits(std::move(waits)), m_pages(pages), m_log(log) {}

MHD_Result PostingRoute::handle(Exchange& x) {
    if (!x.isGet()) {
        return x.text(405, "Scores are posted with GET.", MHD_HTTP_HEADER_ALLOW, "GET");
    }
    const PostingCheck check = readPosting(x.query);
    if (!check.values) {
        return x.text(400, check.refusal);
    }
    const std::uint64_t wait = m_waits->begin(x.connection, x.request, *this);
    if (wait == 0) {
        return x.stopping();
    }
    const auto deadline =
        StoreClock::now() + std::chrono::milliseconds(ScoreServer::postingPatienceMs);
    // The answer may come after a stop, when this route is gone: it touches the route only while
    // the wait is still there, which the stop ends first.
    m_store.submit(
        PostingRequest{*check.values, x.request.clientKey, m_settings.postLimit, deadline},
        [this, waits = m_waits, wait](const AddOutcome& outcome) {
            waits->finish(wait, [&](Request& waiting) {
                waiting.outcome = outcome;
                if (!outcome.unavailable && outcome.result == AddResult::stored) {
                    m_pages.changed();
                }
            });
        });
    return MHD_YES;
}

MHD_Result PostingRoute::resume(Exchange& x) {
    if (x.request.givenUp) {
        return x.stopping();
    }
    const AddOutcome& outcome = x.request.outcome;
    if (outcome.unavailable) {
        m_log.problem("posting not stored", outcome.problem);
        return x.unavailable();
    }
    if (outcome.result == AddResult::rateLimited) {
        const std::string window = std::to_string(rateWindowSeconds);
        return x.text(429, "Too many scores from your address; try again in a minute.",
                      MHD_HTTP_HEADER_RETRY_AFTER, window.c_str());
    }
    return x.text(200, "Score received.");
}

} // namespace server
