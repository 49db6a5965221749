#include "server/PgStore.h"

#include "server/TicketSigner.h"

#include <pqxx/pqxx>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace server {

namespace {

// How long the listening connection's set-up may take.
constexpr auto setupPatience = std::chrono::seconds(2);
// How long the listener waits for a notification before it looks for a stop again.
constexpr long listenSliceMicroseconds = 200'000;
// After a lost listening connection, before the next attempt.
constexpr auto listenBackoff = std::chrono::milliseconds(200);

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

// A pooled connection for one use with a deadline; returned to the pool unless it was lost.
class PgStore::Lease {
public:
    Lease(PgStore& store, StoreClock::time_point deadline)
        : m_store(store), m_connection(store.m_pool->acquire(deadline)),
          m_cutoff(store.m_cutoffs.arm(m_connection->sock(), deadline)) {}
    ~Lease() {
        m_store.m_cutoffs.disarm(m_cutoff);
        m_store.m_pool->release(std::move(m_connection));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    pqxx::connection& operator*() { return *m_connection; }
    // After a failure whose state is unclear the connection is not reused.
    void discard() {
        m_store.m_cutoffs.disarm(m_cutoff);
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
    : m_connectionString(hardened(connectionString)) {
    try {
        auto first = std::make_unique<pqxx::connection>(m_connectionString);
        pgschema::create(*first);
        pgschema::prepare(*first);
        m_pool = std::make_unique<PgPool>(m_connectionString, std::max(1, poolSize),
                                          std::move(first), m_cutoffs);
    } catch (const StoreOpenError&) {
        throw;
    } catch (const std::exception& e) {
        throw StoreOpenError(std::string("cannot use the PostgreSQL database: ") + e.what());
    }
    // Listening before the first page is rendered, so no change can slip between the two.
    try {
        m_firstListener = std::make_unique<Listener>(*this);
    } catch (const std::exception& e) {
        throw StoreOpenError(std::string("cannot listen for changes: ") + e.what());
    }
    m_listener = std::make_unique<Worker>([this](Worker& worker) { listen(worker); });
    m_batcher = std::make_unique<PostingBatcher>(
        [this](std::vector<PostingBatcher::Entry>& batch, StoreClock::time_point deadline) {
            commitBatch(batch, deadline);
        });
    m_forgetter = std::make_unique<Worker>([this](Worker& forgetter) {
        Worker::Lock lock = forgetter.lock();
        while (forgetter.pause(lock, forgetEvery)) {
            lock.unlock();
            forgetQuietAddresses();
            lock.lock();
        }
    });
}

PgStore::~PgStore() {
    m_forgetter.reset();
    m_batcher.reset(); // answers what is queued
    m_listener.reset();
    m_pool.reset();
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
        names += comma + pgschema::arrayElement(r.posting.name);
        dates += comma + pgschema::arrayElement(r.posting.date);
        scores += comma + std::to_string(r.posting.score);
        addresses += comma + pgschema::arrayElement(r.address);
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
                                              row[2].as<int>(), row[3].as<bool>(),
                                              row[4].as<std::int64_t>()});
        }
        result.total = tx.exec_prepared(verifiedOnly ? "total_verified" : "total")[0][0].as<long>();
        return result;
    });
}

void PgStore::withConnectionDo(StoreClock::time_point deadline,
                               const std::function<void(pqxx::connection&)>& work) {
    withConnection(deadline, [&](pqxx::connection& c) {
        work(c);
        return 0;
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
        const PgCutoffs::Armed cutoff(store.m_cutoffs, connection, setupPatience);
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

void PgStore::listen(Worker& worker) {
    std::unique_ptr<Listener> listener = std::move(m_firstListener);
    while (!worker.stopping()) {
        try {
            if (!listener) {
                listener = std::make_unique<Listener>(*this);
                // Postings made while we were not listening are unknown: start afresh.
                notifyChanged();
            }
            listener->connection.await_notification(0, listenSliceMicroseconds);
        } catch (const std::exception&) {
            // Lost or refused; tried again shortly. Page renders meanwhile see what this
            // process stored only.
            listener.reset();
            Worker::Lock lock = worker.lock();
            worker.pause(lock, listenBackoff);
        }
    }
}

} // namespace server
