#pragma once

#include "server/ScoreStore.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// What the server answers besides the postings.
struct ServeSettings {
    std::string versionText = "1.0.0";
    std::optional<std::filesystem::path> updates; // folder of bzpsetup.exe and its .sig
    int postLimit = 10;                           // postings a minute per address; 0: no limit
    int threads = 32;                             // requests served at the same time
    bool trustProxy = false; // take the client address from X-Real-IP sent by a local proxy
    std::FILE* log = stderr; // one common-log-format line per request; nullptr: none
};

// The HTTP side of the score and update server: the four requests of the game under the site
// root, the home and invitation pages, 404 for everything else. Pages that show postings are
// rendered once per change and then served from memory.
class ScoreServer {
public:
    explicit ScoreServer(ServeSettings settings);
    ~ScoreServer();
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds the listening socket (port 0: any free port). Returns false and sets `error` when
    // the address cannot be used.
    bool bind(const std::string& host, int port, std::string& error);
    int port() const { return m_port; }

    // Serves from `store` until stop(); requests under way are finished before it returns.
    void run(ScoreStore& store);
    // Safe from any thread.
    void stop();

private:
    struct Http;
    struct Pages;

    std::shared_ptr<const Pages> currentPages();
    void logProblem(const char* what, std::string_view detail);
    void logRequest(const std::string& address, const std::string& requestLine, int status,
                    std::size_t bytes);

    ScoreStore* m_store = nullptr;
    ServeSettings m_settings;
    std::unique_ptr<Http> m_http;
    int m_port = 0;
    std::atomic<std::uint64_t> m_generation{1};
    std::mutex m_pagesMutex;
    std::mutex m_renderMutex;
    std::shared_ptr<const Pages> m_pages;
};

} // namespace server
