#include "server/DailyRoute.h"

#include "server/Pages.h"
#include "server/Router.h"

#include "common/SiteNames.h"
#include "engine/PlainDecimal.h"
#include "engine/Ticket.h"

#include <exception>

namespace server {

namespace {

constexpr std::int64_t msADay = 24 * 60 * 60 * 1000;
constexpr std::size_t maxIdDigits = 18;

} // namespace

DailyRoute::DailyRoute(const ServeSettings& settings, ScoreStore& store, PageCache& pages,
                       std::shared_ptr<Waits> waits, AccessLog& log)
    : m_settings(settings), m_store(store), m_pages(pages), m_waits(std::move(waits)), m_log(log),
      m_watchPath(sitePath(site::watchPath)), m_reader([this](Worker& reader) { read(reader); }) {}

std::shared_ptr<ReadJob> DailyRoute::job(const Exchange& x) const {
    auto job = std::make_shared<ReadJob>();
    job->generation = m_pages.generation();
    if (x.path == m_watchPath) {
        job->watch = true;
        constexpr std::string_view key = "id=";
        const std::optional<std::int64_t> id =
            x.query.substr(0, key.size()) == key
                ? plainDecimal(x.query.substr(key.size()), maxIdDigits)
                : std::nullopt;
        if (!id) {
            job->status = 400;
            job->body = "A watch address names a game by \"?id=\" and its number.";
        }
        job->id = id.value_or(0);
        return job;
    }
    job->today = m_settings.nowMs() / msADay;
    std::int64_t day = job->today;
    if (!x.query.empty()) {
        constexpr std::string_view key = "day=";
        const std::optional<std::int64_t> asked = x.query.substr(0, key.size()) == key
                                                      ? dayNumber(x.query.substr(key.size()))
                                                      : std::nullopt;
        if (!asked) {
            job->status = 400;
            job->body = "A day is asked for as \"?day=YYYY-MM-DD\".";
            return job;
        }
        if (*asked > job->today) {
            job->status = 404;
            job->body = "That day has not begun yet.";
            return job;
        }
        day = *asked;
    }
    job->day = dayText(day);
    return job;
}

MHD_Result DailyRoute::handle(Exchange& x) {
    if (!x.isGet() && !x.isHead()) {
        return x.onlyGetAndHead();
    }
    Request& r = x.request;
    r.read = job(x);
    if (r.read->status != 0) {
        return resume(x);
    }
    {
        const Worker::Lock lock = m_reader.lock();
        // The page last rendered stays good while nothing was posted or verified since.
        if (!r.read->watch && m_lastPage && m_lastPage->day == r.read->day &&
            m_lastPage->today == r.read->today && m_lastPage->generation == r.read->generation) {
            r.read = std::make_shared<ReadJob>(*m_lastPage);
            return resume(x);
        }
        if (m_queue.size() >= maxQueuedReads) {
            return x.unavailable();
        }
        const std::uint64_t wait = m_waits->begin(x.connection, r, *this);
        if (wait == 0) {
            return x.stopping();
        }
        m_queue.emplace_back(wait, r.read);
    }
    m_reader.notifyOne();
    return MHD_YES;
}

MHD_Result DailyRoute::resume(Exchange& x) {
    if (x.request.givenUp) {
        return x.stopping();
    }
    const ReadJob& done = *x.request.read;
    if (done.status == 0) {
        return x.unavailable();
    }
    if (done.status != 200) {
        return x.text(done.status, done.body);
    }
    // A record goes out exactly as it came; a page is HTML.
    return x.answer(200, makeResponse(done.body, done.watch ? textType : htmlType, true));
}

void DailyRoute::run(ReadJob& job) {
    try {
        if (job.watch) {
            const std::optional<std::string> record = m_store.keptRecord(job.id);
            job.status = record ? 200 : 404;
            job.body = record ? *record : "No game is kept under this number.";
            return;
        }
        const Standings standings = m_store.dailyStandings(job.day, pages::listLength);
        job.body = pages::daily(job.day, standings, job.today);
        job.status = 200;
    } catch (const std::exception& e) {
        // The store could not be read just now: 503, and the next request tries again.
        m_log.problem(job.watch ? "kept game record not read" : "daily list not read", e.what());
        job.status = 0;
    }
}

void DailyRoute::read(Worker& reader) {
    Worker::Lock lock = reader.lock();
    while (reader.wait(lock, [this] { return !m_queue.empty(); }) && !reader.stopping()) {
        auto [wait, job] = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        run(*job);
        lock.lock();
        if (!job->watch && job->status == 200) {
            m_lastPage = job;
        }
        m_waits->finish(wait, [](Request&) {});
    }
}

} // namespace server
