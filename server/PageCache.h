#pragma once

#include "server/AccessLog.h"
#include "server/Response.h"
#include "server/ScoreServer.h"
#include "server/ScoreStore.h"
#include "server/Waits.h"
#include "server/Worker.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

namespace server {

// The pages that show postings, as rendered for one generation of the postings.
struct RenderedPages {
    std::uint64_t generation = 0;
    ResponseRef highScores;
    ResponseRef multiplayer;
};

// The pages that show postings, rendered by a thread of their own once per change of the
// postings and then served from memory. A request that finds its copy stale waits for the next
// render; while the store cannot be read the last rendered copy is served, and the store is
// tried again after a short back-off.
class PageCache {
public:
    PageCache(const ServeSettings& settings, ScoreStore& store, std::shared_ptr<Waits> waits,
              AccessLog& log);

    // The postings changed: the next request gets a fresh render.
    void changed() { ++m_generation; }
    std::uint64_t generation() const { return m_generation.load(); }

    // The copy to serve without a render: the current one, or during the back-off after a failed
    // render the last one; null when a render is needed.
    std::shared_ptr<const RenderedPages> ready();
    // The last copy rendered; null when none could be.
    std::shared_ptr<const RenderedPages> last();
    // Ends wait `wait` (Waits) with the first copy rendered at generation `needed` or later, or
    // with the last copy there is when that render fails.
    void renderFor(std::uint64_t wait, std::uint64_t needed);

private:
    void render(Worker& renderer);

    const ServeSettings& m_settings;
    ScoreStore& m_store;
    std::shared_ptr<Waits> m_waits;
    AccessLog& m_log;
    std::atomic<std::uint64_t> m_generation{1};

    std::mutex m_pagesMutex;
    std::shared_ptr<const RenderedPages> m_pages;
    StoreClock::time_point m_backoffUntil{};

    // Under m_renderer's lock: waits and the generation each needs.
    std::deque<std::pair<std::uint64_t, std::uint64_t>> m_waiters;
    Worker m_renderer;
};

} // namespace server
