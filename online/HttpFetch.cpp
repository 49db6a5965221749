#include "online/HttpFetch.h"

#include "online/ReplyReader.h"

#include "common/HttpAddress.h"
#include "common/HttpExchange.h"
#include "common/HttpText.h"

#include <cstdlib>

namespace httpfetch {

namespace {

using httptext::lowered;
using httptext::trimmed;

bool bypassesProxy(const std::string& host, std::string_view list) {
    const std::string name = lowered(host);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view entry = trimmed(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (entry == "*")
            return true;
        if (!entry.empty() && entry.front() == '.')
            entry.remove_prefix(1);
        if (entry.empty())
            continue;
        const std::string domain = lowered(entry);
        if (name == domain)
            return true;
        if (name.size() > domain.size() && name.ends_with(domain) &&
            name[name.size() - domain.size() - 1] == '.')
            return true;
    }
    return false;
}

// The port of a proxy named without one, as curl and most clients take it.
constexpr int defaultProxyPort = 1080;

// A proxy named by the environment: "[http://][user[:password]@]host[:port][/]".
struct Proxy {
    httpexchange::Endpoint endpoint;
    std::string credentials; // "user:password" for a Proxy-Authorization, or empty
};

// The proxy, or nothing when it is not a plain http proxy this fetch can go through.
std::optional<Proxy> proxyFrom(std::string_view text) {
    if (const std::size_t scheme = text.find("://"); scheme != std::string_view::npos) {
        if (lowered(text.substr(0, scheme)) != "http")
            return std::nullopt;
        text.remove_prefix(scheme + 3);
    }
    text = text.substr(0, text.find('/'));
    Proxy proxy;
    proxy.endpoint.port = defaultProxyPort;
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = text.substr(0, at);
        const std::size_t colon = user.find(':');
        const auto name = httptext::percentDecode(user.substr(0, colon));
        const auto password = colon == std::string_view::npos
                                  ? std::optional<std::string>("")
                                  : httptext::percentDecode(user.substr(colon + 1));
        if (!name || !password)
            return std::nullopt;
        proxy.credentials = *name + ":" + *password;
        text.remove_prefix(at + 1);
    }
    const std::size_t bracket = text.rfind(']');
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const auto port = httptext::decimal(text.substr(colon + 1), 65535);
        if (!port || *port == 0)
            return std::nullopt;
        proxy.endpoint.port = static_cast<int>(*port);
        text = text.substr(0, colon);
    }
    proxy.endpoint.host = std::string(text);
    if (!httpaddress::validHost(proxy.endpoint.host))
        return std::nullopt;
    return proxy;
}

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
    if (lowered(rest).find("http://") != std::string::npos)
        rest.erase(0, std::min<std::size_t>(7, rest.size()));
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    UrlParts parts;
    parts.host = rest.substr(0, slash);
    parts.object = rest.substr(slash);
    const std::size_t colon = parts.host.rfind(':');
    const std::size_t bracket = parts.host.rfind(']');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
        const auto port = httptext::decimal(std::string_view(parts.host).substr(colon + 1), 65535);
        if (!port || *port == 0)
            return std::nullopt;
        parts.port = static_cast<int>(*port);
        parts.host.erase(colon);
    }
    if (parts.host.empty())
        return std::nullopt;
    return parts;
}

std::string requestTarget(std::string_view object) {
    return httptext::percentEncode(object, " ");
}

EnvLookup systemEnvironment() {
    return [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
}

std::string proxyFor(const std::string& host, const EnvLookup& env) {
    std::string bypass = env("no_proxy");
    if (bypass.empty())
        bypass = env("NO_PROXY");
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    if (bypassesProxy(bare, bypass))
        return {};
    // Only the lower-case name for plain HTTP: a web server's CGI sets HTTP_PROXY from a
    // request header, so the upper-case one cannot be trusted.
    for (const char* name : {"http_proxy", "all_proxy", "ALL_PROXY"}) {
        std::string proxy = env(name);
        if (!proxy.empty())
            return proxy;
    }
    return {};
}

FetchOutcome fetch(const FetchInput& input, FetchControl& control, const EnvLookup& env) {
    const std::optional<UrlParts> parts = splitUrl(input.url);
    if (!parts || control.stopAsked())
        return {};
    // Nothing the caller gives may end a line of the request early (the credentials go
    // Base64-encoded).
    if (!httpaddress::validHost(parts->host))
        return {};
    for (const std::string* value :
         {&input.acceptTypes, &input.agent, &input.referer, &input.postType})
        if (!httptext::fitsHeader(*value))
            return {};

    std::string origin = std::string("http://").append(parts->host);
    if (parts->port != defaultPort)
        origin.append(httpaddress::withPort(parts->port));
    httpexchange::Endpoint endpoint{parts->host, parts->port};
    std::string proxyCredentials;
    const std::string proxyText = proxyFor(parts->host, env);
    if (!proxyText.empty()) {
        const std::optional<Proxy> proxy = proxyFrom(proxyText);
        if (!proxy)
            return {}; // going round the proxy the user named is not ours to decide
        endpoint = proxy->endpoint;
        proxyCredentials = proxy->credentials;
    }
    // Through a proxy the request line carries the whole address.
    const std::string target =
        proxyText.empty() ? requestTarget(parts->object) : origin + requestTarget(parts->object);

    const bool post = !input.postQuery.empty();
    std::string request = (post ? "POST " : "GET ") + target + " HTTP/1.0\r\n";
    request += "Host: " + origin.substr(7) + "\r\n";
    if (!proxyCredentials.empty())
        request += "Proxy-Authorization: Basic " + httptext::base64(proxyCredentials) + "\r\n";
    if (!input.userName.empty() || !input.password.empty())
        request += "Authorization: Basic " +
                   httptext::base64(input.userName + ":" + input.password) + "\r\n";
    if (!input.agent.empty())
        request += "User-Agent: " + input.agent + "\r\n";
    if (!input.referer.empty())
        request += "Referer: " + input.referer + "\r\n";
    if (!input.acceptTypes.empty())
        request += "Accept: " + input.acceptTypes + "\r\n";
    if (!input.useCache)
        request += "Pragma: no-cache\r\nCache-Control: no-cache\r\n";
    if (post) {
        request += "Content-Type: " + input.postType + "\r\n";
        request += "Content-Length: " + std::to_string(input.postQuery.size()) + "\r\n";
    }
    request += "\r\n";
    request += input.postQuery;

    Transfer transfer(input.binaryData, control);
    // A transfer error after the first byte ends the read; what arrived is kept.
    httpexchange::exchange(endpoint, request, transfer);
    return transfer.reader.finish(transfer.refused);
}

} // namespace httpfetch
