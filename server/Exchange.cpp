#include "server/Exchange.h"

#include "server/ClientAddress.h"

namespace server {

Exchange::Exchange(MHD_Connection* c, Request& r, std::string_view m)
    : connection(c), request(r), method(m) {
    const std::string_view target(r.target);
    path = target.substr(0, target.find('?'));
    query = path.size() == target.size() ? std::string_view{} : target.substr(path.size() + 1);
}

bool Exchange::isGet() const {
    return method == MHD_HTTP_METHOD_GET;
}

bool Exchange::isHead() const {
    return method == MHD_HTTP_METHOD_HEAD;
}

MHD_Result Exchange::answer(int status, const ResponseRef& response) {
    request.status = status;
    request.bytes = response.bytes();
    return MHD_queue_response(connection, static_cast<unsigned>(status), response.get());
}

MHD_Result Exchange::text(int status, const std::string& body, const char* header,
                          const char* value) {
    const ResponseRef response = makeResponse(body + "\n", textType);
    if (header != nullptr) {
        MHD_add_response_header(response.get(), header, value);
    }
    return answer(status, response);
}

MHD_Result Exchange::stopping() {
    return text(503, "The server is stopping; please try again.", MHD_HTTP_HEADER_RETRY_AFTER,
                retryAfterSeconds);
}

MHD_Result Exchange::unavailable() {
    return text(503, "The score list is not available just now; please try again.",
                MHD_HTTP_HEADER_RETRY_AFTER, retryAfterSeconds);
}

MHD_Result Exchange::tooMany(const std::string& what) {
    const std::string window = std::to_string(rateWindowSeconds);
    return text(429, "Too many " + what + " from your address; try again in a minute.",
                MHD_HTTP_HEADER_RETRY_AFTER, window.c_str());
}

MHD_Result Exchange::onlyGetAndHead() {
    return text(405, "Only GET and HEAD are answered here.", MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
}

std::string peerAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    return info != nullptr ? addressText(info->client_addr) : std::string();
}

} // namespace server
