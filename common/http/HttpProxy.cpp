#include "common/http/HttpProxy.h"

#include "common/HttpText.h"
#include "common/http/HttpAddress.h"

#include <cstdlib>
#include <span>

namespace httpproxy {

namespace {

using httptext::lowered;
using httptext::trimmed;

bool bypassesProxy(const std::string& host, std::string_view list) {
    const std::string name = lowered(host);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view entry = trimmed(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (entry == "*") {
            return true;
        }
        if (!entry.empty() && entry.front() == '.') {
            entry.remove_prefix(1);
        }
        if (entry.empty()) {
            continue;
        }
        const std::string domain = lowered(entry);
        if (name == domain) {
            return true;
        }
        if (name.size() > domain.size() && name.ends_with(domain) &&
            name[name.size() - domain.size() - 1] == '.') {
            return true;
        }
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

// The proxy, or nothing when it is not a plain http proxy a client can go through.
std::optional<Proxy> proxyFrom(std::string_view text) {
    if (const std::size_t scheme = text.find("://"); scheme != std::string_view::npos) {
        if (lowered(text.substr(0, scheme)) != "http") {
            return std::nullopt;
        }
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
        if (!name || !password) {
            return std::nullopt;
        }
        proxy.credentials = *name + ":" + *password;
        text.remove_prefix(at + 1);
    }
    const std::size_t bracket = text.rfind(']');
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const auto port = httptext::decimal(text.substr(colon + 1), 65535);
        if (!port || *port == 0) {
            return std::nullopt;
        }
        proxy.endpoint.port = static_cast<int>(*port);
        text = text.substr(0, colon);
    }
    proxy.endpoint.host = std::string(text);
    if (!httpaddress::validHost(proxy.endpoint.host)) {
        return std::nullopt;
    }
    return proxy;
}

} // namespace

EnvLookup systemEnvironment() {
    return [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
}

std::string proxyFor(const std::string& host, bool tls, const EnvLookup& env) {
    std::string bypass = env("no_proxy");
    if (bypass.empty()) {
        bypass = env("NO_PROXY");
    }
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') {
        bare = bare.substr(1, bare.size() - 2);
    }
    if (bypassesProxy(bare, bypass)) {
        return {};
    }
    // Only the lower-case name for plain http: a web server's CGI sets HTTP_PROXY from a request
    // header, so the upper-case one cannot be trusted. HTTPS_PROXY has no such clash.
    static constexpr const char* forTls[] = {"https_proxy", "HTTPS_PROXY", "all_proxy",
                                             "ALL_PROXY"};
    static constexpr const char* forPlain[] = {"http_proxy", "all_proxy", "ALL_PROXY"};
    for (const char* name :
         tls ? std::span<const char* const>(forTls) : std::span<const char* const>(forPlain)) {
        std::string proxy = env(name);
        if (!proxy.empty()) {
            return proxy;
        }
    }
    return {};
}

std::optional<Way> wayTo(const std::string& host, int port, bool tls, const EnvLookup& env) {
    Way way;
    way.route.endpoint = {host, port};
    if (tls) {
        way.route.tlsHost = host;
    }
    const std::string named = proxyFor(host, tls, env);
    if (named.empty()) {
        return way;
    }
    const std::optional<Proxy> proxy = proxyFrom(named);
    if (!proxy) {
        return std::nullopt;
    }
    way.route.endpoint = proxy->endpoint;
    if (tls) {
        way.route.tunnel = host + ":" + std::to_string(port);
        way.route.tunnelCredentials = proxy->credentials;
    } else {
        way.wholeAddress = true;
        if (!proxy->credentials.empty()) {
            way.proxyAuthorization =
                "Proxy-Authorization: Basic " + httptext::base64(proxy->credentials) + "\r\n";
        }
    }
    return way;
}

} // namespace httpproxy
