#include "server/Router.h"

#include <cassert>

namespace server {

std::string sitePath(std::string_view first, std::string_view second) {
    return "/" + std::string(first) + std::string(second);
}

Router::Router(std::vector<std::pair<std::string, Route*>> table, Route& fallback)
    : m_table(std::move(table)), m_fallback(fallback) {
    for ([[maybe_unused]] const auto& [path, route] : m_table) {
        assert(route != nullptr && path.front() == '/');
    }
}

MHD_Result Router::route(Exchange& x) const {
    for (const auto& [path, route] : m_table) {
        if (x.path == path) {
            return route->handle(x);
        }
    }
    return m_fallback.handle(x);
}

} // namespace server
