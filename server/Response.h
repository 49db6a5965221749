#pragma once

#include <microhttpd.h>

#include <cstddef>
#include <string>

namespace server {

inline constexpr const char* htmlType = "text/html; charset=utf-8";
inline constexpr const char* textType = "text/plain; charset=utf-8";

// A response the engine owns, with the size of its body; our reference is dropped when this goes.
class ResponseRef {
public:
    ResponseRef() = default;
    ResponseRef(MHD_Response* response, std::size_t bytes) : m_response(response), m_bytes(bytes) {}
    ~ResponseRef();
    ResponseRef(ResponseRef&& other) noexcept;
    ResponseRef& operator=(ResponseRef&& other) noexcept;
    ResponseRef(const ResponseRef&) = delete;
    ResponseRef& operator=(const ResponseRef&) = delete;

    MHD_Response* get() const { return m_response; }
    std::size_t bytes() const { return m_bytes; }

private:
    MHD_Response* m_response = nullptr;
    std::size_t m_bytes = 0;
};

// A copy of `body` as a response of content type `type`, with "Cache-Control: no-cache" when
// `noCache`. Throws std::bad_alloc when the engine has no memory for it.
ResponseRef makeResponse(const std::string& body, const char* type, bool noCache = false);

} // namespace server
