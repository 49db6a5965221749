#include "server/PgStore.h"

#include <pqxx/pqxx>

#include <chrono>

namespace server {

namespace {

constexpr int poolLimit = 64; // idle connections kept for reuse

// Statements every pooled connection prepares when it is made.
void prepareStatements(pqxx::connection& c) {
    c.prepare("lock_address", "SELECT pg_advisory_xact_lock(hashtext($1))");
    c.prepare("recent_from_address",
              "SELECT count(*) FROM postings WHERE address = $1 AND received > clock_timestamp()"
              " - interval '" +
                  std::to_string(rateWindowSeconds) + " seconds'");
    // Stores and notifies in one round trip; the notification goes out on commit.
    c.prepare("insert", std::string("WITH stored AS (INSERT INTO postings (name, date, score, "
                                    "address) VALUES ($1, $2, $3, $4) RETURNING id)"
                                    " SELECT pg_notify('") +
                            PgStore::channel + "', '') FROM stored");
    c.prepare("best", "SELECT name, date, score FROM postings ORDER BY score DESC, id LIMIT $1");
    c.prepare("total", "SELECT count(*) FROM postings");
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

struct PgStore::Pool {
    std::unique_ptr<pqxx::connection> connect(const std::string& connectionString) {
        try {
            auto c = std::make_unique<pqxx::connection>(connectionString);
            prepareStatements(*c);
            return c;
        } catch (const std::exception& e) {
            throw StoreUnavailable(std::string("cannot connect to PostgreSQL: ") + e.what());
        }
    }

    std::mutex mutex;
    std::vector<std::unique_ptr<pqxx::connection>> idle;
};

// A pooled connection for one request; returned to the pool unless it was lost.
class PgStore::Lease {
public:
    explicit Lease(PgStore& store) : m_store(store) {
        {
            const std::lock_guard lock(store.m_pool->mutex);
            if (!store.m_pool->idle.empty()) {
                m_connection = std::move(store.m_pool->idle.back());
                store.m_pool->idle.pop_back();
                m_reused = true;
            }
        }
        if (!m_connection) {
            m_connection = store.m_pool->connect(store.m_connectionString);
        }
    }
    ~Lease() {
        if (m_connection && m_connection->is_open()) {
            const std::lock_guard lock(m_store.m_pool->mutex);
            if (m_store.m_pool->idle.size() < poolLimit) {
                m_store.m_pool->idle.push_back(std::move(m_connection));
            }
        }
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    pqxx::connection& operator*() { return *m_connection; }
    // After a failure whose state is unclear the connection is not reused.
    void discard() { m_connection.reset(); }
    bool reused() const { return m_reused; }

private:
    PgStore& m_store;
    std::unique_ptr<pqxx::connection> m_connection;
    bool m_reused = false;
};

template <typename Work> auto PgStore::withConnection(Work work) {
    for (int attempt = 1;; ++attempt) {
        Lease lease(*this);
        try {
            return work(*lease);
        } catch (const pqxx::in_doubt_error& e) {
            // The commit may or may not have happened: never repeat it.
            lease.discard();
            throw StoreUnavailable(std::string("the connection was lost while committing: ") +
                                   e.what());
        } catch (const pqxx::broken_connection& e) {
            lease.discard();
            // When the database restarted, every idle connection is dead; nothing was written
            // on this one, so one retry on a new connection is safe.
            {
                const std::lock_guard lock(m_pool->mutex);
                m_pool->idle.clear();
            }
            if (!lease.reused() || attempt > 1) {
                throw StoreUnavailable(std::string("the connection to PostgreSQL was lost: ") +
                                       e.what());
            }
        } catch (const pqxx::failure& e) {
            throw StoreUnavailable(std::string("PostgreSQL refused the request: ") + e.what());
        }
    }
}

PgStore::PgStore(std::string connectionString)
    : m_connectionString(std::move(connectionString)), m_pool(std::make_unique<Pool>()) {
    try {
        auto first = std::make_unique<pqxx::connection>(m_connectionString);
        createSchema(*first);
        prepareStatements(*first);
        m_pool->idle.push_back(std::move(first));
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
    m_listener = std::thread([this, l = std::move(listener)]() mutable { listen(std::move(l)); });
}

PgStore::~PgStore() {
    m_stopping = true;
    m_listener.join();
}

AddResult PgStore::add(const PostingValues& posting, const std::string& address,
                       int perMinuteLimit) {
    return withConnection([&](pqxx::connection& c) {
        pqxx::work tx(c);
        if (perMinuteLimit > 0) {
            tx.exec_prepared("lock_address", address);
            if (tx.exec_prepared("recent_from_address", address)[0][0].as<long>() >=
                perMinuteLimit) {
                return AddResult::rateLimited; // the transaction rolls back
            }
        }
        tx.exec_prepared("insert", posting.name, posting.date, posting.score, address);
        tx.commit();
        return AddResult::stored;
    });
}

Standings PgStore::standings(int count) {
    return withConnection([&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        Standings result;
        for (const auto& row : tx.exec_prepared("best", count)) {
            result.best.push_back(
                RankedScore{row[0].as<std::string>(), row[1].as<std::string>(), row[2].as<int>()});
        }
        result.total = tx.exec_prepared("total")[0][0].as<long>();
        return result;
    });
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
    Listener(PgStore& store)
        : connection(store.m_connectionString),
          receiver(connection, [&store] { store.notifyChanged(); }) {}
    pqxx::connection connection;
    ChangeReceiver receiver; // LISTEN is in force from here on
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
