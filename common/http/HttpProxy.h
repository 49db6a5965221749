#pragma once

// How the game's HTTP clients (the text fetch and the installer download alike) reach a server:
// directly, or through the proxy the environment names, as curl reads it. Plain http goes to
// the proxy with the whole address on the request line; https goes through a CONNECT tunnel,
// so the proxy sees neither the request nor the reply. No Qt.

#include "common/http/HttpExchange.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace httpproxy {

// Reads one environment variable; empty when unset.
using EnvLookup = std::function<std::string(const char* name)>;
EnvLookup systemEnvironment();

// The proxy the environment names for this host: for plain http "http_proxy", for https
// "https_proxy" (or "HTTPS_PROXY"), then "all_proxy" or "ALL_PROXY"; empty for a direct
// connection ("no_proxy"/"NO_PROXY" lists hosts and domain suffixes to reach directly, "*" all
// of them).
std::string proxyFor(const std::string& host, bool tls, const EnvLookup& env);

// The way to one server.
struct Way {
    httpexchange::Route route;
    // Plain http through a proxy: the request line carries the whole address, and this
    // "Proxy-Authorization" line (with its line end) goes into the request, when not empty.
    bool wholeAddress = false;
    std::string proxyAuthorization;
};

// The way to host:port (the host as a URL writes it), with TLS when `tls`. Nothing when the
// environment names a proxy this client cannot use (not a plain http proxy, a bad address):
// going round the proxy the user named is not the game's to decide.
std::optional<Way> wayTo(const std::string& host, int port, bool tls, const EnvLookup& env);

} // namespace httpproxy
