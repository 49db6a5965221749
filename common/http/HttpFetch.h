#pragma once

// One HTTP/1.0 text fetch without Qt: how a URL is split into host, port and object, how the
// object goes onto the request line, which proxy the environment asks for, and the transfer
// itself (common/http/HttpExchange, over TLS for an https URL), run on whatever thread calls
// fetch().

#include "common/http/FetchControl.h"
#include "common/http/FetchOutcome.h"
#include "common/http/HttpExchange.h"
#include "common/http/HttpProxy.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace httpfetch {

inline constexpr int defaultPort = httpexchange::defaultPort;

struct UrlParts {
    std::string host;
    int port = defaultPort;
    std::string object; // from the first "/" after the host to the end, query included
    bool tls = false;   // an https URL
};

// An URL that begins with "https://" (letter case ignored) loses those eight characters and is
// fetched over TLS, on port 443 unless it names one. Otherwise the first seven characters are
// dropped when "http://" occurs anywhere in the URL (letter case ignored). Then the host is taken
// before the first "/" and the object from it. An explicit ":port" after the host is honoured.
// Empty when there is no "/" after the host, the host is empty, or the port is not a number from
// 1 to 65535.
std::optional<UrlParts> splitUrl(std::string_view url);

// The object as it goes onto the request line: written as given, except the bytes a request
// line cannot hold at all (space, control bytes, bytes above 127), which are percent-encoded.
std::string requestTarget(std::string_view object);

using httpproxy::EnvLookup;
using httpproxy::systemEnvironment;

// The proxy the environment names for plain HTTP to this host (see common/http/HttpProxy.h).
std::string proxyFor(const std::string& host, const EnvLookup& env);

// What a POST's body is unless told otherwise: a form.
inline constexpr std::string_view formPostType = "application/x-www-form-urlencoded";

// What a fetch sends; copies of the component's properties taken when it starts.
struct FetchInput {
    std::string acceptTypes;
    std::string agent;
    std::string url;
    std::string userName;
    std::string password;
    std::string postQuery; // not empty: the request is a POST carrying it as a form body
    std::string referer;
    bool binaryData = false; // a reply without Content-Length fails, nothing of it is read
    bool useCache = false;   // false: every intermediate cache is told not to answer
    // The Content-Type of a POST's body.
    std::string postType = std::string(formPostType);
    // How long the connection and the reply may keep the fetch waiting.
    httpexchange::Deadlines deadlines;
};

// Runs the whole fetch on the calling thread. No redirects followed, nothing retried; success
// exactly when the whole reply arrived with at least one body byte and no stop was asked,
// whatever the status code. A reply cut short of its Content-Length or its last chunk, a
// deadline passed, or a TLS failure (a certificate that does not verify for the host included)
// fails it. A proxy that is not a plain http one, a host that is not a name or an IP address
// (an international name is first written in ASCII), or a header value with a line end or NUL
// fails the fetch before anything is sent.
FetchOutcome fetch(const FetchInput& input, FetchControl& control,
                   const EnvLookup& env = systemEnvironment());

} // namespace httpfetch
