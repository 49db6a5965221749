#pragma once

// http and https addresses as the installer download reads them, without Qt: an absolute
// address taken apart, and a Location read against the address it came from (RFC 3986 reference
// resolution). Any other scheme, a Location from https to plain http, and any host that is not a
// name or an IP address (an international name is written in ASCII first) are refused, so
// nothing from a server can send a request elsewhere, into the clear or into another header.

#include <optional>
#include <string>
#include <string_view>

namespace httpaddress {

struct Address {
    std::string host;        // a name, an IPv4 address or a bracketed IPv6 address
    std::optional<int> port; // only when the address names one
    std::string target;      // path and query for the request line, "/" at least
    bool tls = false;        // https
};

// Whether the host may be connected to and written into a head: letters, digits, '-', '.',
// '_' and '~', or an IPv6 address in brackets.
bool validHost(std::string_view host);

// "http://host[:port][/path][?query][#fragment]", or the same with "https://" (the scheme in any
// letter case): the parts; dot segments are taken out of the path and the fragment dropped.
// Empty for another scheme, an address with user information, a bad host or a port that is not
// 1 to 65535.
std::optional<Address> parse(std::string_view url);

// ":port", or nothing without a port.
std::string withPort(std::optional<int> port);

// The address written out again: "http://host[:port]" (or "https://...") and the target.
std::string text(const Address& address);

// Where `reference` leads when read against `base`; empty when either is unusable, the result
// is not an http or https address, or it would lead from https to plain http.
std::optional<std::string> resolve(std::string_view base, std::string_view reference);

} // namespace httpaddress
