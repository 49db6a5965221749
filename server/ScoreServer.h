#pragma once

#include "common/Version.h"
#include "server/AccessLog.h"
#include "server/ScoreStore.h"
#include "server/TicketSigner.h"
#include "server/TlsCredentials.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace server {

// What the server answers besides the postings, and the bounds it keeps under any load.
struct ServeSettings {
    std::string versionText{site::programVersion};
    std::optional<std::filesystem::path> updates; // folder of bzpsetup.exe and its .sig
    int postLimit = 10;                           // postings a minute per address; 0: no limit
    int threads = 0; // threads serving connections; 0: one per core, up to 4
    std::vector<std::string> trustedProxies; // peers whose X-Real-IP names the client
    int maxConnections = 16384;              // open connections in all
    int connectionsPerAddress = 32;          // open connections from one client address
    int idleTimeout = 10;    // seconds a connection may stay without progress before it is closed
    int headerTimeout = 30;  // seconds a client may take to send a request line and its headers
    int requestTimeout = 30; // seconds a client may take to send a whole request, body and all
    int ipv6Prefix = 64;     // an IPv6 client is its network of this many bits for the limits
    std::filesystem::path tlsCertificate; // PEM chain; with tlsKey, the server speaks only TLS
    std::filesystem::path tlsKey;
    std::FILE* log = stderr;   // one common-log-format line per request; nullptr: none
    bool verifiedOnly = false; // the pages list only postings whose game was replayed
    int ticketLimit = 60;      // tickets an hour per address; 0: no limit
    int stopPatience = 10;     // seconds a stop waits for the requests under way
    int replayDays = 30;       // days a daily list's best game records are kept to be watched
    int replayKeep = 100;      // game records kept of each list, all-time and daily
    // Seconds this server's wall clock runs ahead of the system's (negative: behind): tests play
    // on another day with it. Tickets, the arrival of game records and the days follow it.
    std::int64_t clockShift = 0;

    // Unix milliseconds on this server's wall clock.
    std::int64_t nowMs() const;
};

// The HTTP side of the score and update server: the four requests of the game under the site
// root, the game tickets and the game records that verify postings, the home and invitation
// pages, 404 for everything else. Connections are served by a few event-driven threads that never
// wait for the store: postings and page renders are handed to the store's threads, replays to
// replay threads, and the connection resumes when they are done. Pages that show postings are
// rendered once per change and then served from memory; while the store cannot be read the last
// rendered copy is served. This class is the daemon: it starts the engine with the parts that
// answer (ConnectionGuard, Dispatcher, Router and the routes, PageCache), waits for the stop,
// and stops them in order.
class ScoreServer {
public:
    // The longest request target taken; longer ones get 414.
    static constexpr std::size_t maxTarget = 8192;
    // Memory for one connection's request line, headers and answer headers; a header block that
    // does not fit gets 431.
    static constexpr std::size_t connectionMemory = 16384;
    // How long a posting may wait for the store before it gets 503.
    static constexpr int postingPatienceMs = 1500;
    // Game records waiting for a replay thread; more get 503.
    static constexpr std::size_t maxQueuedReplays = 64;
    // Bytes a second a request body must average once it has had minBodyGraceSeconds; a slower
    // one is cut off.
    static constexpr std::size_t minBodyRate = 1024;
    static constexpr int minBodyGraceSeconds = 5;

    explicit ScoreServer(ServeSettings settings);
    ~ScoreServer();
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds the listening socket (port 0: any free port). Returns false and sets `error` when
    // the address cannot be used.
    bool bind(const std::string& host, int port, std::string& error);
    int port() const { return m_port; }

    // The key that signs and checks this server's tickets (TicketSigner::keyBytes); needed
    // before run(). Throws std::invalid_argument for a key of another length.
    void useTicketKey(const std::string& key);

    // Reads the TLS certificate and key of the settings, when they name them; needed before
    // run(). Returns false and sets `error` (one line) when they cannot be used.
    bool loadTls(std::string& error);
    // Reads the TLS files again for the handshakes to come; on failure the old ones stay and
    // the log says why. Safe from any thread while the server runs.
    void reloadTls();
    bool speaksTls() const { return m_tls != nullptr; }

    // Serves from `store` until stop(); requests under way are finished before it returns.
    // Returns false and sets `error` when serving cannot start.
    bool run(ScoreStore& store, std::string& error);
    // Safe from any thread, also from a signal-waiting thread.
    void stop();

    // Adds one line to the server's log; never waits for its reader.
    void note(std::string line);

private:
    struct Parts;

    // With the engine running: waits for stop(), then lets the requests under way finish.
    void serveUntilStopped(Parts& parts);

    std::unique_ptr<AccessLog> m_log;
    std::unique_ptr<TlsCredentials> m_tls;
    std::unique_ptr<TicketSigner> m_signer;
    ServeSettings m_settings;
    int m_listenSocket = -1;
    int m_port = 0;

    std::mutex m_stopMutex;
    std::condition_variable_any m_stopWake;
    std::stop_source m_stop;
};

} // namespace server
