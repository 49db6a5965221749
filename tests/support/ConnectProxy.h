#pragma once

// A proxy on 127.0.0.1 that only tunnels: it records each CONNECT head, connects to the
// 127.0.0.1 port asked for, answers "200 Connection established" and then passes bytes both
// ways untouched until either side closes. Anything but CONNECT is answered with 405.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class ConnectProxy {
public:
    ConnectProxy();
    ~ConnectProxy();
    ConnectProxy(const ConnectProxy&) = delete;
    ConnectProxy& operator=(const ConnectProxy&) = delete;

    // "http://127.0.0.1:PORT/", as http_proxy and https_proxy name it.
    std::string url() const;
    // The heads as they arrived, up to their blank line.
    std::vector<std::string> heads() const;

private:
    void serve(int client);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_heads;
    std::thread m_thread; // last: it uses everything above
};

} // namespace testsupport
