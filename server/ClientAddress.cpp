#include "server/ClientAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace server {

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address == nullptr) {
        return {};
    }
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    } else if (address->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    }
    return text;
}

std::optional<std::string> parseAddress(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() >= INET6_ADDRSTRLEN) {
        return std::nullopt;
    }
    const std::string plain(text);
    char out[INET6_ADDRSTRLEN] = "";
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, plain.c_str(), &v4) == 1) {
        inet_ntop(AF_INET, &v4, out, sizeof out);
    } else if (inet_pton(AF_INET6, plain.c_str(), &v6) == 1) {
        inet_ntop(AF_INET6, &v6, out, sizeof out);
    } else {
        return std::nullopt;
    }
    return std::string(out);
}

std::string limitKey(const std::string& address, int ipv6Prefix) {
    in6_addr v6{};
    if (address.find(':') == std::string::npos || inet_pton(AF_INET6, address.c_str(), &v6) != 1) {
        return address;
    }
    char out[INET6_ADDRSTRLEN] = "";
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        inet_ntop(AF_INET, &v6.s6_addr[12], out, sizeof out);
        return out;
    }
    const int prefix = ipv6Prefix < 0 ? 0 : ipv6Prefix > 128 ? 128 : ipv6Prefix;
    for (int bit = prefix; bit < 128; ++bit) {
        v6.s6_addr[bit / 8] =
            static_cast<unsigned char>(v6.s6_addr[bit / 8] & ~(0x80U >> (bit % 8)));
    }
    inet_ntop(AF_INET6, &v6, out, sizeof out);
    return std::string(out) + "/" + std::to_string(prefix);
}

} // namespace server
