#include "tests/support/ConnectProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::send(fd, data, size, MSG_NOSIGNAL);
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

ConnectProxy::ConnectProxy() {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
        ::listen(m_listener, 8) ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length)) {
        throw std::runtime_error("test proxy cannot listen");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        while (!m_stopping) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (::poll(&waiting, 1, 20) > 0) {
                serve(::accept(m_listener, nullptr, nullptr));
            }
        }
    });
}

ConnectProxy::~ConnectProxy() {
    m_stopping = true;
    m_thread.join();
    ::close(m_listener);
}

std::string ConnectProxy::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

std::vector<std::string> ConnectProxy::heads() const {
    std::lock_guard guard(m_mutex);
    return m_heads;
}

void ConnectProxy::serve(int client) {
    if (client < 0) {
        return;
    }
    std::string head;
    char byte = 0;
    while (head.find("\r\n\r\n") == std::string::npos && ::recv(client, &byte, 1, 0) == 1) {
        head += byte;
    }
    {
        std::lock_guard guard(m_mutex);
        m_heads.push_back(head);
    }
    // "CONNECT 127.0.0.1:PORT HTTP/1.x" or "CONNECT localhost:PORT ..."
    const std::size_t colon = head.find(':');
    const int port = head.starts_with("CONNECT ") && colon != std::string::npos
                         ? std::atoi(head.c_str() + colon + 1)
                         : 0;
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    if (port == 0 || ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address)) {
        const std::string refused = "HTTP/1.0 405 Method Not Allowed\r\n\r\n";
        sendAll(client, refused.data(), refused.size());
        ::close(server);
        ::close(client);
        return;
    }
    const std::string established = "HTTP/1.0 200 Connection established\r\n\r\n";
    sendAll(client, established.data(), established.size());
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[16384];
    for (bool open = true; open && !m_stopping;) {
        if (::poll(ends, 2, 20) <= 0) {
            continue;
        }
        for (int from = 0; from < 2 && open; ++from) {
            if (ends[from].revents == 0) {
                continue;
            }
            const ssize_t got = ::recv(ends[from].fd, buffer, sizeof buffer, 0);
            open = got > 0 && sendAll(ends[1 - from].fd, buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(server);
    ::close(client);
}

} // namespace testsupport
