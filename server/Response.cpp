#include "server/Response.h"

#include <new>
#include <utility>

namespace server {

ResponseRef::~ResponseRef() {
    if (m_response != nullptr) {
        MHD_destroy_response(m_response);
    }
}

ResponseRef::ResponseRef(ResponseRef&& other) noexcept
    : m_response(std::exchange(other.m_response, nullptr)), m_bytes(other.m_bytes) {}

ResponseRef& ResponseRef::operator=(ResponseRef&& other) noexcept {
    std::swap(m_response, other.m_response);
    std::swap(m_bytes, other.m_bytes);
    return *this;
}

ResponseRef makeResponse(const std::string& body, const char* type, bool noCache) {
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
    if (r == nullptr) {
        throw std::bad_alloc();
    }
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (noCache) {
        MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
    }
    return ResponseRef(r, body.size());
}

} // namespace server
