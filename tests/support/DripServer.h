#pragma once

// A server that misbehaves on purpose, for the download and the update tests.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A server that misbehaves on purpose: it answers the paths it knows at once, and for
// `dripPath` sends a 200 head and then one byte every `dripMs` milliseconds for ever.
class DripServer {
public:
    // dripHead: head lines the drip's reply carries besides its status and type.
    DripServer(std::map<std::string, std::string> bodies, std::string dripPath, int dripMs,
               std::string dripHead = "")
        : m_bodies(std::move(bodies)), m_dripPath(std::move(dripPath)), m_dripMs(dripMs),
          m_dripHead(std::move(dripHead)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(m_listener, 16) ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length)) {
            throw std::runtime_error("DripServer cannot listen");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~DripServer() {
        m_stopping = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        for (std::thread& client : m_clients) {
            client.join();
        }
        ::close(m_listener);
    }
    std::string root() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    // Whether a client has been sent the drip's head.
    bool dripping() const { return m_dripping; }

private:
    void serve() {
        for (;;) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0 || m_stopping) {
                if (client >= 0) {
                    ::close(client);
                }
                return;
            }
            m_clients.emplace_back([this, client] { answer(client); });
        }
    }
    void answer(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ::close(client);
                return;
            }
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const auto begin = request.find(' ') + 1;
        const std::string path = request.substr(begin, request.find(' ', begin) - begin);
        std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
        if (path == m_dripPath) {
            head += m_dripHead + "\r\n";
            send(client, head);
            m_dripping = true;
            while (!m_stopping && send(client, "x")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(m_dripMs));
            }
        } else if (const auto body = m_bodies.find(path); body != m_bodies.end()) {
            send(client, head + "Content-Length: " + std::to_string(body->second.size()) +
                             "\r\n\r\n" + body->second);
        } else {
            send(client, "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found");
        }
        ::close(client);
    }
    static bool send(int client, const std::string& bytes) {
        return ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    std::map<std::string, std::string> m_bodies;
    std::string m_dripPath;
    int m_dripMs;
    std::string m_dripHead;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false}, m_dripping{false};
    std::vector<std::thread> m_clients;
    std::thread m_thread; // last: it uses everything above
};

} // namespace testsupport
