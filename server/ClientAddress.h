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

} // namespace server
