#pragma once

#include "server/ScoreStore.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server {

// Postings in a PostgreSQL database, shared by any number of server processes. Each request
// borrows a connection from a small pool; a lost connection makes that request fail with
// StoreUnavailable and the next one connects anew. Each posting is one transaction that also
// notifies the channel "bloomzap_postings", which every process listens to so that it can drop
// its rendered pages. The rate limit holds across processes: postings from one address are
// counted under a transaction-scoped advisory lock on that address.
class PgStore : public ScoreStore {
public:
    static constexpr int schemaVersion = 1;
    static constexpr const char* channel = "bloomzap_postings";

    // Connects and creates or checks the schema. Throws StoreOpenError.
    explicit PgStore(std::string connectionString);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    AddResult add(const PostingValues& posting, const std::string& address,
                  int perMinuteLimit) override;
    Standings standings(int count) override;
    void watchChanges(std::function<void()> changed) override;

private:
    class Lease;
    struct Pool; // idle connections

    // Runs `work` on a pooled connection and turns database failures into StoreUnavailable.
    template <typename Work> auto withConnection(Work work);
    struct Listener; // a connection of its own that waits for notifications
    void listen(std::unique_ptr<Listener> listener);
    void notifyChanged();

    std::string m_connectionString;
    std::unique_ptr<Pool> m_pool;

    std::mutex m_watchMutex;
    std::function<void()> m_changed;
    std::atomic<bool> m_stopping{false};
    std::thread m_listener;
};

} // namespace server
