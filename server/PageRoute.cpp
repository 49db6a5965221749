#include "server/PageRoute.h"

#include "server/Router.h"

#include "common/SiteNames.h"

namespace server {

PageRoute::PageRoute(PageCache& pages, std::shared_ptr<Waits> waits)
    : m_pages(pages), m_waits(std::move(waits)), m_highScorePath(sitePath(site::highScorePath)) {}

MHD_Result PageRoute::handle(Exchange& x) {
    if (!x.isGet() && !x.isHead()) {
        return x.onlyGetAndHead();
    }
    Request& r = x.request;
    r.highScorePage = x.path == m_highScorePath;
    r.pages = m_pages.ready();
    if (r.pages) {
        return serve(x);
    }
    const std::uint64_t needed = m_pages.generation();
    const std::uint64_t wait = m_waits->begin(x.connection, r, *this);
    if (wait == 0) {
        return withoutRender(x);
    }
    m_pages.renderFor(wait, needed);
    return MHD_YES;
}

MHD_Result PageRoute::resume(Exchange& x) {
    return x.request.givenUp ? withoutRender(x) : serve(x);
}

MHD_Result PageRoute::withoutRender(Exchange& x) {
    x.request.pages = m_pages.last();
    return x.request.pages ? serve(x) : x.stopping();
}

MHD_Result PageRoute::serve(Exchange& x) {
    const Request& r = x.request;
    if (!r.pages) {
        return x.unavailable();
    }
    return x.answer(200, r.highScorePage ? r.pages->highScores : r.pages->multiplayer);
}

} // namespace server
