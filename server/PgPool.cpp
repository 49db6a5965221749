#include "server/PgPool.h"

#include "server/PgSchema.h"

#include <cassert>
#include <chrono>

namespace server {

namespace {

// How long a new connection's first statement may take: a database that accepts a session and
// then stops answering must not hold a thread (and so the server's stop) for ever.
constexpr auto setupPatience = std::chrono::seconds(2);
// Between attempts to connect to a database that is away.
constexpr auto connectBackoff = std::chrono::milliseconds(200);

} // namespace

PgPool::PgPool(std::string connectionString, int size, std::unique_ptr<pqxx::connection> first,
               PgCutoffs& cutoffs)
    : m_connectionString(std::move(connectionString)), m_size(size), m_cutoffs(cutoffs),
      m_connector([this](Worker& connector) { connect(connector); }) {
    assert(size > 0 && first);
    const Worker::Lock lock = m_connector.lock();
    m_idle.push_back(std::move(first));
    m_open = 1;
}

void PgPool::connect(Worker& connector) {
    Worker::Lock lock = connector.lock();
    while (connector.wait(lock, [this] {
        return m_waiting > 0 && m_idle.empty() && m_open < m_size;
    }) && !connector.stopping()) {
        ++m_open;
        assert(m_open <= m_size); // at most `size` connections
        lock.unlock();
        std::unique_ptr<pqxx::connection> made;
        std::string problem;
        try {
            made = std::make_unique<pqxx::connection>(m_connectionString);
            const PgCutoffs::Armed cutoff(m_cutoffs, *made, setupPatience);
            pgschema::prepare(*made);
        } catch (const std::exception& e) {
            made.reset();
            problem = e.what();
        }
        lock.lock();
        if (made) {
            m_idle.push_back(std::move(made));
            m_lastProblem.clear();
            connector.notifyAll();
        } else {
            --m_open;
            m_lastProblem = problem;
            // Not too often against a database that is away.
            connector.pause(lock, connectBackoff);
        }
    }
}

std::unique_ptr<pqxx::connection> PgPool::acquire(StoreClock::time_point deadline) {
    Worker::Lock lock = m_connector.lock();
    ++m_waiting;
    m_connector.notifyAll();
    m_connector.waitUntil(lock, deadline, [this] { return !m_idle.empty(); });
    --m_waiting;
    if (m_idle.empty()) {
        std::string why = "no connection to PostgreSQL in time";
        if (!m_lastProblem.empty()) {
            why += ": " + m_lastProblem;
        }
        throw StoreUnavailable(why);
    }
    auto c = std::move(m_idle.back());
    m_idle.pop_back();
    return c;
}

void PgPool::release(std::unique_ptr<pqxx::connection> c) {
    const Worker::Lock lock = m_connector.lock();
    if (c && c->is_open()) {
        m_idle.push_back(std::move(c));
    } else {
        --m_open;
        assert(m_open >= 0);
    }
    m_connector.notifyAll();
}

void PgPool::dropIdle() {
    const Worker::Lock lock = m_connector.lock();
    m_open -= static_cast<int>(m_idle.size());
    m_idle.clear();
    m_connector.notifyAll();
}

} // namespace server
