#pragma once

// International host names for the game's HTTP clients: a name holding bytes above 127 is read
// as UTF-8 and written in ASCII (IDNA2008, "xn--" labels) through libidn2, which is loaded only
// when such a name first comes up. No Qt.

#include <optional>
#include <string>

namespace httpidn {

// The host as it may go to the resolver, the certificate check and a Host line: unchanged when
// it is ASCII, its ASCII form otherwise; nothing when it is no valid international name or
// libidn2 cannot be loaded.
std::optional<std::string> asciiHost(const std::string& host);

} // namespace httpidn
