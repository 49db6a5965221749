#include "common/http/HttpAddress.h"

#include "common/HttpText.h"
#include "common/http/HttpIdn.h"

namespace httpaddress {

namespace {

constexpr bool letterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A reference taken apart (RFC 3986 section 3), the fragment left out.
struct Reference {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
};

Reference split(std::string_view text) {
    Reference parts;
    text = text.substr(0, text.find('#'));
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0 && colon < text.find_first_of("/?") &&
        !(text[0] >= '0' && text[0] <= '9')) {
        const std::string_view scheme = text.substr(0, colon);
        bool valid = true;
        for (const char c : scheme) {
            valid = valid && (letterOrDigit(c) || c == '+' || c == '-' || c == '.');
        }
        if (valid) {
            parts.scheme = scheme;
            text.remove_prefix(colon + 1);
        }
    }
    if (text.starts_with("//")) {
        text.remove_prefix(2);
        const std::size_t end = text.find_first_of("/?");
        parts.authority = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    const std::size_t question = text.find('?');
    parts.path = text.substr(0, question);
    if (question != std::string_view::npos) {
        parts.query = text.substr(question + 1);
    }
    return parts;
}

// RFC 3986 section 5.2.4.
std::string withoutDotSegments(std::string_view path) {
    std::string input(path);
    std::string output;
    const auto dropLastSegment = [&output] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.erase(0, 3);
        } else if (input.starts_with("./")) {
            input.erase(0, 2);
        } else if (input.starts_with("/./")) {
            input.erase(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.erase(0, 3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            const std::size_t end = input.find('/', 1);
            output += input.substr(0, end);
            input.erase(0, end);
        }
    }
    return output;
}

std::string merged(const Reference& base, std::string_view path) {
    if (base.path.empty()) {
        return std::string("/").append(path);
    }
    const std::size_t slash = base.path.rfind('/');
    return std::string(base.path.substr(0, slash == std::string_view::npos ? 0 : slash + 1)) +
           std::string(path);
}

} // namespace

std::string withPort(std::optional<int> port) {
    return port ? std::string(":").append(std::to_string(*port)) : std::string();
}

bool validHost(std::string_view host) {
    if (host.empty()) {
        return false;
    }
    if (host.front() == '[') {
        if (host.size() < 4 || host.back() != ']') {
            return false;
        }
        const std::string_view inside = host.substr(1, host.size() - 2);
        bool colon = false;
        for (const char c : inside) {
            if (httptext::hexDigit(c) < 0 && c != ':' && c != '.') {
                return false;
            }
            colon = colon || c == ':';
        }
        return colon;
    }
    for (const char c : host) {
        if (!letterOrDigit(c) && c != '-' && c != '.' && c != '_' && c != '~') {
            return false;
        }
    }
    return true;
}

std::optional<Address> parse(std::string_view url) {
    const Reference parts = split(url);
    if (!parts.scheme || !parts.authority || parts.authority->find('@') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string scheme = httptext::lowered(*parts.scheme);
    if (scheme != "http" && scheme != "https") {
        return std::nullopt;
    }
    std::string_view authority = *parts.authority;
    std::size_t hostEnd = 0;
    if (authority.starts_with('[')) {
        hostEnd = authority.find(']');
        if (hostEnd == std::string_view::npos) {
            return std::nullopt;
        }
        ++hostEnd;
    } else {
        hostEnd = std::min(authority.find(':'), authority.size());
    }
    Address address;
    address.tls = scheme == "https";
    const auto host = httpidn::asciiHost(std::string(authority.substr(0, hostEnd)));
    if (!host) {
        return std::nullopt;
    }
    address.host = *host;
    const std::string_view rest = authority.substr(hostEnd);
    if (!validHost(address.host) || (!rest.empty() && rest.front() != ':')) {
        return std::nullopt;
    }
    if (rest.size() > 1) {
        const auto port = httptext::decimal(rest.substr(1), 65535);
        if (!port || *port == 0) {
            return std::nullopt;
        }
        address.port = static_cast<int>(*port);
    }
    std::string target = withoutDotSegments(parts.path);
    if (target.empty()) {
        target.push_back('/');
    }
    if (parts.query) {
        target.append("?").append(*parts.query);
    }
    // Bytes a request line cannot hold go percent-encoded, so nothing can end the line early.
    address.target = httptext::percentEncode(target, " ");
    return address;
}

std::string text(const Address& address) {
    return std::string(address.tls ? "https://" : "http://")
               .append(address.host)
               .append(withPort(address.port)) +
           address.target;
}

std::optional<std::string> resolve(std::string_view base, std::string_view reference) {
    const auto origin = parse(base);
    if (!origin) {
        return std::nullopt;
    }
    const Reference from = split(base);
    const Reference to = split(reference);
    std::string result;
    if (to.scheme) {
        result = std::string(reference.substr(0, reference.find('#')));
    } else {
        std::string path;
        std::optional<std::string_view> query = to.query;
        const std::string_view authority = to.authority ? *to.authority : *from.authority;
        if (to.authority || to.path.starts_with('/')) {
            path = to.path;
        } else if (to.path.empty()) {
            path = from.path;
            if (!query) {
                query = from.query;
            }
        } else {
            path = merged(from, to.path);
        }
        result = std::string(origin->tls ? "https://" : "http://").append(authority).append(path);
        if (query) {
            result.append("?").append(*query);
        }
    }
    const auto address = parse(result);
    // Once private, the download stays so: a redirect to plain http is refused.
    if (!address || (origin->tls && !address->tls)) {
        return std::nullopt;
    }
    return text(*address);
}

} // namespace httpaddress
