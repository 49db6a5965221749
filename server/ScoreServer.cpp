#include "server/ScoreServer.h"

#include "server/Pages.h"
#include "server/PostingQuery.h"

#include <httplib.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace server {

namespace {

constexpr const char* htmlType = "text/html; charset=utf-8";
constexpr const char* textType = "text/plain; charset=utf-8";
constexpr int listenBacklog = 1024;

void text(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body + "\n", textType);
}

// A store problem: the client is asked to come back shortly.
void unavailable(httplib::Response& res) {
    res.set_header("Retry-After", "5");
    text(res, 503, "The score list is not available just now; please try again.");
}

bool isLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" ||
           address.rfind("::ffff:127.", 0) == 0;
}

// The player's address: the peer's, or the one a proxy on this machine passes on when trusted.
std::string clientAddress(const httplib::Request& req, bool trustProxy) {
    if (trustProxy && isLoopback(req.remote_addr) && req.has_header("X-Real-IP")) {
        return req.get_header_value("X-Real-IP");
    }
    return req.remote_addr;
}

// Keeps a log line on one line and free of quotes, whatever the client sent.
std::string forLog(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(content).str();
}

} // namespace

struct ScoreServer::Http {
    httplib::Server server;
    int socket = -1;
};

struct ScoreServer::Pages {
    std::uint64_t generation = 0;
    std::string highScores;
    std::string multiplayer;
};

ScoreServer::ScoreServer(ServeSettings settings)
    : m_settings(std::move(settings)), m_http(std::make_unique<Http>()) {
    httplib::Server& svr = m_http->server;
    const int threads = m_settings.threads > 0 ? m_settings.threads : 1;
    svr.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    svr.set_tcp_nodelay(true);
    svr.set_keep_alive_max_count(1000);
    svr.set_keep_alive_timeout(5);
    svr.set_read_timeout(10);
    svr.set_write_timeout(10);
    svr.set_payload_max_length(8192);
    svr.set_socket_options([this](socket_t sock) {
        m_http->socket = sock;
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    svr.Get("/cgi-bin/bloomzap.cgi", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "GET") {
            res.set_header("Allow", "GET");
            text(res, 405, "Scores are posted with GET.");
            return;
        }
        const std::size_t mark = req.target.find('?');
        const PostingCheck check =
            readPosting(mark == std::string::npos ? std::string_view{}
                                                  : std::string_view(req.target).substr(mark + 1));
        if (!check.values) {
            text(res, 400, check.refusal);
            return;
        }
        const std::string address = clientAddress(req, m_settings.trustProxy);
        try {
            if (m_store->add(*check.values, address, m_settings.postLimit) ==
                AddResult::rateLimited) {
                res.set_header("Retry-After", std::to_string(rateWindowSeconds));
                text(res, 429, "Too many scores from your address; try again in a minute.");
                return;
            }
        } catch (const StoreUnavailable& e) {
            logProblem("posting not stored", e.what());
            unavailable(res);
            return;
        }
        ++m_generation;
        text(res, 200, "Score received.");
    });

    const auto servePage = [this](std::string Pages::*which) {
        return [this, which](const httplib::Request&, httplib::Response& res) {
            std::shared_ptr<const Pages> pages;
            try {
                pages = currentPages();
            } catch (const StoreUnavailable& e) {
                logProblem("page not rendered", e.what());
                unavailable(res);
                return;
            }
            res.set_header("Cache-Control", "no-cache");
            res.set_content((*pages).*which, htmlType);
        };
    };
    svr.Get("/counter/bloomzap.shtml", servePage(&Pages::highScores));
    svr.Get("/multiplayer.html", servePage(&Pages::multiplayer));

    svr.Get("/", [home = pages::home()](const httplib::Request&, httplib::Response& res) {
        res.set_content(home, htmlType);
    });
    svr.Get("/bloomzap/bloomzapversion.txt",
            [this](const httplib::Request&, httplib::Response& res) {
                res.set_header("Cache-Control", "no-cache");
                res.set_content(m_settings.versionText, textType);
            });
    svr.Get(R"(/bloomzap/(bzpsetup\.exe(\.sig)?))",
            [this](const httplib::Request& req, httplib::Response& res) {
                std::optional<std::string> content;
                if (m_settings.updates) {
                    content = readFile(*m_settings.updates / req.matches[1].str());
                }
                if (!content) {
                    res.status = 404;
                    return;
                }
                res.set_header("Cache-Control", "no-cache");
                res.set_content(std::move(*content), "application/octet-stream");
            });

    svr.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&,
                                                                  httplib::Response& res) {
        if (!res.body.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        if (res.status == 404) {
            res.set_content(pages::notFound(), htmlType);
        } else {
            res.set_content("Request refused (" + std::to_string(res.status) + ").\n", textType);
        }
        return httplib::Server::HandlerResponse::Handled;
    }));
    svr.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        logRequest(clientAddress(req, m_settings.trustProxy),
                   req.method.empty() ? std::string("-")
                                      : req.method + " " + req.target + " " + req.version,
                   res.status, res.body.size());
    });
}

ScoreServer::~ScoreServer() = default;

bool ScoreServer::bind(const std::string& host, int port, std::string& error) {
    httplib::Server& svr = m_http->server;
    errno = 0;
    const int bound =
        port == 0 ? svr.bind_to_any_port(host) : (svr.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " +
                (errno != 0 ? std::strerror(errno) : "address not usable");
        return false;
    }
    // The library listens with a short backlog; a longer one keeps bursts of connections from
    // being dropped.
    if (m_http->socket >= 0) {
        ::listen(m_http->socket, listenBacklog);
    }
    m_port = bound;
    return true;
}

void ScoreServer::run(ScoreStore& store) {
    m_store = &store;
    m_store->watchChanges([this] { ++m_generation; });
    m_http->server.listen_after_bind();
    m_store->watchChanges({});
}

void ScoreServer::stop() {
    m_http->server.stop();
}

std::shared_ptr<const ScoreServer::Pages> ScoreServer::currentPages() {
    {
        const std::lock_guard lock(m_pagesMutex);
        if (m_pages && m_pages->generation == m_generation.load()) {
            return m_pages;
        }
    }
    // One thread renders; the others wait and take its result.
    const std::lock_guard render(m_renderMutex);
    const std::uint64_t generation = m_generation.load();
    {
        const std::lock_guard lock(m_pagesMutex);
        if (m_pages && m_pages->generation == generation) {
            return m_pages;
        }
    }
    const Standings standings = m_store->standings(pages::listLength);
    auto fresh = std::make_shared<Pages>();
    fresh->generation = generation;
    fresh->highScores = pages::highScores(standings);
    fresh->multiplayer = pages::multiplayer(standings);
    const std::lock_guard lock(m_pagesMutex);
    m_pages = fresh;
    return fresh;
}

void ScoreServer::logProblem(const char* what, std::string_view detail) {
    if (m_settings.log == nullptr) {
        return;
    }
    std::string line = std::string("bloomzap-server: ") + what + ": ";
    for (const char c : detail) {
        line += c == '\n' || c == '\t' ? ' ' : c;
    }
    while (line.back() == ' ') {
        line.pop_back();
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_settings.log);
}

void ScoreServer::logRequest(const std::string& address, const std::string& requestLine, int status,
                             std::size_t bytes) {
    if (m_settings.log == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[40];
    std::strftime(when, sizeof when, "%d/%b/%Y:%H:%M:%S %z", &local);
    // One write per line, so lines of concurrent requests never interleave.
    const std::string line = (address.empty() ? "-" : forLog(address)) + " - - [" + when + "] \"" +
                             forLog(requestLine) + "\" " + std::to_string(status) + " " +
                             std::to_string(bytes) + "\n";
    std::fwrite(line.data(), 1, line.size(), m_settings.log);
}

} // namespace server
