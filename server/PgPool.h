#pragma once

#include "server/PgCutoffs.h"
#include "server/ScoreStore.h"
#include "server/Worker.h"

#include <pqxx/pqxx>

#include <memory>
#include <string>
#include <vector>

namespace server {

// PostgreSQL connections for requests: at most `size`, made by a thread of their own whenever a
// request waits and none is idle, so no request ever waits for a connection to be made.
class PgPool {
public:
    // Starts with `first`, already prepared; each new connection is prepared as it is made, its
    // set-up cut off by `cutoffs` when the database does not answer.
    PgPool(std::string connectionString, int size, std::unique_ptr<pqxx::connection> first,
           PgCutoffs& cutoffs);

    // An idle connection, waiting for one until `deadline`. Throws StoreUnavailable.
    std::unique_ptr<pqxx::connection> acquire(StoreClock::time_point deadline);
    // Takes back a connection from acquire(); a lost one (null or closed) makes room for another.
    void release(std::unique_ptr<pqxx::connection> c);
    // When the database restarted every idle connection is dead.
    void dropIdle();

private:
    void connect(Worker& connector);

    const std::string m_connectionString;
    const int m_size;
    PgCutoffs& m_cutoffs;
    // Under m_connector's lock.
    std::vector<std::unique_ptr<pqxx::connection>> m_idle;
    int m_open = 0;
    int m_waiting = 0;
    std::string m_lastProblem;
    Worker m_connector;
};

} // namespace server
