#pragma once

// Servers the online tests start on 127.0.0.1: a scripted one that records each request byte for
// byte and answers with exactly the bytes given (or holds the connection), and the real
// bloomzap-server run as a child process.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace onlinetest {

// Answers every connection with `reply` after reading the request head and its body. While held,
// it answers nothing and keeps the connection open until released or destroyed.
class RawServer {
public:
    explicit RawServer(std::string reply, bool held = false)
        : m_reply(std::move(reply)), m_held(held) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(m_listener, 8) ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length))
            throw std::runtime_error("test server cannot listen");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~RawServer() {
        {
            std::lock_guard guard(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
        ::close(m_listener);
    }

    int port() const { return m_port; }
    std::string url(const std::string& object) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + object;
    }

    // Requests as they arrived: head and body, unchanged.
    std::vector<std::string> requests() const {
        std::lock_guard guard(m_mutex);
        return m_requests;
    }
    std::size_t requestCount() const { return requests().size(); }

    void release() {
        {
            std::lock_guard guard(m_mutex);
            m_held = false;
        }
        m_changed.notify_all();
    }

    // While a held connection is open: whether the client still keeps it open, checked at this
    // very moment.
    bool clientConnected() const {
        std::lock_guard guard(m_mutex);
        if (m_client < 0)
            return false;
        char byte;
        const ssize_t got = ::recv(m_client, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    // A held connection was closed by the client.
    bool clientClosed() const { return m_clientClosed; }

private:
    void serve() {
        while (!stopping()) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0)
                continue;
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                continue;
            answer(client);
            ::close(client);
        }
    }

    void answer(int client) {
        std::string request;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (request.size() < wanted) {
            pollfd readable{client, POLLIN, 0};
            if (stopping())
                return;
            if (::poll(&readable, 1, 20) <= 0)
                continue;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = request.find("\r\n\r\n");
            if (end != std::string::npos && wanted == std::string::npos)
                wanted = end + 4 + bodyLength(request.substr(0, end));
        }
        std::unique_lock lock(m_mutex);
        m_requests.push_back(request);
        m_client = client;
        while (m_held && !m_stopping) {
            m_changed.wait_for(lock, std::chrono::milliseconds(20));
            char byte;
            if (!m_clientClosed && ::recv(client, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
                m_clientClosed = true;
        }
        m_client = -1;
        lock.unlock();
        for (std::size_t sent = 0; sent < m_reply.size() && !stopping();) {
            const ssize_t put =
                ::send(client, m_reply.data() + sent, m_reply.size() - sent, MSG_NOSIGNAL);
            if (put <= 0)
                break;
            sent += static_cast<std::size_t>(put);
        }
        ::shutdown(client, SHUT_WR);
    }

    static std::size_t bodyLength(const std::string& head) {
        for (const char* name : {"\r\nContent-Length: ", "\r\ncontent-length: "}) {
            const std::size_t at = head.find(name);
            if (at != std::string::npos)
                return std::stoul(head.substr(at + std::char_traits<char>::length(name)));
        }
        return 0;
    }

    bool stopping() const {
        std::lock_guard guard(m_mutex);
        return m_stopping;
    }

    std::string m_reply;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_requests;
    bool m_held;
    bool m_stopping = false;
    int m_client = -1;
    std::atomic<bool> m_clientClosed{false};
};

// A complete reply with the given status line, extra head lines and body; Content-Length is
// added unless `withLength` is false (the body then ends when the connection closes).
inline std::string reply(const std::string& body, const std::string& status = "200 OK",
                         bool withLength = true, const std::string& extra = "") {
    std::string head = "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n" + extra;
    if (withLength)
        head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

// The real bloomzap-server, started on a free port of 127.0.0.1 over a fresh data folder without
// a posting limit, and stopped with SIGTERM. Its request log is kept.
class ScoreServer {
public:
    explicit ScoreServer(const std::string& program) {
        char folder[] = "/tmp/bloomzap-online-XXXXXX";
        if (!::mkdtemp(folder))
            throw std::runtime_error("no data folder");
        m_folder = folder;
        int output[2];
        if (::pipe(output))
            throw std::runtime_error("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(output[1], 2);
            ::close(output[0]);
            ::close(output[1]);
            ::execl(program.c_str(), "bloomzap-server", "--listen", "127.0.0.1:0", "--data", folder,
                    "--post-limit", "0", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(output[1]);
        m_output = output[0];
        // The first line names the address it serves.
        const std::string serving = "serving http://127.0.0.1:";
        std::string line;
        while (readLine(line) && line.find(serving) == std::string::npos) {
        }
        const std::size_t at = line.find(serving);
        if (at == std::string::npos) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            ::close(m_output);
            std::filesystem::remove_all(m_folder);
            throw std::runtime_error("bloomzap-server did not start: " + line);
        }
        m_port = std::stoi(line.substr(at + serving.size()));
        m_reader = std::thread([this] {
            std::string logged;
            while (readLine(logged)) {
                std::lock_guard guard(m_mutex);
                m_log.push_back(logged);
            }
        });
    }

    ~ScoreServer() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_reader.join();
        ::close(m_output);
        std::filesystem::remove_all(m_folder);
    }

    // "http://127.0.0.1:PORT/"
    std::string root() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

    std::vector<std::string> log() const {
        std::lock_guard guard(m_mutex);
        return m_log;
    }

private:
    bool readLine(std::string& line) {
        line.clear();
        char c;
        while (::read(m_output, &c, 1) == 1) {
            if (c == '\n')
                return true;
            line += c;
        }
        return !line.empty();
    }

    std::string m_folder;
    pid_t m_pid = -1;
    int m_output = -1;
    int m_port = 0;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
};

} // namespace onlinetest
