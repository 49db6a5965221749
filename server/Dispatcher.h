#pragma once

#include "server/ConnectionGuard.h"
#include "server/Exchange.h"
#include "server/Request.h"
#include "server/Router.h"
#include "server/ScoreServer.h"

#include <microhttpd.h>

#include <cstddef>
#include <string>

namespace server {

// Takes each request from the engine to its route: keeps its state from its target to its last
// byte, reads its head and body within their bounds, refuses what is too large or too long,
// hands a request whose wait ended back to its route, and logs it when it is done.
class Dispatcher {
public:
    // The longest body taken with a request other than a game record.
    static constexpr std::size_t maxOtherBody = 8192;

    Dispatcher(const ServeSettings& settings, ConnectionGuard& guard, const Router& router,
               AccessLog& log);

    // The engine's callbacks, `cls` being the dispatcher (onTarget takes none).
    static MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url,
                                const char* method, const char* version, const char* upload,
                                std::size_t* uploadSize, void** state);
    static void* onTarget(void* cls, const char* uri, MHD_Connection* connection);
    static void onCompleted(void* cls, MHD_Connection* connection, void** state,
                            MHD_RequestTerminationCode code);

private:
    MHD_Result head(MHD_Connection* connection, Request& r, const char* method,
                    const char* httpVersion);
    MHD_Result body(MHD_Connection* connection, Request& r, const char* upload, std::size_t bytes);
    MHD_Result handle(MHD_Connection* connection, Request& r, const char* method,
                      const char* httpVersion);
    void completed(MHD_Connection* connection, Request* r);
    // What the log and the limits need of a request, once its head is known.
    void identify(MHD_Connection* connection, Request& r, const char* method,
                  const char* httpVersion);
    // The player's address: the peer's, or the one a trusted proxy passes on.
    std::string clientAddress(MHD_Connection* connection);
    static std::size_t bodyLimit(const Request& r);
    static MHD_Result tooLarge(Exchange& x);

    const ServeSettings& m_settings;
    ConnectionGuard& m_guard;
    const Router& m_router;
    AccessLog& m_log;
};

} // namespace server
