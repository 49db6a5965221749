// Helpers for the server tests: a plain HTTP/1.0 client like the game's, the rows of a served
// score table and a throwaway PostgreSQL cluster; the server process comes from tests/support.

#pragma once

#include "tests/support/LoopbackHttp.h"
#include "tests/support/ServerProcess.h"

#include "server/TicketSigner.h"

#include "engine/Ticket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace harness {

namespace fs = std::filesystem;

using testsupport::ServerProcess;
using testsupport::TempDir;

// A test that starts real servers on free ports over one fresh SQLite folder.
class SqliteServerTest : public ::testing::Test {
protected:
    // Starts a server with the extra arguments; the test fails when it does not serve.
    std::unique_ptr<ServerProcess> start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--listen", "127.0.0.1:0", "--data", m_data.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto server = std::make_unique<ServerProcess>(args);
        EXPECT_TRUE(server->waitServing()) << server->log();
        return server;
    }

    TempDir m_dir;
    fs::path m_data = m_dir / "data";
};

using testsupport::exchange;
using testsupport::Reply;

// A connected socket to 127.0.0.1:port from the loopback address `source` (any 127.x.y.z),
// whose reads and writes give up after 20 s; -1 when it cannot connect.
inline int connectFrom(int port, const std::string& source = "127.0.0.1") {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval patience{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the peer sends until it closes the connection or 20 s pass without a byte.
inline std::string readToEnd(int fd) {
    return testsupport::readUntil(fd, [](const std::string&) { return false; });
}

// Sends `request` on the connected socket `fd`, reads until the server closes (bounded by 20 s
// of silence) and closes it.
inline std::string exchangeOn(int fd, const std::string& request) {
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw = readToEnd(fd);
    close(fd);
    return raw;
}

// Sends `request` from `source` and reads until the server closes (bounded by 20 s of silence).
inline std::string exchangeFrom(int port, const std::string& request,
                                const std::string& source = "127.0.0.1") {
    const int fd = connectFrom(port, source);
    return fd < 0 ? std::string() : exchangeOn(fd, request);
}

// A GET as the game makes it: HTTP/1.0, the target as written; `headers` are extra lines.
inline std::optional<Reply> get(int port, const std::string& target,
                                const std::string& headers = {}) {
    return harness::exchange(port, "GET " + target +
                                       " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: Bloomzap "
                                       "HTTPGet\r\nAccept: */*\r\n" +
                                       headers + "\r\n");
}

inline std::string postingTarget(const std::string& name, const std::string& date,
                                 const std::string& score) {
    return "/cgi-bin/bloomzap.cgi?name=" + name + "&date=" + date + "&score=" + score;
}

inline int post(int port, const std::string& name, const std::string& score,
                const std::string& date = "1/5/07") {
    const auto reply = get(port, postingTarget(name, date, score));
    return reply ? reply->status : 0;
}

// A POST as the game sends a game record: HTTP/1.0 with the body's length.
inline std::optional<Reply> postBody(int port, const std::string& target, const std::string& body) {
    return harness::exchange(port, "POST " + target +
                                       " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: Bloomzap "
                                       "HTTPGet\r\nContent-Type: text/plain\r\nContent-Length: " +
                                       std::to_string(body.size()) + "\r\n\r\n" + body);
}

// The ticket line a server issues (without its line break); empty when it gives none.
inline std::string fetchTicket(int port) {
    const auto reply = get(port, "/bloomzap/ticket");
    if (!reply || reply->status != 200 || reply->body.empty() || reply->body.back() != '\n') {
        return {};
    }
    return reply->body.substr(0, reply->body.size() - 1);
}

// `ticket` (a ticket line) as if issued `seconds` earlier, signed with `key`: a game that takes
// minutes on a test's clock arrives as if played in real time.
inline std::string issuedEarlier(const std::string& ticket, const std::string& key,
                                 std::int64_t seconds) {
    const TicketFields fields = parseTicket(ticket).value();
    // "1." + 32 hex digits of id + "." come before the seed's 16.
    const std::string signedPart = "1." + fields.id + "." + ticket.substr(35, 16) + "." +
                                   std::to_string(fields.issued - seconds);
    return signedPart + "." + server::TicketSigner(key).mac(signedPart);
}

struct Row {
    int rank = 0;
    std::string name; // as it appears in the HTML
    std::string date;
    int score = 0;
    bool verified = false;
    bool operator==(const Row&) const = default;
};

// The rows of the score table in a served page.
inline std::vector<Row> tableRows(const std::string& page) {
    static const std::regex row(
        R"re(<tr[^>]*><td align="right"><font[^>]*>(\d+)</font></td><td align="left"><font[^>]*>(.*?)</font></td><td align="center"><font[^>]*>(.*?)</font></td><td align="right"><font[^>]*><b>(\d+)</b></font></td><td align="left">(.*?)</td></tr>)re");
    std::vector<Row> rows;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), row);
         it != std::sregex_iterator(); ++it) {
        rows.push_back(Row{std::stoi((*it)[1]), (*it)[2], (*it)[3], std::stoi((*it)[4]),
                           (*it)[5].str().find("verified") != std::string::npos});
    }
    return rows;
}

inline std::string page(int port, const std::string& target = "/counter/bloomzap.shtml") {
    const auto reply = get(port, target);
    return reply && reply->status == 200 ? reply->body : std::string();
}

// The total of postings the page states (0 when it says there are none).
inline long postedTotal(const std::string& page) {
    static const std::regex total(R"((\d+) (?:verified )?scores? posted)");
    std::smatch m;
    return std::regex_search(page, m, total) ? std::stol(m[1]) : 0;
}

// Runs a shell command; returns its exit code and standard output.
inline std::pair<int, std::string> shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, out};
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline std::string quoted(const std::string& s) {
    std::string out = "'";
    for (const char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// A throwaway PostgreSQL cluster in a folder of its own (scripts/pg-test-cluster.sh), stopped
// when this object goes.
class PgCluster {
public:
    // The cluster's owner (nobody when the tests run as root) must reach `dir`.
    explicit PgCluster(fs::path dir) : m_dir(std::move(dir)) {
        fs::permissions(m_dir.parent_path(), fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    ~PgCluster() {
        if (m_started) {
            run("stop");
        }
    }
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // False with `why` set when PostgreSQL is not installed; throws when it fails otherwise.
    bool start(std::string& why) {
        const auto [code, out] = run("start");
        if (code == 3) {
            why = "PostgreSQL server programs are not installed (Debian package postgresql)";
            return false;
        }
        std::smatch m;
        if (code != 0 || !std::regex_search(out, m, std::regex("PG_URI='([^']*)'"))) {
            throw std::runtime_error("the test cluster did not start: " + out);
        }
        m_uri = m[1];
        m_started = true;
        return true;
    }
    // Immediate shutdown, as a crash would leave it; start() brings it back.
    void kill() { run("kill"); }
    // Sends `signal` to the postmaster and every process it started (SIGSTOP: a hung database).
    void signalAll(int signal) {
        std::ifstream pidFile(m_dir / "data" / "postmaster.pid");
        pid_t postmaster = 0;
        pidFile >> postmaster;
        if (postmaster <= 0) {
            throw std::runtime_error("no postmaster.pid in " + m_dir.string());
        }
        std::vector<pid_t> members{postmaster};
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            // "pid (command) state ppid ...": the command may hold blanks, so read after ')'.
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos) {
                continue;
            }
            std::istringstream rest(line.substr(close + 1));
            std::string state;
            pid_t parent = 0;
            rest >> state >> parent;
            if (parent == postmaster) {
                members.push_back(std::stoi(name));
            }
        }
        for (const pid_t member : members) {
            ::kill(member, signal);
        }
    }
    // Every process of the cluster stopped, as a hung database, until this goes (whatever the
    // checks between find).
    class Hang {
    public:
        explicit Hang(PgCluster& cluster) : m_cluster(cluster) { m_cluster.signalAll(SIGSTOP); }
        ~Hang() { m_cluster.signalAll(SIGCONT); }
        Hang(const Hang&) = delete;
        Hang& operator=(const Hang&) = delete;

    private:
        PgCluster& m_cluster;
    };
    const std::string& uri() const { return m_uri; }
    // Rows of a query, one line each, columns separated by "|".
    std::string query(const std::string& sql) { return run("query", sql).second; }

private:
    std::pair<int, std::string> run(const std::string& command, const std::string& sql = {}) {
        std::string line = "PG_FSYNC=off bash " BLOOMZAP_SOURCE_DIR "/scripts/pg-test-cluster.sh " +
                           command + " " + quoted(m_dir.string());
        if (!sql.empty()) {
            line += " " + quoted(sql);
        }
        return shell(line + " 2>&1");
    }

    fs::path m_dir;
    std::string m_uri;
    bool m_started = false;
};

enum class Backend { sqlite, postgresql };

// Runs SQL on the test's store and returns the rows, one line each.
inline std::string storeQuery(Backend backend, const fs::path& sqliteFolder, PgCluster& cluster,
                              const std::string& sql) {
    if (backend == Backend::postgresql) {
        return cluster.query(sql);
    }
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open((sqliteFolder / "postings.sqlite3").c_str(), &db) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_exec(
            db, sql.c_str(),
            [](void* out, int columns, char** values, char**) {
                for (int i = 0; i < columns; ++i) {
                    *static_cast<std::string*>(out) += std::string(i > 0 ? "|" : "") + values[i];
                }
                *static_cast<std::string*>(out) += "\n";
                return 0;
            },
            &rows, nullptr);
    }
    sqlite3_close(db);
    return rows;
}

// Names the instances of a test run on each store.
inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::sqlite ? "sqlite" : "postgresql";
}

// Servers over one store of either kind: a SQLite folder or a throwaway PostgreSQL cluster.
class StoreFixture {
protected:
    // Prepares the store; false (with `why`) when it cannot be had on this machine.
    bool prepare(Backend backend, std::string& why) {
        if (backend == Backend::sqlite) {
            m_storeArgs = {"--data", (m_dir / "data").string()};
            return true;
        }
        if (!m_cluster.start(why)) {
            return false;
        }
        m_storeArgs = {"--database", m_cluster.uri()};
        return true;
    }

    // Starts a server on a free port over the store, with the extra arguments.
    std::unique_ptr<ServerProcess> start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--listen", "127.0.0.1:0"};
        args.insert(args.end(), m_storeArgs.begin(), m_storeArgs.end());
        args.insert(args.end(), extra.begin(), extra.end());
        auto server = std::make_unique<ServerProcess>(args);
        EXPECT_TRUE(server->waitServing()) << server->log();
        return server;
    }

    // The key the store's servers sign tickets with, where they keep it (a server has started).
    std::string storeTicketKey() {
        std::string text;
        if (m_cluster.uri().empty()) {
            std::ifstream file(m_dir / "data" / "ticket.key");
            std::getline(file, text);
        } else {
            text = m_cluster.query("SELECT key FROM bloomzap_ticket_key");
            text = text.substr(0, text.find('\n'));
        }
        return server::ticketKeyFromText(text).value();
    }

    TempDir m_dir;
    PgCluster m_cluster{m_dir / "pg"};
    std::vector<std::string> m_storeArgs;
};

} // namespace harness
