#pragma once

#include "server/PageCache.h"
#include "server/Route.h"
#include "server/Waits.h"

#include <memory>
#include <string>

namespace server {

// The high-score page and the multiplayer page: served from the page cache, waiting for a render
// when the postings changed since the last one.
class PageRoute : public Route {
public:
    PageRoute(PageCache& pages, std::shared_ptr<Waits> waits);

    MHD_Result handle(Exchange& x) override;
    MHD_Result resume(Exchange& x) override;

private:
    // The copy the request holds; 503 when none could be rendered.
    MHD_Result serve(Exchange& x);
    // Once the server stops, a page comes from the last copy there is and nothing waits.
    MHD_Result withoutRender(Exchange& x);

    PageCache& m_pages;
    std::shared_ptr<Waits> m_waits;
    const std::string m_highScorePath;
};

} // namespace server
