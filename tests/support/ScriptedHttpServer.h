#pragma once

// A scripted HTTP server on 127.0.0.1 for tests: it records each request byte for byte and
// answers every connection with exactly the bytes given (an empty reply closes at once), or
// holds the connection until released.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class ScriptedHttpServer {
public:
    enum class Start { answering, held };

    // Answers once the request (head and, by its Content-Length, body) is in; while held, it
    // answers nothing and keeps the connection open.
    explicit ScriptedHttpServer(std::string reply, Start start = Start::answering);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by `object`.
    std::string url(const std::string& object) const;
    // Requests as they arrived, head and body unchanged.
    std::vector<std::string> requests() const;
    std::size_t requestCount() const;
    void release() { m_held = false; }
    // From now on each connection ends with a reset (RST) after the reply, not a close.
    void endWithReset() { m_reset = true; }
    // Whether the client of the held connection keeps it open, checked at this very moment.
    bool clientConnected() const;
    // The client closed the held connection.
    bool clientClosed() const { return m_clientClosed; }

private:
    void answer(int client);

    std::string m_reply;
    int m_listener = -1;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::atomic<bool> m_held, m_stopping{false}, m_clientClosed{false}, m_reset{false};
    std::atomic<int> m_client{-1};
    std::thread m_thread; // last: it uses everything above
};

// An HTTP/1.0 reply with a status line, extra head lines and the body; with no Content-Length
// (when `withLength` is false) the body ends where the connection closes.
std::string httpReply(const std::string& body, const std::string& status = "200 OK",
                      bool withLength = true, const std::string& extra = "");

} // namespace testsupport
