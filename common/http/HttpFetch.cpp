#include "common/http/HttpFetch.h"

#include "common/http/ReplyReader.h"

#include "common/HttpText.h"
#include "common/http/HttpAddress.h"
#include "common/http/HttpExchange.h"
#include "common/http/HttpIdn.h"

namespace httpfetch {

namespace {

using httptext::lowered;
using httptext::trimmed;

// One exchange's reply, handed to its reader.
struct Transfer : httpexchange::ReplyHandler {
    Transfer(bool binaryData, FetchControl& control)
        : reader(binaryData, control), control(control) {}

    bool headLine(std::string_view line) override { return keep(reader.headerLine(line)); }
    bool bodyBytes(std::string_view bytes) override { return keep(reader.bodyBytes(bytes)); }
    bool carryOn(std::int64_t) override { return keep(!control.stopAsked()); }

    bool keep(bool answer) {
        refused = refused || !answer;
        return !refused;
    }

    ReplyReader reader;
    FetchControl& control;
    bool refused = false; // stopped, or a rule refused the reply: the fetch fails
};

} // namespace

std::optional<UrlParts> splitUrl(std::string_view url) {
    std::string rest(url);
    UrlParts parts;
    if (lowered(rest).starts_with("https://")) {
        rest.erase(0, 8);
        parts.tls = true;
        parts.port = httpexchange::defaultTlsPort;
    } else if (lowered(rest).find("http://") != std::string::npos) {
        rest.erase(0, std::min<std::size_t>(7, rest.size()));
    }
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    parts.host = rest.substr(0, slash);
    parts.object = rest.substr(slash);
    const std::size_t colon = parts.host.rfind(':');
    const std::size_t bracket = parts.host.rfind(']');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
        const auto port = httptext::decimal(std::string_view(parts.host).substr(colon + 1), 65535);
        if (!port || *port == 0) {
            return std::nullopt;
        }
        parts.port = static_cast<int>(*port);
        parts.host.erase(colon);
    }
    if (parts.host.empty()) {
        return std::nullopt;
    }
    return parts;
}

std::string requestTarget(std::string_view object) {
    return httptext::percentEncode(object, " ");
}

std::string proxyFor(const std::string& host, const EnvLookup& env) {
    return httpproxy::proxyFor(host, false, env);
}

FetchOutcome fetch(const FetchInput& input, FetchControl& control, const EnvLookup& env) {
    const std::optional<UrlParts> parts = splitUrl(input.url);
    if (!parts || control.stopAsked()) {
        return {};
    }
    // Nothing the caller gives may end a line of the request early (the credentials go
    // Base64-encoded).
    const std::optional<std::string> host = httpidn::asciiHost(parts->host);
    if (!host || !httpaddress::validHost(*host)) {
        return {};
    }
    for (const std::string* value :
         {&input.acceptTypes, &input.agent, &input.referer, &input.postType}) {
        if (!httptext::fitsHeader(*value)) {
            return {};
        }
    }

    const int usualPort = parts->tls ? httpexchange::defaultTlsPort : defaultPort;
    std::string authority = *host;
    if (parts->port != usualPort) {
        authority.append(httpaddress::withPort(parts->port));
    }
    const std::optional<httpproxy::Way> way = httpproxy::wayTo(*host, parts->port, parts->tls, env);
    if (!way) {
        return {};
    }
    // Through a proxy a plain request line carries the whole address; over TLS the request is
    // the same bytes as over http.
    const std::string target = way->wholeAddress
                                   ? "http://" + authority + requestTarget(parts->object)
                                   : requestTarget(parts->object);

    const bool post = !input.postQuery.empty();
    std::string request = (post ? "POST " : "GET ") + target + " HTTP/1.0\r\n";
    request += "Host: " + authority + "\r\n";
    request += way->proxyAuthorization;
    if (!input.userName.empty() || !input.password.empty()) {
        request += "Authorization: Basic " +
                   httptext::base64(input.userName + ":" + input.password) + "\r\n";
    }
    if (!input.agent.empty()) {
        request += "User-Agent: " + input.agent + "\r\n";
    }
    if (!input.referer.empty()) {
        request += "Referer: " + input.referer + "\r\n";
    }
    if (!input.acceptTypes.empty()) {
        request += "Accept: " + input.acceptTypes + "\r\n";
    }
    if (!input.useCache) {
        request += "Pragma: no-cache\r\nCache-Control: no-cache\r\n";
    }
    if (post) {
        request += "Content-Type: " + input.postType + "\r\n";
        request += "Content-Length: " + std::to_string(input.postQuery.size()) + "\r\n";
    }
    request += "\r\n";
    request += input.postQuery;

    Transfer transfer(input.binaryData, control);
    const httpexchange::Result result =
        httpexchange::exchangeVia(way->route, request, transfer, nullptr, input.deadlines);
    // A reply that broke off is not the reply: the bytes that came are dropped with it.
    return transfer.reader.finish(transfer.refused ||
                                  result.ending != httpexchange::Ending::Complete);
}

} // namespace httpfetch
