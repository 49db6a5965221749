#pragma once

// A scripted server the online tests start on 127.0.0.1: it records each request byte for byte
// and answers with exactly the bytes given, or holds the connection.

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace onlinetest {

// Answers each connection with `reply` once the request (head and body) is in. While held it
// answers nothing and keeps the connection open until released.
class RawServer {
public:
    explicit RawServer(std::string reply, bool held = false) : m_reply(std::move(reply)) {
        m_held = held;
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(m_listener, 8) ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length))
            throw std::runtime_error("test server cannot listen");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            while (!m_stopping)
                if (pollFor(m_listener))
                    answer(::accept(m_listener, nullptr, nullptr));
        });
    }
    ~RawServer() {
        m_stopping = true;
        m_thread.join();
        ::close(m_listener);
    }

    int port() const { return m_port; }
    std::string url(const std::string& object) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + object;
    }
    // Requests as they arrived, head and body unchanged.
    std::vector<std::string> requests() const {
        std::lock_guard guard(m_mutex);
        return m_requests;
    }
    std::size_t requestCount() const { return requests().size(); }
    void release() { m_held = false; }
    // Whether the client of the held connection keeps it open, checked at this very moment.
    bool clientConnected() const {
        char byte;
        return m_client >= 0 && ::recv(m_client, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 &&
               errno == EAGAIN;
    }
    // The client closed the held connection.
    bool clientClosed() const { return m_clientClosed; }

private:
    bool pollFor(int socket) const {
        pollfd waiting{socket, POLLIN, 0};
        return ::poll(&waiting, 1, 20) > 0;
    }

    void answer(int client) {
        std::string request;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (request.size() < wanted && !m_stopping) {
            if (!pollFor(client))
                continue;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = request.find("\r\n\r\n");
            const std::size_t length = request.find("\r\nContent-Length: ");
            if (end != std::string::npos)
                wanted = end + 4 + (length < end ? std::stoul(request.substr(length + 18)) : 0);
        }
        {
            std::lock_guard guard(m_mutex);
            m_requests.push_back(request);
        }
        m_client = client;
        char byte;
        while (m_held && !m_stopping && !m_clientClosed)
            if (pollFor(client) && ::recv(client, &byte, 1, MSG_PEEK) == 0)
                m_clientClosed = true;
        m_client = -1;
        for (std::size_t sent = 0; sent < m_reply.size() && !m_stopping;) {
            const ssize_t put =
                ::send(client, m_reply.data() + sent, m_reply.size() - sent, MSG_NOSIGNAL);
            if (put <= 0)
                break;
            sent += static_cast<std::size_t>(put);
        }
        ::close(client);
    }

    std::string m_reply;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::atomic<bool> m_held, m_stopping{false}, m_clientClosed{false};
    std::atomic<int> m_client{-1};
};

// A reply with a status line, extra head lines and the body; with no Content-Length (when
// `withLength` is false) the body ends where the connection closes.
inline std::string reply(const std::string& body, const std::string& status = "200 OK",
                         bool withLength = true, const std::string& extra = "") {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n" + extra +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") + "\r\n" +
           body;
}

} // namespace onlinetest
