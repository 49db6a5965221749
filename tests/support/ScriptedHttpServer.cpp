#include "tests/support/ScriptedHttpServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace testsupport {

namespace {

// Short waits, so that a stopping server notices soon.
bool readable(int socket) {
    pollfd waiting{socket, POLLIN, 0};
    return ::poll(&waiting, 1, 20) > 0;
}

} // namespace

ScriptedHttpServer::ScriptedHttpServer(std::string reply, Start start)
    : m_reply(std::move(reply)), m_held(start == Start::held) {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
        ::listen(m_listener, 8) ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length)) {
        if (m_listener >= 0) {
            ::close(m_listener);
        }
        throw std::runtime_error("test server cannot listen");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        while (!m_stopping) {
            if (readable(m_listener)) {
                answer(::accept(m_listener, nullptr, nullptr));
            }
        }
    });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    m_stopping = true;
    m_thread.join();
    ::close(m_listener);
}

std::string ScriptedHttpServer::url(const std::string& object) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + object;
}

std::vector<std::string> ScriptedHttpServer::requests() const {
    std::lock_guard guard(m_mutex);
    return m_requests;
}

std::size_t ScriptedHttpServer::requestCount() const {
    std::lock_guard guard(m_mutex);
    return m_requests.size();
}

bool ScriptedHttpServer::clientConnected() const {
    char byte = 0;
    const int client = m_client;
    return client >= 0 && ::recv(client, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno == EAGAIN;
}

void ScriptedHttpServer::answer(int client) {
    if (client < 0) {
        return;
    }
    std::string request;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    while (request.size() < wanted && !m_stopping) {
        if (!readable(client)) {
            continue;
        }
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(got));
        const std::size_t end = request.find("\r\n\r\n");
        const std::size_t length = request.find("\r\nContent-Length: ");
        if (end != std::string::npos) {
            wanted = end + 4 + (length < end ? std::stoul(request.substr(length + 18)) : 0);
        }
    }
    {
        std::lock_guard guard(m_mutex);
        m_requests.push_back(request);
    }
    m_client = client;
    char byte = 0;
    while (m_held && !m_stopping && !m_clientClosed) {
        if (readable(client) && ::recv(client, &byte, 1, MSG_PEEK) == 0) {
            m_clientClosed = true;
        }
    }
    m_client = -1;
    for (std::size_t sent = 0; sent < m_reply.size() && !m_stopping;) {
        const ssize_t put =
            ::send(client, m_reply.data() + sent, m_reply.size() - sent, MSG_NOSIGNAL);
        if (put <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(put);
    }
    if (m_reset) {
        // A zero linger time makes the close a reset.
        const linger abort{1, 0};
        ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    ::close(client);
}

std::string httpReply(const std::string& body, const std::string& status, bool withLength,
                      const std::string& extra) {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n" + extra +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") + "\r\n" +
           body;
}

} // namespace testsupport
