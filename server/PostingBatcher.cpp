#include "server/PostingBatcher.h"

namespace server {

namespace {

// A posting needs at least this much of its time left to be worth trying.
constexpr auto leastTimeLeft = std::chrono::milliseconds(100);

} // namespace

PostingBatcher::PostingBatcher(Commit commit)
    : m_commit(std::move(commit)), m_writer([this](Worker& writer) { run(writer); }) {}

PostingBatcher::~PostingBatcher() = default; // the writer drains the queue before it returns

void PostingBatcher::submit(PostingRequest request, ScoreStore::AddDone done) {
    {
        const Worker::Lock lock = m_writer.lock();
        if (m_queue.size() < maxQueued) {
            m_queue.push_back(Entry{std::move(request), std::move(done), {}});
            m_writer.notifyOne();
            return;
        }
    }
    done(AddOutcome{true, AddResult::stored, "too many postings are waiting to be stored"});
}

void PostingBatcher::run(Worker& writer) {
    std::vector<Entry> batch;
    std::vector<Entry> late;
    for (;;) {
        {
            Worker::Lock lock = writer.lock();
            // Past a stop the wait no longer waits: what is queued is still stored and answered.
            if (!writer.wait(lock, [this] { return !m_queue.empty(); })) {
                return; // stopping, and everything is answered
            }
            const auto now = StoreClock::now();
            while (!m_queue.empty() && batch.size() < maxBatch) {
                Entry& next = m_queue.front();
                (next.request.deadline - now < leastTimeLeft ? late : batch)
                    .push_back(std::move(next));
                m_queue.pop_front();
            }
        }
        for (Entry& entry : late) {
            entry.done(
                AddOutcome{true, AddResult::stored, "the posting waited too long to be stored"});
        }
        late.clear();
        if (batch.empty()) {
            continue;
        }
        auto deadline = batch.front().request.deadline;
        for (const Entry& entry : batch) {
            deadline = std::min(deadline, entry.request.deadline);
        }
        try {
            m_commit(batch, deadline);
        } catch (const StoreUnavailable& e) {
            for (Entry& entry : batch) {
                entry.outcome = AddOutcome{true, AddResult::stored, e.what()};
            }
        }
        for (Entry& entry : batch) {
            entry.done(entry.outcome);
        }
        batch.clear();
    }
}

} // namespace server
