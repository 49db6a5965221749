#include "server/PageCache.h"

#include "server/Pages.h"

#include <chrono>

namespace server {

namespace {

// After a failed render the last copy is served for this long before the store is tried again.
constexpr auto renderBackoff = std::chrono::seconds(2);

} // namespace

PageCache::PageCache(const ServeSettings& settings, ScoreStore& store, std::shared_ptr<Waits> waits,
                     AccessLog& log)
    : m_settings(settings), m_store(store), m_waits(std::move(waits)), m_log(log),
      m_renderer([this](Worker& renderer) { render(renderer); }) {}

std::shared_ptr<const RenderedPages> PageCache::ready() {
    const std::lock_guard lock(m_pagesMutex);
    if (m_pages &&
        (m_pages->generation == m_generation.load() || StoreClock::now() < m_backoffUntil)) {
        return m_pages;
    }
    return nullptr;
}

std::shared_ptr<const RenderedPages> PageCache::last() {
    const std::lock_guard lock(m_pagesMutex);
    return m_pages;
}

void PageCache::renderFor(std::uint64_t wait, std::uint64_t needed) {
    {
        const Worker::Lock lock = m_renderer.lock();
        m_waiters.emplace_back(wait, needed);
    }
    m_renderer.notifyOne();
}

void PageCache::render(Worker& renderer) {
    Worker::Lock lock = renderer.lock();
    // At a stop the waits still queued were given up: nothing is rendered for them.
    while (renderer.wait(lock, [this] { return !m_waiters.empty(); }) && !renderer.stopping()) {
        lock.unlock();
        const std::uint64_t rendering = m_generation.load();
        std::shared_ptr<const RenderedPages> fresh;
        try {
            const Standings standings =
                m_store.standings(pages::listLength, m_settings.verifiedOnly);
            auto made = std::make_shared<RenderedPages>();
            made->generation = rendering;
            made->highScores =
                makeResponse(pages::highScores(standings, m_settings.verifiedOnly), htmlType, true);
            made->multiplayer = makeResponse(pages::multiplayer(standings), htmlType, true);
            fresh = std::move(made);
        } catch (const StoreUnavailable& e) {
            m_log.problem("page not rendered", e.what());
        }
        std::shared_ptr<const RenderedPages> serve;
        {
            const std::lock_guard pagesLock(m_pagesMutex);
            if (fresh) {
                m_pages = fresh;
            } else {
                m_backoffUntil = StoreClock::now() + renderBackoff;
            }
            serve = m_pages;
        }
        lock.lock();
        // Those that asked before this render began are answered; later ones wait for the
        // next. After a failure everyone gets the last copy there is.
        for (auto it = m_waiters.begin(); it != m_waiters.end();) {
            if (!fresh || it->second <= rendering) {
                m_waits->finish(it->first, [&](Request& waiting) { waiting.pages = serve; });
                it = m_waiters.erase(it);
            } else {
                ++it;
            }
        }
    }
}

} // namespace server
