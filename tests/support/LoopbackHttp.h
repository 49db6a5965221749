#pragma once

// A plain HTTP/1.0 client for 127.0.0.1, like the game's: one request as written, the reply read
// to its end. For the server tests, the window tests that talk to the real server and the
// server benchmarks (no test framework, no Qt).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

struct Reply {
    int status = 0;
    std::string headers;
    std::string body;
};

// Reads from `fd` until the peer closes the connection, a read fails (as a time-out set on the
// socket makes it) or `enough` says of what came that it is all.
template <class Enough> std::string readUntil(int fd, Enough enough) {
    std::string raw;
    char buffer[16384];
    ssize_t n = 0;
    while (!enough(raw) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
        raw.append(buffer, static_cast<std::size_t>(n));
    }
    return raw;
}

// Reads one reply from `fd`: to the end of the stream, or of the body when its length is given
// (a refused request line, or a connection kept alive, stays open).
inline std::string readReply(int fd) {
    return readUntil(fd, [](const std::string& raw) {
        const std::size_t end = raw.find("\r\n\r\n");
        const std::size_t length = raw.find("Content-Length: ");
        return end != std::string::npos && length != std::string::npos && length < end &&
               raw.size() - end - 4 >= std::stoul(raw.substr(length + 16));
    });
}

// Sends `request` as written to 127.0.0.1:port and reads the reply to its end; nullopt when the
// connection fails or the reply is not HTTP.
inline std::optional<Reply> exchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string raw;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        raw = readReply(fd);
    }
    close(fd);
    const std::size_t split = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.", 0) != 0 || split == std::string::npos) {
        return std::nullopt;
    }
    Reply reply;
    reply.status = std::atoi(raw.c_str() + 9);
    reply.headers = raw.substr(0, split);
    reply.body = raw.substr(split + 4);
    return reply;
}

} // namespace testsupport
