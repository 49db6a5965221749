#pragma once

#include "server/Exchange.h"
#include "server/Route.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace server {

// A request path ("/…") for `first` + `second` under the site root.
std::string sitePath(std::string_view first, std::string_view second = {});

// The table from a request's path to the route that answers it; a path not listed goes to the
// fallback route.
class Router {
public:
    Router(std::vector<std::pair<std::string, Route*>> table, Route& fallback);

    MHD_Result route(Exchange& x) const;

private:
    std::vector<std::pair<std::string, Route*>> m_table;
    Route& m_fallback;
};

} // namespace server
