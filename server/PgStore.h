#pragma once

#include "server/PgCutoffs.h"
#include "server/PgPool.h"
#include "server/PgSchema.h"
#include "server/PostingBatcher.h"
#include "server/ScoreStore.h"
#include "server/Worker.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace server {

// Postings in a PostgreSQL database, shared by any number of server processes. Connections come
// from a pool of a hard size that a thread of its own fills, so no request ever waits for a
// connection to be made; a request waits a bounded time for a free one and otherwise fails with
// StoreUnavailable. Every use of a connection has a deadline: when the database does not answer
// by then (stopped, or the network gone) the connection is cut and the request fails. Postings
// are stored in batches (group commit), each batch one transaction that also notifies the
// channel "bloomzap_postings", which every process listens to so that it can drop its rendered
// pages. The rate limit holds across processes: each limited address has a row with the times
// of its postings in the window, which a batch updates in the same statement that stores it, so
// batches touching one address take turns on its row lock and each counts what the one before
// it stored. The ticket key is kept in the database, so every process on it signs and checks
// tickets alike.
class PgStore : public ScoreStore {
public:
    static constexpr int schemaVersion = pgschema::version;
    // How often, and how many at a time, rows of addresses that posted nothing within the
    // window are deleted.
    static constexpr auto forgetEvery = std::chrono::seconds(2);
    static constexpr int forgetAtOnce = 50000;
    static constexpr const char* channel = pgschema::channel;
    // How long one read, or one verification, may wait for the database.
    static constexpr auto readPatience = std::chrono::milliseconds(1500);

    // Connects and creates or checks the schema. `poolSize` is the most connections this
    // process opens for requests (one more listens for changes). Throws StoreOpenError.
    explicit PgStore(std::string connectionString, int poolSize = 4);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    void submit(PostingRequest request, AddDone done) override;
    Standings standings(int count, bool verifiedOnly) override;
    VerifyResult verify(const VerifyRequest& request, DailyResult& daily) override;
    VerifyResult mayVerify(const VerifyRequest& request) override;
    Standings dailyStandings(const std::string& day, int count) override;
    std::optional<std::string> keptRecord(std::int64_t id) override;
    std::string ticketKey() override;
    void watchChanges(std::function<void()> changed) override;

    // The connection string with time-outs and keepalives added where it names none.
    static std::string hardened(const std::string& connectionString);

private:
    class Lease;
    struct Listener; // a connection of its own that waits for notifications

    // Runs `work` on a pooled connection by `deadline` and turns database failures into
    // StoreUnavailable.
    template <typename Work> auto withConnection(StoreClock::time_point deadline, Work work);
    // The same for the store's other files, which cannot see the template.
    void withConnectionDo(StoreClock::time_point deadline,
                          const std::function<void(pqxx::connection&)>& work);
    void commitBatch(std::vector<PostingBatcher::Entry>& batch, StoreClock::time_point deadline);
    // Deletes the rate rows of addresses that posted nothing within the window.
    void forgetQuietAddresses();
    void listen(Worker& worker);
    void notifyChanged();

    std::string m_connectionString;
    PgCutoffs m_cutoffs; // before everything that arms a cutoff, so that it is gone after them
    std::unique_ptr<PgPool> m_pool;

    std::mutex m_watchMutex;
    std::function<void()> m_changed;
    std::unique_ptr<Listener> m_firstListener; // made at the start, taken by m_listener
    // Stopped in this order, the reverse of their declaration: the forgetter, the batcher (which
    // first answers what is queued), the listener.
    std::unique_ptr<Worker> m_listener;
    std::unique_ptr<PostingBatcher> m_batcher;
    std::unique_ptr<Worker> m_forgetter;
};

} // namespace server
