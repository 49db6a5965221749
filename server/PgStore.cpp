#include "server/PgStore.h"

#include "server/TicketSigner.h"

#include <pqxx/pqxx>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace server {

namespace {

// How long one page render may wait for the database.
constexpr auto readPatience = std::chrono::milliseconds(1500);
// How long a new connection's first statement may take: a database that accepts a session and
// then stops answering must not hold a thread (and so the server's stop) for ever.
constexpr auto setupPatience = std::chrono::seconds(2);
// Connections are refused by the database itself after this much time in one statement.
constexpr int statementTimeoutMs = 1500;

// A text as an element of an array literal: quoted, with its quotes and backslashes escaped.
std::string arrayElement(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
        }
        out += ch;
    }
    return out + "\"";
}

// Stores a batch of postings ($1 to $5: arrays of names, dates, scores, addresses and limits, 0
// for none), checked against the rate limit in the same statement; one row per posting: its
// place in the batch (from 1) and whether it was taken. Each limited address has a row holding
// the times of its postings within the window. The upsert takes those rows' locks in address
// order, so two batches never wait for each other in a circle, and reads each row as last
// committed, whichever process wrote it: a batch that waited for another's lock counts what that
// one stored, and the limit holds exactly across processes.
std::string storeBatchStatement() {
    const std::string window = std::to_string(std::int64_t{rateWindowSeconds} * 1000);
    return "WITH batch AS (SELECT * FROM unnest($1::text[], $2::text[], $3::integer[],"
           "   $4::text[], $5::integer[]) WITH ORDINALITY AS b (name, date, score, address, lim,"
           "   ord)),"
           " asked AS (SELECT address, count(*)::integer AS n, max(lim) AS lim FROM batch"
           "   WHERE lim > 0 GROUP BY address),"
           " counted AS (INSERT INTO posting_rate AS p (address, stamps, granted, allowance)"
           "   SELECT address, array_fill((extract(epoch FROM clock_timestamp()) * 1000)::bigint,"
           "     ARRAY[least(n, lim)]), least(n, lim), lim FROM asked ORDER BY address"
           "   ON CONFLICT (address) DO UPDATE SET (stamps, granted, allowance) ="
           "     (SELECT k.kept || excluded.stamps[1:g.n], g.n, excluded.allowance"
           "      FROM (SELECT ARRAY(SELECT s FROM unnest(p.stamps) AS s"
           "        WHERE s > excluded.stamps[1] - " +
           window +
           ") AS kept) AS k,"
           "      LATERAL (SELECT greatest(0, least(excluded.granted,"
           "        excluded.allowance - cardinality(k.kept))) AS n) AS g)"
           "   RETURNING address, granted),"
           " ranked AS (SELECT b.*, b.lim = 0 OR row_number() OVER (PARTITION BY b.address,"
           "   b.lim > 0 ORDER BY b.ord) <= c.granted AS taken"
           "   FROM batch b LEFT JOIN counted c ON c.address = b.address),"
           " stored AS (INSERT INTO postings (name, date, score, address)"
           "   SELECT name, date, score, address FROM ranked WHERE taken ORDER BY ord"
           "   RETURNING 1),"
           // The notification goes out on commit.
           " notified AS (SELECT pg_notify('" +
           std::string(PgStore::channel) +
           "', '') FROM (SELECT count(*) AS n FROM stored) AS s WHERE s.n > 0)"
           " SELECT ord, taken, (SELECT count(*) FROM notified) FROM ranked";
}

// Statements every pooled connection prepares when it is made.
void prepareStatements(pqxx::connection& c) {
    {
        pqxx::nontransaction setup(c);
        setup.exec("SET statement_timeout = " + std::to_string(statementTimeoutMs));
    }
    c.prepare("store_batch", storeBatchStatement());
    c.prepare("best", "SELECT name, date, score, verified FROM postings"
                      " ORDER BY score DESC, id LIMIT $1");
    c.prepare("total", "SELECT count(*) FROM postings");
    c.prepare("best_verified", "SELECT name, date, score, verified FROM postings"
                               " WHERE verified ORDER BY score DESC, id LIMIT $1");
    c.prepare("total_verified", "SELECT count(*) FROM postings WHERE verified");
    // The ticket is taken first: a second use of it, from any process, waits for this
    // transaction and then finds it taken.
    c.prepare("use_ticket",
              "INSERT INTO used_tickets (id) VALUES ($1) ON CONFLICT DO NOTHING RETURNING id");
    c.prepare("unverified", "SELECT id FROM postings WHERE score = $3 AND name = $1 AND date = $2"
                            " AND received >= to_timestamp($4::bigint / 1000.0) AND NOT verified"
                            " ORDER BY id LIMIT 1 FOR UPDATE");
    c.prepare("ticket_spent", "SELECT 1 FROM used_tickets WHERE id = $1");
    c.prepare("posting_waits",
              "SELECT 1 FROM postings WHERE score = $3 AND name = $1 AND date = $2"
              " AND received >= to_timestamp($4::bigint / 1000.0) AND NOT verified LIMIT 1");
    c.prepare("mark_verified", "UPDATE postings SET verified = true WHERE id = $1");
    c.prepare("ticket_posting", "UPDATE used_tickets SET posting_id = $2 WHERE id = $1");
    c.prepare("forget_tickets",
              "DELETE FROM used_tickets"
              " WHERE used < clock_timestamp() - $1::bigint * interval '1 second'");
}

// Creates the schema on first start; refuses a database made by a newer server. Two processes
// starting at once take turns through an advisory lock.
void createSchema(pqxx::connection& c) {
    pqxx::work tx(c);
    tx.exec("SELECT pg_advisory_xact_lock(hashtext('bloomzap schema'))");
    tx.exec("CREATE TABLE IF NOT EXISTS bloomzap_schema (version integer NOT NULL)");
    const pqxx::result found = tx.exec("SELECT max(version) FROM bloomzap_schema");
    const int version = found[0][0].is_null() ? 0 : found[0][0].as<int>();
    if (version > PgStore::schemaVersion) {
        throw StoreOpenError("the database was made by a newer server (schema " +
                             std::to_string(version) + ")");
    }
    if (version < 1) {
        tx.exec("CREATE TABLE postings ("
                " id bigserial PRIMARY KEY,"
                " name text NOT NULL, date text NOT NULL,"
                " score integer NOT NULL CHECK (score >= 0),"
                " received timestamptz NOT NULL DEFAULT clock_timestamp(),"
                " address text NOT NULL)");
        tx.exec("CREATE INDEX postings_rank ON postings (score DESC, id)");
        tx.exec("CREATE INDEX postings_recent ON postings (address, received)");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (1)");
    }
    if (version < 2) {
        // Postings stored before replays existed stay, unverified.
        tx.exec("ALTER TABLE postings ADD COLUMN verified boolean NOT NULL DEFAULT false");
        tx.exec("CREATE INDEX postings_verified_rank ON postings (score DESC, id) WHERE verified");
        tx.exec("CREATE TABLE used_tickets ("
                " id text PRIMARY KEY, posting_id bigint,"
                " used timestamptz NOT NULL DEFAULT clock_timestamp())");
        tx.exec("CREATE INDEX used_tickets_age ON used_tickets (used)");
        tx.exec("CREATE TABLE bloomzap_ticket_key (key text NOT NULL)");
        tx.exec("INSERT INTO bloomzap_ticket_key (key) VALUES (" +
                tx.quote(ticketKeyText(randomTicketKey())) + ")");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (2)");
    }
    if (version < 3) {
        // The rate limit counts in a row per address instead of in the postings.
        tx.exec("CREATE TABLE posting_rate ("
                " address text PRIMARY KEY,"
                " stamps bigint[] NOT NULL,"     // unix ms of the postings taken in the window
                " granted integer NOT NULL,"     // postings the last batch was allowed
                " allowance integer NOT NULL)"); // the limit in force then
        tx.exec("DROP INDEX IF EXISTS postings_recent");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (3)");
    }
    tx.commit();
}

// Calls `changed` for every notification on the postings channel.
class ChangeReceiver : public pqxx::notification_receiver {
public:
    ChangeReceiver(pqxx::connection& c, std::function<void()> changed)
        : pqxx::notification_receiver(c, PgStore::channel), m_changed(std::move(changed)) {}
    void operator()(const std::string&, int) override { m_changed(); }

private:
    std::function<void()> m_changed;
};

} // namespace

// Cuts the socket of a connection whose use outlives its deadline, so that the blocked call
// returns with an error instead of waiting for a database that does not answer.
struct PgStore::Cutoffs {
    Cutoffs() : thread([this] { run(); }) {}
    ~Cutoffs() {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        thread.join();
    }

    std::uint64_t arm(int socket, StoreClock::time_point deadline) {
        const std::lock_guard lock(mutex);
        armed[++last] = {socket, deadline};
        changed.notify_all();
        return last;
    }
    void disarm(std::uint64_t id) {
        const std::lock_guard lock(mutex);
        armed.erase(id);
    }

    // Keeps a cutoff armed on a connection for as long as it lives.
    class Armed {
    public:
        Armed(Cutoffs& cutoffs, pqxx::connection& c, StoreClock::duration patience)
            : m_cutoffs(cutoffs), m_id(cutoffs.arm(c.sock(), StoreClock::now() + patience)) {}
        ~Armed() { m_cutoffs.disarm(m_id); }
        Armed(const Armed&) = delete;
        Armed& operator=(const Armed&) = delete;

    private:
        Cutoffs& m_cutoffs;
        std::uint64_t m_id;
    };

    void run() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            const auto now = StoreClock::now();
            auto next = StoreClock::time_point::max();
            for (auto it = armed.begin(); it != armed.end();) {
                if (it->second.second <= now) {
                    ::shutdown(it->second.first, SHUT_RDWR);
                    it = armed.erase(it);
                } else {
                    next = std::min(next, it->second.second);
                    ++it;
                }
            }
            if (next == StoreClock::time_point::max()) {
                changed.wait(lock);
            } else {
                changed.wait_until(lock, next);
            }
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::uint64_t, std::pair<int, StoreClock::time_point>> armed;
    std::uint64_t last = 0;
    bool stopping = false;
    std::thread thread;
};

// Connections for requests: at most `size`, made by a thread of their own whenever a request
// waits and none is idle.
struct PgStore::Pool {
    Pool(std::string connection, int poolSize)
        : connectionString(std::move(connection)), size(poolSize) {}

    void start(Cutoffs& connectionCutoffs) {
        cutoffs = &connectionCutoffs;
        connector = std::thread([this] { run(); });
    }
    void stop() {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        if (connector.joinable()) {
            connector.join();
        }
    }

    void run() {
        using namespace std::chrono_literals;
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(
                lock, [this] { return stopping || (waiting > 0 && idle.empty() && open < size); });
            if (stopping) {
                return;
            }
            ++open;
            lock.unlock();
            std::unique_ptr<pqxx::connection> made;
            std::string problem;
            try {
                made = std::make_unique<pqxx::connection>(connectionString);
                const Cutoffs::Armed cutoff(*cutoffs, *made, setupPatience);
                prepareStatements(*made);
            } catch (const std::exception& e) {
                made.reset();
                problem = e.what();
            }
            lock.lock();
            if (made) {
                idle.push_back(std::move(made));
                lastProblem.clear();
                changed.notify_all();
            } else {
                --open;
                lastProblem = problem;
                // Not too often against a database that is away.
                changed.wait_for(lock, 200ms, [this] { return stopping; });
            }
        }
    }

    std::unique_ptr<pqxx::connection> acquire(StoreClock::time_point deadline) {
        std::unique_lock lock(mutex);
        ++waiting;
        changed.notify_all();
        changed.wait_until(lock, deadline, [this] { return stopping || !idle.empty(); });
        --waiting;
        if (idle.empty()) {
            std::string why = "no connection to PostgreSQL in time";
            if (!lastProblem.empty()) {
                why += ": " + lastProblem;
            }
            throw StoreUnavailable(why);
        }
        auto c = std::move(idle.back());
        idle.pop_back();
        return c;
    }

    void release(std::unique_ptr<pqxx::connection> c) {
        const std::lock_guard lock(mutex);
        if (c && c->is_open()) {
            idle.push_back(std::move(c));
        } else {
            --open;
        }
        changed.notify_all();
    }

    // When the database restarted every idle connection is dead.
    void dropIdle() {
        const std::lock_guard lock(mutex);
        open -= static_cast<int>(idle.size());
        idle.clear();
        changed.notify_all();
    }

    const std::string connectionString;
    const int size;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::unique_ptr<pqxx::connection>> idle;
    int open = 0;
    int waiting = 0;
    bool stopping = false;
    std::string lastProblem;
    std::thread connector;
    Cutoffs* cutoffs = nullptr;
};

// A pooled connection for one use with a deadline; returned to the pool unless it was lost.
class PgStore::Lease {
public:
    Lease(PgStore& store, StoreClock::time_point deadline)
        : m_store(store), m_connection(store.m_pool->acquire(deadline)),
          m_cutoff(store.m_cutoffs->arm(m_connection->sock(), deadline)) {}
    ~Lease() {
        m_store.m_cutoffs->disarm(m_cutoff);
        m_store.m_pool->release(std::move(m_connection));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    pqxx::connection& operator*() { return *m_connection; }
    // After a failure whose state is unclear the connection is not reused.
    void discard() {
        m_store.m_cutoffs->disarm(m_cutoff);
        m_connection.reset();
    }

private:
    PgStore& m_store;
    std::unique_ptr<pqxx::connection> m_connection;
    std::uint64_t m_cutoff;
};

template <typename Work> auto PgStore::withConnection(StoreClock::time_point deadline, Work work) {
    for (int attempt = 1;; ++attempt) {
        Lease lease(*this, deadline);
        try {
            return work(*lease);
        } catch (const pqxx::in_doubt_error& e) {
            // The commit may or may not have happened: never repeat it.
            lease.discard();
            throw StoreUnavailable(std::string("the connection was lost while committing: ") +
                                   e.what());
        } catch (const pqxx::broken_connection& e) {
            lease.discard();
            m_pool->dropIdle();
            // Nothing was written on a connection that broke before its commit, so one retry on
            // a new connection is safe while there is time.
            if (attempt > 1 || StoreClock::now() >= deadline) {
                throw StoreUnavailable(std::string("the connection to PostgreSQL was lost: ") +
                                       e.what());
            }
        } catch (const pqxx::failure& e) {
            lease.discard();
            throw StoreUnavailable(std::string("PostgreSQL refused the request: ") + e.what());
        }
    }
}

std::string PgStore::hardened(const std::string& connectionString) {
    const bool uri = connectionString.rfind("postgresql://", 0) == 0 ||
                     connectionString.rfind("postgres://", 0) == 0;
    std::string result = connectionString;
    bool first = uri && connectionString.find('?') == std::string::npos;
    for (const char* setting :
         {"connect_timeout=2", "keepalives=1", "keepalives_idle=10", "keepalives_interval=5",
          "keepalives_count=3", "tcp_user_timeout=10000"}) {
        const std::string name = std::string(setting).substr(0, std::string(setting).find('=') + 1);
        if (connectionString.find(name) != std::string::npos) {
            continue;
        }
        result += uri ? (first ? "?" : "&") : " ";
        result += setting;
        first = false;
    }
    return result;
}

PgStore::PgStore(std::string connectionString, int poolSize)
    : m_connectionString(hardened(connectionString)),
      m_pool(std::make_unique<Pool>(m_connectionString, std::max(1, poolSize))),
      m_cutoffs(std::make_unique<Cutoffs>()) {
    try {
        auto first = std::make_unique<pqxx::connection>(m_connectionString);
        createSchema(*first);
        prepareStatements(*first);
        m_pool->idle.push_back(std::move(first));
        m_pool->open = 1;
    } catch (const StoreOpenError&) {
        throw;
    } catch (const std::exception& e) {
        throw StoreOpenError(std::string("cannot use the PostgreSQL database: ") + e.what());
    }
    // Listening before the first page is rendered, so no change can slip between the two.
    std::unique_ptr<Listener> listener;
    try {
        listener = std::make_unique<Listener>(*this);
    } catch (const std::exception& e) {
        throw StoreOpenError(std::string("cannot listen for changes: ") + e.what());
    }
    m_pool->start(*m_cutoffs);
    m_listener = std::thread([this, l = std::move(listener)]() mutable { listen(std::move(l)); });
    m_batcher = std::make_unique<PostingBatcher>(
        [this](std::vector<PostingBatcher::Entry>& batch, StoreClock::time_point deadline) {
            commitBatch(batch, deadline);
        });
    m_forgetter = std::thread([this] {
        std::unique_lock lock(m_forgetMutex);
        while (!m_forgetWake.wait_for(lock, forgetEvery, [this] { return m_stopping.load(); })) {
            lock.unlock();
            forgetQuietAddresses();
            lock.lock();
        }
    });
}

PgStore::~PgStore() {
    {
        const std::lock_guard lock(m_forgetMutex);
        m_stopping = true;
    }
    m_forgetWake.notify_all();
    m_forgetter.join();
    m_batcher.reset(); // answers what is queued
    m_stopping = true;
    m_listener.join();
    m_pool->stop();
}

void PgStore::submit(PostingRequest request, AddDone done) {
    m_batcher->submit(std::move(request), std::move(done));
}

void PgStore::commitBatch(std::vector<PostingBatcher::Entry>& batch,
                          StoreClock::time_point deadline) {
    std::string names = "{", dates = "{", scores = "{", addresses = "{", limits = "{";
    for (const PostingBatcher::Entry& entry : batch) {
        const PostingRequest& r = entry.request;
        const char* comma = names.size() > 1 ? "," : "";
        names += comma + arrayElement(r.posting.name);
        dates += comma + arrayElement(r.posting.date);
        scores += comma + std::to_string(r.posting.score);
        addresses += comma + arrayElement(r.address);
        limits += comma + std::to_string(std::max(r.perMinuteLimit, 0));
    }
    for (std::string* array : {&names, &dates, &scores, &addresses, &limits}) {
        *array += "}";
    }
    withConnection(deadline, [&](pqxx::connection& c) {
        pqxx::work tx(c);
        const pqxx::result decided =
            tx.exec_prepared("store_batch", names, dates, scores, addresses, limits);
        for (const auto& row : decided) {
            PostingBatcher::Entry& entry = batch.at(row[0].as<std::size_t>() - 1);
            entry.outcome = row[1].as<bool>() ? AddOutcome{false, AddResult::stored, {}}
                                              : AddOutcome{false, AddResult::rateLimited, {}};
        }
        tx.commit();
        return 0;
    });
}

void PgStore::forgetQuietAddresses() {
    const std::string window = std::to_string(std::int64_t{rateWindowSeconds} * 1000);
    try {
        withConnection(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
            pqxx::work tx(c);
            // Rows another batch holds are left for the next round: this never waits for one,
            // so it never waits in a circle with one either.
            tx.exec("DELETE FROM posting_rate WHERE address IN (SELECT address FROM posting_rate"
                    " WHERE coalesce(stamps[cardinality(stamps)], 0) <="
                    " (extract(epoch FROM clock_timestamp()) * 1000)::bigint - " +
                    window + " LIMIT " + std::to_string(forgetAtOnce) + " FOR UPDATE SKIP LOCKED)");
            tx.commit();
            return 0;
        });
    } catch (const std::exception&) {
        // The database could not be reached or refused: tried again at the next round; the
        // rows only take room meanwhile.
    }
}

Standings PgStore::standings(int count, bool verifiedOnly) {
    return withConnection(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        Standings result;
        for (const auto& row : tx.exec_prepared(verifiedOnly ? "best_verified" : "best", count)) {
            result.best.push_back(RankedScore{row[0].as<std::string>(), row[1].as<std::string>(),
                                              row[2].as<int>(), row[3].as<bool>()});
        }
        result.total = tx.exec_prepared(verifiedOnly ? "total_verified" : "total")[0][0].as<long>();
        return result;
    });
}

VerifyResult PgStore::verify(const VerifyRequest& request) {
    return withConnection(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::work tx(c);
        if (tx.exec_prepared("use_ticket", request.ticketId).empty()) {
            return VerifyResult::ticketUsed;
        }
        const pqxx::result posting =
            tx.exec_prepared("unverified", request.posting.name, request.posting.date,
                             request.posting.score, request.issuedMs);
        if (posting.empty()) {
            tx.abort(); // the ticket stays unused
            return VerifyResult::noPosting;
        }
        const auto id = posting[0][0].as<std::int64_t>();
        tx.exec_prepared("mark_verified", id);
        tx.exec_prepared("ticket_posting", request.ticketId, id);
        tx.exec_prepared("forget_tickets", usedTicketKeepSeconds);
        tx.exec("SELECT pg_notify(" + tx.quote(channel) + ", '')");
        tx.commit();
        return VerifyResult::verified;
    });
}

VerifyResult PgStore::mayVerify(const VerifyRequest& request) {
    return withConnection(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        if (!tx.exec_prepared("ticket_spent", request.ticketId).empty()) {
            return VerifyResult::ticketUsed;
        }
        if (tx.exec_prepared("posting_waits", request.posting.name, request.posting.date,
                             request.posting.score, request.issuedMs)
                .empty()) {
            return VerifyResult::noPosting;
        }
        return VerifyResult::verified;
    });
}

std::string PgStore::ticketKey() {
    try {
        return withConnection(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
            pqxx::read_transaction tx(c);
            const pqxx::result found = tx.exec("SELECT key FROM bloomzap_ticket_key");
            const auto key =
                found.size() == 1 ? ticketKeyFromText(found[0][0].as<std::string>()) : std::nullopt;
            if (!key) {
                throw StoreOpenError("the database holds no usable ticket key");
            }
            return *key;
        });
    } catch (const StoreUnavailable& e) {
        throw StoreOpenError(std::string("cannot read the ticket key: ") + e.what());
    }
}

void PgStore::watchChanges(std::function<void()> changed) {
    const std::lock_guard lock(m_watchMutex);
    m_changed = std::move(changed);
}

void PgStore::notifyChanged() {
    const std::lock_guard lock(m_watchMutex);
    if (m_changed) {
        m_changed();
    }
}

struct PgStore::Listener {
    explicit Listener(PgStore& store) : connection(store.m_connectionString) {
        const Cutoffs::Armed cutoff(*store.m_cutoffs, connection, setupPatience);
        receiver =
            std::make_unique<ChangeReceiver>(connection, [&store] { store.notifyChanged(); });
    }
    // Closed before the receiver goes, which would otherwise send UNLISTEN and wait for the
    // answer: a hung database would keep the server from ever stopping. The session's end
    // ends its LISTEN.
    ~Listener() { connection.disconnect(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    pqxx::connection connection;
    std::unique_ptr<ChangeReceiver> receiver; // LISTEN is in force from here on
};

void PgStore::listen(std::unique_ptr<Listener> listener) {
    using namespace std::chrono_literals;
    while (!m_stopping) {
        try {
            if (!listener) {
                listener = std::make_unique<Listener>(*this);
                // Postings made while we were not listening are unknown: start afresh.
                notifyChanged();
            }
            listener->connection.await_notification(0, 200'000);
        } catch (const std::exception&) {
            // Lost or refused; try again shortly.
            listener.reset();
            for (int i = 0; i < 4 && !m_stopping; ++i) {
                std::this_thread::sleep_for(50ms);
            }
        }
    }
}

} // namespace server
