#include "server/RecordRoute.h"

#include "server/Router.h"

#include "common/SiteNames.h"

#include <algorithm>

namespace server {

RecordRoute::RecordRoute(const ServeSettings& settings, ScoreStore& store,
                         const TicketSigner& signer, std::shared_ptr<Waits> waits, PageCache& pages,
                         AccessLog& log, int replayThreads)
    : m_settings(settings), m_store(store), m_signer(signer), m_waits(std::move(waits)),
      m_pages(pages), m_log(log), m_ticketPath(sitePath(site::ticketPath)),
      m_dailyTicketPath(sitePath(site::dailyTicketPath)),
      m_replayers([this](Worker& replayers) { replayGames(replayers); }, replayThreads) {}

bool RecordRoute::takesRecord(std::string_view method, std::string_view path) {
    static const std::string replayPath = sitePath(site::replayPath);
    return method == MHD_HTTP_METHOD_POST && path == replayPath;
}

MHD_Result RecordRoute::handle(Exchange& x) {
    if (x.path == m_ticketPath || x.path == m_dailyTicketPath) {
        if (!x.isGet()) {
            return x.text(405, "Tickets are fetched with GET.", MHD_HTTP_HEADER_ALLOW, "GET");
        }
        return ticket(x, x.path == m_dailyTicketPath);
    }
    if (!x.request.replayPost) {
        return x.text(405, "Game records are sent with POST.", MHD_HTTP_HEADER_ALLOW, "POST");
    }
    return replay(x);
}

MHD_Result RecordRoute::ticket(Exchange& x, bool daily) {
    // The limit counts over an hour, the pace of a person's games; AddressRateLimit counts over
    // a minute, so it is handed a clock that runs sixty times slower. Daily tickets count with
    // the others: the day's seed is no way around the limit.
    const StoreClock::time_point hourClock(StoreClock::now().time_since_epoch() / 60);
    if (!m_ticketLimit.allow(x.request.clientKey, m_settings.ticketLimit, hourClock)) {
        const std::string wait = std::to_string(60 * rateWindowSeconds);
        return x.text(429, "Too many game tickets from your address; try again in an hour.",
                      MHD_HTTP_HEADER_RETRY_AFTER, wait.c_str());
    }
    const std::int64_t now = m_settings.nowMs() / 1000;
    // The daily ticket is one line without a line end; the normal one keeps the line end it
    // always had.
    const ResponseRef response =
        makeResponse(daily ? m_signer.issueDaily(now) : m_signer.issue(now) + "\n", textType);
    // Each ticket is for one game: no cache may hand it out twice.
    MHD_add_response_header(response.get(), MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    return x.answer(200, response);
}

MHD_Result RecordRoute::replay(Exchange& x) {
    Request& r = x.request;
    r.replay = std::make_shared<ReplayJob>();
    r.replay->body = std::move(r.record);
    r.replay->arrivedMs = m_settings.nowMs();
    // Counted before the replay, so that refused records cost as much of the limit as good
    // ones: the limit bounds the processor time one address can take.
    if (!m_replayLimit.allow(r.clientKey, m_settings.postLimit, StoreClock::now())) {
        return x.tooMany("game records");
    }
    {
        const Worker::Lock lock = m_replayers.lock();
        if (m_queue.size() >= ScoreServer::maxQueuedReplays) {
            r.replay->answer = {503, "Too many games are waiting to be replayed; please try "
                                     "again."};
            return resume(x);
        }
        const std::uint64_t wait = m_waits->begin(x.connection, r, *this);
        if (wait == 0) {
            return x.stopping();
        }
        m_queue.emplace_back(wait, r.replay);
    }
    m_replayers.notifyOne();
    return MHD_YES;
}

MHD_Result RecordRoute::resume(Exchange& x) {
    if (x.request.givenUp) {
        return x.stopping();
    }
    const ReplayAnswer& done = x.request.replay->answer;
    if (done.status == 503) {
        return x.text(503, done.text, MHD_HTTP_HEADER_RETRY_AFTER, retryAfterSeconds);
    }
    return x.text(done.status, done.text);
}

void RecordRoute::replayGames(Worker& replayers) {
    Worker::Lock lock = replayers.lock();
    // At a stop the daemon is gone: the connections still queued went with it.
    while (replayers.wait(lock, [this] { return !m_queue.empty(); }) && !replayers.stopping()) {
        auto [wait, job] = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        job->answer = checkReplay(job->body, m_signer, m_store, m_inReplay, job->arrivedMs,
                                  {m_settings.replayDays, m_settings.replayKeep, 0});
        if (job->answer.replayed) {
            // One line per game played again: what replays cost can be seen and counted.
            std::string text = job->answer.text;
            std::replace(text.begin(), text.end(), '\n', ' ');
            m_log.problem("game replayed", std::to_string(job->answer.status) + " " + text);
        }
        if (job->answer.verified()) {
            m_pages.changed();
        } else if (job->answer.status == 503) {
            m_log.problem("game record not checked", job->answer.text);
        }
        m_waits->finish(wait, [](Request&) {});
        lock.lock();
    }
}

} // namespace server
