#include "online/HttpFetch.h"

#include "online/ReplyReader.h"

#include "common/CurlHandles.h"
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

// The libcurl callbacks of one transfer, handing the reply to its reader.
struct Transfer {
    ReplyReader reader;
    FetchControl& control;
    bool refused = false; // stopped, or a rule refused the reply: the fetch fails

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<Transfer*>(user);
        if (self.refused || !self.reader.headerLine(std::string_view(data, size * count))) {
            self.refused = true;
            return 0;
        }
        return size * count;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<Transfer*>(user);
        if (self.refused || !self.reader.bodyBytes(std::string_view(data, size * count))) {
            self.refused = true;
            return 0;
        }
        return size * count;
    }

    static int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto& self = *static_cast<Transfer*>(user);
        if (self.control.stopAsked())
            self.refused = true;
        return self.refused ? 1 : 0;
    }
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

    const curlhandles::Easy handle = curlhandles::newEasy();
    if (!handle)
        return {};
    CURL* h = handle.get();

    std::string origin = "http://" + parts->host;
    if (parts->port != defaultPort)
        origin += ":" + std::to_string(parts->port);
    const std::string url = origin + "/";
    const std::string proxy = proxyFor(parts->host, env);
    // libcurl would rewrite the object ("#" parts, dot segments); the request target makes it
    // go out exactly. Through a proxy the request line carries the whole address.
    const std::string target =
        proxy.empty() ? requestTarget(parts->object) : origin + requestTarget(parts->object);

    // A line that finds no memory is left out; the request goes without it.
    curlhandles::HeaderList headers;
    headers.append(input.acceptTypes.empty() ? "Accept:" : "Accept: " + input.acceptTypes);
    if (!input.useCache) {
        headers.append("Pragma: no-cache");
        headers.append("Cache-Control: no-cache");
    }
    const bool post = !input.postQuery.empty();
    if (post)
        headers.append("Content-Type: " + input.postType);

    Transfer transfer{ReplyReader(input.binaryData, control), control};

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_REQUEST_TARGET, target.c_str());
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    if (!input.agent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, input.agent.c_str());
    if (!input.referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, input.referer.c_str());
    if (!input.userName.empty() || !input.password.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, input.userName.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, input.password.c_str());
    }
    if (post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(input.postQuery.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, input.postQuery.data());
    }
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    // A transfer error after the first byte ends the read; what arrived is kept.
    curl_easy_perform(h);

    return transfer.reader.finish(transfer.refused);
}

} // namespace httpfetch
