#pragma once

#include "server/ScoreStore.h"
#include "server/Worker.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

namespace server {

// Group commit: gathers the postings submitted to a store and hands them, oldest first, to one
// writer thread in batches, so that one transaction (and one flush to disk) serves every posting
// that arrived while the previous one was being written. A posting still queued when its
// deadline is near is answered unavailable without being tried.
class PostingBatcher {
public:
    struct Entry {
        PostingRequest request;
        ScoreStore::AddDone done;
        AddOutcome outcome;
    };
    // Stores the batch as one transaction, setting each entry's outcome; must give up by
    // `deadline`. Throws StoreUnavailable when nothing of the batch was stored.
    using Commit = std::function<void(std::vector<Entry>& batch, StoreClock::time_point deadline)>;

    static constexpr std::size_t maxQueued = 20000;
    static constexpr std::size_t maxBatch = 512;

    explicit PostingBatcher(Commit commit);
    // Answers whatever is still queued (storing it when it can) before it returns.
    ~PostingBatcher();
    PostingBatcher(const PostingBatcher&) = delete;
    PostingBatcher& operator=(const PostingBatcher&) = delete;

    void submit(PostingRequest request, ScoreStore::AddDone done);

private:
    void run(Worker& writer);

    Commit m_commit;
    std::deque<Entry> m_queue; // under m_writer's lock
    Worker m_writer;
};

} // namespace server
