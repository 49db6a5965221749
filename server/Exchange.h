#pragma once

#include "server/Request.h"
#include "server/Response.h"

#include <microhttpd.h>

#include <string>
#include <string_view>

namespace server {

// How long a client told the server is busy waits before it tries again.
inline constexpr const char* retryAfterSeconds = "5";

// A request being answered: its connection, its state, the parts of its head a route looks at,
// and the answers routes share. Every answer sets the status and size the log shows.
struct Exchange {
    Exchange(MHD_Connection* connection, Request& request, std::string_view method);

    MHD_Connection* connection;
    Request& request;
    std::string_view method;
    std::string_view path;  // the target without its query
    std::string_view query; // after the "?", escapes undecoded

    bool isGet() const;
    bool isHead() const;

    MHD_Result answer(int status, const ResponseRef& response);
    // `body` and a line break as plain text, with one more header when `header` is given.
    MHD_Result text(int status, const std::string& body, const char* header = nullptr,
                    const char* value = nullptr);
    // 503: the server stops and takes nothing more on.
    MHD_Result stopping();
    // 503: the store could not be read or written just now.
    MHD_Result unavailable();
    // 429 for `what` ("game records"), to be tried again in a minute.
    MHD_Result tooMany(const std::string& what);
    // 405 for a method other than GET and HEAD where only those are answered.
    MHD_Result onlyGetAndHead();
};

// The address of the connection's peer, as text; empty when the engine does not say.
std::string peerAddress(MHD_Connection* connection);

} // namespace server
