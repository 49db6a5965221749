#include "server/Dispatcher.h"

#include "server/ClientAddress.h"
#include "server/RecordRoute.h"

#include "common/HttpText.h"

#include "engine/GameRecord.h"

#include <cstdint>
#include <optional>

namespace server {

Dispatcher::Dispatcher(const ServeSettings& settings, ConnectionGuard& guard, const Router& router,
                       AccessLog& log)
    : m_settings(settings), m_guard(guard), m_router(router), m_log(log) {}

std::size_t Dispatcher::bodyLimit(const Request& r) {
    return r.replayPost ? maxRecordBytes : maxOtherBody;
}

MHD_Result Dispatcher::onRequest(void* cls, MHD_Connection* connection, const char*,
                                 const char* method, const char* version, const char* upload,
                                 std::size_t* uploadSize, void** state) {
    auto* dispatcher = static_cast<Dispatcher*>(cls);
    auto* r = static_cast<Request*>(*state);
    if (r == nullptr) {
        return MHD_NO;
    }
    // The first call comes with the headers; answering only on the second (the body, if any,
    // is read and dropped) lets the connection stay open for the next request.
    if (!r->headersSeen) {
        return dispatcher->head(connection, *r, method, version);
    }
    if (*uploadSize != 0) {
        const std::size_t bytes = *uploadSize;
        *uploadSize = 0;
        return dispatcher->body(connection, *r, upload, bytes);
    }
    dispatcher->m_guard.requestReceived(connection);
    return dispatcher->handle(connection, *r, method, version);
}

MHD_Result Dispatcher::head(MHD_Connection* connection, Request& r, const char* method,
                            const char* httpVersion) {
    r.headersSeen = true;
    r.headAt = StoreClock::now();
    const std::string_view target(r.target);
    r.replayPost = RecordRoute::takesRecord(method, target.substr(0, target.find('?')));
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    const auto limit = static_cast<std::int64_t>(bodyLimit(r));
    const std::optional<std::int64_t> announced =
        length != nullptr ? httptext::decimal(length, limit) : std::nullopt;
    if (length != nullptr && !announced) {
        // A body announced longer than its limit (or no number at all): refused before it is
        // read.
        identify(connection, r, method, httpVersion);
        Exchange x(connection, r, method);
        return tooLarge(x);
    }
    m_guard.headReceived(connection, static_cast<std::size_t>(announced.value_or(0)));
    return MHD_YES;
}

MHD_Result Dispatcher::body(MHD_Connection* connection, Request& r, const char* upload,
                            std::size_t bytes) {
    r.bodyBytes += bytes;
    if (!m_guard.bodyReceived(connection, r, bytes)) {
        return MHD_NO;
    }
    // A chunked body gives its length only as it comes: one that grows past its limit is read
    // to its end and dropped, then refused.
    if (!r.tooLarge && r.bodyBytes > bodyLimit(r)) {
        r.tooLarge = true;
        std::string().swap(r.record);
    }
    if (r.replayPost && !r.tooLarge) {
        r.record.append(upload, bytes);
    }
    return MHD_YES;
}

MHD_Result Dispatcher::handle(MHD_Connection* connection, Request& r, const char* method,
                              const char* httpVersion) {
    Exchange x(connection, r, method);
    if (r.waitingOn != nullptr) {
        return r.waitingOn->resume(x);
    }
    m_guard.requestBegun(r);
    identify(connection, r, method, httpVersion);
    if (r.tooLarge) {
        return tooLarge(x);
    }
    if (r.target.size() > ScoreServer::maxTarget) {
        return x.text(414, "The request target is too long.");
    }
    return m_router.route(x);
}

MHD_Result Dispatcher::tooLarge(Exchange& x) {
    return x.text(
        413, x.request.replayPost
                 ? "A game record is at most " + std::to_string(maxRecordBytes) + " bytes."
                 : "A request body here is at most " + std::to_string(maxOtherBody) + " bytes.");
}

void Dispatcher::identify(MHD_Connection* connection, Request& r, const char* method,
                          const char* httpVersion) {
    r.requestLine = std::string(method) + " " + r.target + " " + httpVersion;
    r.address = clientAddress(connection);
    r.clientKey = limitKey(r.address, m_settings.ipv6Prefix);
}

std::string Dispatcher::clientAddress(MHD_Connection* connection) {
    const std::string peer = peerAddress(connection);
    if (!m_guard.trusted(peer)) {
        return peer;
    }
    const char* forwarded = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Real-IP");
    if (forwarded == nullptr) {
        return peer;
    }
    const std::optional<std::string> address = parseAddress(forwarded);
    return address ? *address : peer;
}

void* Dispatcher::onTarget(void*, const char* uri, MHD_Connection* connection) {
    ConnectionGuard::requestSeen(connection);
    auto* r = new Request();
    r->target = uri != nullptr ? uri : "";
    return r;
}

void Dispatcher::onCompleted(void* cls, MHD_Connection* connection, void** state,
                             MHD_RequestTerminationCode) {
    static_cast<Dispatcher*>(cls)->completed(connection, static_cast<Request*>(*state));
    *state = nullptr;
}

void Dispatcher::completed(MHD_Connection* connection, Request* r) {
    if (r == nullptr) {
        m_guard.requestDone(connection);
        return;
    }
    if (r->status == 0) {
        // Refused by the engine itself (a head too large for its memory: 431).
        const MHD_ConnectionInfo* status =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
        if (status != nullptr) {
            r->status = static_cast<int>(status->http_status);
        }
    }
    if (r->address.empty()) {
        r->address = peerAddress(connection);
    }
    m_log.request(r->address, r->requestLine, r->status, r->bytes);
    m_guard.requestDone(connection);
    m_guard.requestEnded(*r);
    delete r;
}

} // namespace server
