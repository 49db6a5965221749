#pragma once

#include <optional>
#include <string>
#include <string_view>

struct sockaddr;

namespace server {

// The numeric text of a socket address (IPv4 dotted, IPv6 in its shortest form); empty when it
// is neither.
std::string addressText(const sockaddr* address);

// The text as one IPv4 or IPv6 address in the form addressText gives, blanks around it
// ignored; nullopt when it is anything else (a list, a name, a port, a zone, garbage).
std::optional<std::string> parseAddress(std::string_view text);

// The client that an address (in the form addressText gives) counts as for the per-address
// limits: an IPv4 address as it is, an IPv4-mapped IPv6 address as its IPv4 address, any other
// IPv6 address as its network of `ipv6Prefix` bits ("2001:db8:1:2::/64"), since one subscriber
// is handed a whole /64. Text that is no address is returned as it is.
std::string limitKey(const std::string& address, int ipv6Prefix);

} // namespace server
