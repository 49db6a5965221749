#pragma once

#include "server/ScoreStore.h"
#include "server/Worker.h"

#include <pqxx/pqxx>

#include <cstdint>
#include <map>
#include <utility>

namespace server {

// Cuts the socket of a PostgreSQL connection whose use outlives its deadline, so that the blocked
// call returns with an error instead of waiting for a database that does not answer.
class PgCutoffs {
public:
    PgCutoffs();

    // Cuts `socket` at `deadline` unless disarmed before; returns the cutoff's id.
    std::uint64_t arm(int socket, StoreClock::time_point deadline);
    void disarm(std::uint64_t id);

    // Keeps a cutoff armed on a connection for as long as it lives.
    class Armed {
    public:
        Armed(PgCutoffs& cutoffs, pqxx::connection& c, StoreClock::duration patience)
            : m_cutoffs(cutoffs), m_id(cutoffs.arm(c.sock(), StoreClock::now() + patience)) {}
        ~Armed() { m_cutoffs.disarm(m_id); }
        Armed(const Armed&) = delete;
        Armed& operator=(const Armed&) = delete;

    private:
        PgCutoffs& m_cutoffs;
        std::uint64_t m_id;
    };

private:
    void run(Worker& cutter);

    // Under m_cutter's lock.
    std::map<std::uint64_t, std::pair<int, StoreClock::time_point>> m_armed;
    std::uint64_t m_last = 0;
    Worker m_cutter;
};

} // namespace server
