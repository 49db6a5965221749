#pragma once

#include "server/AccessLog.h"
#include "server/PageCache.h"
#include "server/Route.h"
#include "server/ScoreServer.h"
#include "server/ScoreStore.h"
#include "server/Waits.h"
#include "server/Worker.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>

namespace server {

// A read of the daily page or of a kept game record, on its way through the reader thread;
// shared, so that a read still running when the server stops never writes into a finished
// request.
struct ReadJob {
    bool watch = false;           // a kept record by its id, else a day's list
    std::string day;              // the list's day, "YYYY-MM-DD"
    std::int64_t today = 0;       // days since 1970 on the server's clock, for the list's links
    std::int64_t id = 0;          // the record's watch id
    std::uint64_t generation = 0; // of the postings when the read was asked
    int status = 0;               // 0: the store could not be read
    std::string body;
};

// The daily list page (GET of the daily page path, "?day=YYYY-MM-DD" for an earlier day, today
// on the server's UTC clock without it) and the kept game records (GET of the watch path with
// "?id=N", the record as it came, 404 when none is kept). Both are read from the store by a
// thread of their own, so that the connection threads never wait for it; the last daily page
// rendered is served again while the postings have not changed.
class DailyRoute : public Route {
public:
    // Reads waiting for the reader thread; more get 503.
    static constexpr std::size_t maxQueuedReads = 64;

    DailyRoute(const ServeSettings& settings, ScoreStore& store, PageCache& pages,
               std::shared_ptr<Waits> waits, AccessLog& log);

    MHD_Result handle(Exchange& x) override;
    MHD_Result resume(Exchange& x) override;

private:
    // The job a request's query asks for, or an answer with `status` set (400, 404).
    std::shared_ptr<ReadJob> job(const Exchange& x) const;
    void read(Worker& reader);
    void run(ReadJob& job);

    const ServeSettings& m_settings;
    ScoreStore& m_store;
    PageCache& m_pages;
    std::shared_ptr<Waits> m_waits;
    AccessLog& m_log;
    const std::string m_watchPath;
    // Under m_reader's lock: reads waiting, by wait; and the last daily page rendered.
    std::deque<std::pair<std::uint64_t, std::shared_ptr<ReadJob>>> m_queue;
    std::shared_ptr<const ReadJob> m_lastPage;
    Worker m_reader;
};

} // namespace server
