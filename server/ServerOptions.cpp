#include "server/ServerOptions.h"

#include "server/ClientAddress.h"

#include "common/SiteNames.h"
#include "common/Version.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace server {

namespace {

int number(const std::string& option, const std::string& value, int low, int high) {
    int result = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (ec != std::errc() || end != value.data() + value.size() || result < low || result > high) {
        throw std::invalid_argument(option + " wants a whole number from " + std::to_string(low) +
                                    " to " + std::to_string(high) + ", not \"" + value + "\"");
    }
    return result;
}

std::vector<std::string> proxies(const std::string& list) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma - start);
        const std::optional<std::string> address = parseAddress(item);
        if (!address || item.find_first_of(" \t") != std::string::npos) {
            throw std::invalid_argument("--trust-proxy wants IP addresses separated by commas, "
                                        "not \"" +
                                        item + "\"");
        }
        result.push_back(*address);
        if (comma == std::string::npos) {
            return result;
        }
        start = comma + 1;
    }
}

enum Option {
    listen = 1000,
    data,
    database,
    versionText,
    updates,
    postLimit,
    threads,
    trustProxy,
    maxConnections,
    perAddress,
    idleTimeout,
    headerTimeout,
    requestTimeout,
    ipv6Prefix,
    tlsCert,
    tlsKey,
    stopPatience,
    dbConnections,
    verifiedOnly,
    ticketKey,
    ticketLimit,
    help,
    version,
};

} // namespace

ServerOptions parseOptions(const std::vector<std::string>& args) {
    static const option longOptions[] = {
        {"listen", required_argument, nullptr, listen},
        {"data", required_argument, nullptr, data},
        {"database", required_argument, nullptr, database},
        {"version-text", required_argument, nullptr, versionText},
        {"updates", required_argument, nullptr, updates},
        {"post-limit", required_argument, nullptr, postLimit},
        {"threads", required_argument, nullptr, threads},
        {"trust-proxy", required_argument, nullptr, trustProxy},
        {"max-connections", required_argument, nullptr, maxConnections},
        {"per-address", required_argument, nullptr, perAddress},
        {"idle-timeout", required_argument, nullptr, idleTimeout},
        {"header-timeout", required_argument, nullptr, headerTimeout},
        {"request-timeout", required_argument, nullptr, requestTimeout},
        {"ipv6-prefix", required_argument, nullptr, ipv6Prefix},
        {"tls-cert", required_argument, nullptr, tlsCert},
        {"tls-key", required_argument, nullptr, tlsKey},
        {"stop-patience", required_argument, nullptr, stopPatience},
        {"db-connections", required_argument, nullptr, dbConnections},
        {"verified-only", no_argument, nullptr, verifiedOnly},
        {"ticket-key", required_argument, nullptr, ticketKey},
        {"ticket-limit", required_argument, nullptr, ticketLimit},
        {"help", no_argument, nullptr, help},
        {"version", no_argument, nullptr, version},
        {nullptr, 0, nullptr, 0},
    };
    std::vector<std::string> owned{"bloomzap-server"};
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : owned) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(owned.size());

    ServerOptions options;
    opterr = 0;
    optind = 0; // start afresh, also on a second call
    int found = 0;
    int index = -1;
    while ((found = getopt_long(argc, argv.data(), ":h", longOptions, &index)) != -1) {
        const std::string value = optarg != nullptr ? optarg : "";
        const std::string name =
            index >= 0 ? std::string("--") + longOptions[index].name : std::string();
        switch (found) {
        case 'h':
        case help:
            options.help = true;
            break;
        case version:
            options.version = true;
            break;
        case listen: {
            const std::size_t colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0) {
                throw std::invalid_argument("--listen wants HOST:PORT, not \"" + value + "\"");
            }
            options.host = value.substr(0, colon);
            if (options.host.size() > 2 && options.host.front() == '[' &&
                options.host.back() == ']') {
                options.host = options.host.substr(1, options.host.size() - 2);
            }
            options.port = number("--listen", value.substr(colon + 1), 0, 65535);
            break;
        }
        case data:
            options.database = "sqlite:" + value;
            break;
        case database:
            options.database = value;
            break;
        case versionText:
            options.serve.versionText = value;
            break;
        case updates:
            options.serve.updates = value;
            break;
        case postLimit:
            options.serve.postLimit = number(name, value, 0, 1'000'000);
            break;
        case threads:
            // Older set-ups asked for a thread per request; more than 64 serve no purpose now.
            options.serve.threads = std::min(number(name, value, 1, 1024), 64);
            break;
        case trustProxy:
            options.serve.trustedProxies = proxies(value);
            break;
        case maxConnections:
            options.serve.maxConnections = number(name, value, 1, 100'000);
            break;
        case perAddress:
            options.serve.connectionsPerAddress = number(name, value, 1, 100'000);
            break;
        case idleTimeout:
            options.serve.idleTimeout = number(name, value, 1, 3600);
            break;
        case headerTimeout:
            options.serve.headerTimeout = number(name, value, 1, 3600);
            break;
        case requestTimeout:
            options.serve.requestTimeout = number(name, value, 1, 3600);
            break;
        case ipv6Prefix:
            options.serve.ipv6Prefix = number(name, value, 1, 128);
            break;
        case tlsCert:
        case tlsKey:
            if (value.empty()) {
                throw std::invalid_argument(name + " wants a file name");
            }
            (found == tlsCert ? options.serve.tlsCertificate : options.serve.tlsKey) = value;
            break;
        case stopPatience:
            options.serve.stopPatience = number(name, value, 0, 3600);
            break;
        case dbConnections:
            options.databaseConnections = number(name, value, 1, 100);
            break;
        case verifiedOnly:
            options.serve.verifiedOnly = true;
            break;
        case ticketKey:
            if (value.empty()) {
                throw std::invalid_argument("--ticket-key wants a file name");
            }
            options.ticketKeyFile = value;
            break;
        case ticketLimit:
            options.serve.ticketLimit = number(name, value, 0, 1'000'000);
            break;
        case ':':
            throw std::invalid_argument(std::string(argv[static_cast<std::size_t>(optind) - 1]) +
                                        " needs a value");
        default:
            throw std::invalid_argument("unknown argument \"" +
                                        std::string(argv[static_cast<std::size_t>(optind) - 1]) +
                                        "\"");
        }
        index = -1;
    }
    if (optind < argc) {
        throw std::invalid_argument("unknown argument \"" +
                                    std::string(argv[static_cast<std::size_t>(optind)]) + "\"");
    }
    if (options.help || options.version) {
        return options;
    }
    if (options.serve.tlsCertificate.empty() != options.serve.tlsKey.empty()) {
        throw std::invalid_argument("TLS needs both --tls-cert FILE and --tls-key FILE");
    }
    if (options.database.empty()) {
        throw std::invalid_argument("say where to keep the postings: --data DIR or --database "
                                    "sqlite:DIR or --database postgresql://…");
    }
    const bool sqlite = options.database.rfind("sqlite:", 0) == 0;
    const bool postgres = options.database.rfind("postgresql://", 0) == 0 ||
                          options.database.rfind("postgres://", 0) == 0;
    if (!(sqlite || postgres) || options.database == "sqlite:") {
        throw std::invalid_argument("--database wants sqlite:DIR or postgresql://…, not \"" +
                                    options.database + "\"");
    }
    return options;
}

std::string usage() {
    // Pads a site path to the column where its description starts.
    const auto row = [](std::string_view path, std::string_view what) {
        std::string line = "  " + std::string(path);
        // Width in characters: UTF-8 continuation bytes take no column.
        const auto width = std::count_if(line.begin(), line.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
        });
        line.append(width < 45 ? 48 - width : 3, ' ');
        return line + std::string(what) + "\n";
    };
    const std::string installer =
        std::string(site::updateFolder) + std::string(site::installerName);
    const std::string statement =
        std::string(site::updateFolder) + std::string(site::statementName);
    return R"(Usage: bloomzap-server [--listen HOST:PORT] (--data DIR | --database DB) [options]

The score and update server of Bloomzap. It answers, under its site root:
)" + row(std::string(site::postingPath) + "?name=…&date=…&score=…", "stores a posted score") +
           row(site::highScorePath, "the high-score page (best 100)") +
           row(site::versionPath, "the current version text") +
           row(site::ticketPath, "a signed ticket for one game") +
           row(std::string(site::replayPath) + " (POST)",
               "a game's record: replayed, its posting verified") +
           row(installer + ", " + statement, "the installer and its signature") +
           row("/, multiplayer.html", "the home page and the invitation page") + R"(

Options (a value follows as "--opt value" or "--opt=value"):
  --listen HOST:PORT     address to listen on (default 127.0.0.1:8080; port 0: any free port)
  --data DIR             keep the postings in DIR/postings.sqlite3 (same as --database sqlite:DIR)
  --database DB          sqlite:DIR, or a PostgreSQL URI such as
                         postgresql:///bloomzap?host=/run/postgresql
  --version-text T       the version text to publish (default )" +
           std::string(site::programVersion) + R"()
  --updates DIR          folder holding )" +
           std::string(site::installerName) + " and " + std::string(site::statementName) + R"(
  --post-limit N         postings a minute allowed from one address (default 10; 0: no limit);
                         the same number of game records may be sent for replay
  --ticket-limit N       game tickets an hour given to one address (default 60, a game a
                         minute, faster than a person plays for long; 0: no limit)
  --verified-only        list only verified scores: those whose game the server replayed
                         from its record to the posted score
  --ticket-key FILE      the secret that signs game tickets, as 64 hex digits; made (readable
                         by its owner only) when FILE does not exist. Default: ticket.key in
                         the SQLite folder, or kept in the PostgreSQL database
  --trust-proxy A[,A…]   take the client address from X-Real-IP when the request comes from
                         one of these proxy addresses (for a server behind nginx), and only
                         when the header holds one IP address
  --threads N            threads serving connections (default: one per core, at most 4;
                         at most 64 are used)
  --tls-cert FILE        speak https only, with this certificate chain (PEM, the server's own
  --tls-key FILE         first) and its private key (PEM, readable by its owner only); TLS 1.2
                         and 1.3. Both files are read again on SIGHUP: a renewed certificate
                         needs no restart
  --max-connections N    open connections in all (default 16384, fewer when the open-file
                         limit allows no more); when all are taken, the requests that have
                         been arriving longest make room for a new connection
  --per-address N        open connections from one client address (default 32)
  --ipv6-prefix BITS     an IPv6 client is its network of this many bits for every
                         per-address limit (default 64); an IPv4-mapped address counts as
                         its IPv4 address
  --idle-timeout S       seconds a connection may stay without progress (default 10)
  --header-timeout S     seconds a client may take to send a request line and its headers
                         (default 30)
  --request-timeout S    seconds a client may take to send a whole request, its body included
                         (default 30); a body must also average )" +
           std::to_string(ScoreServer::minBodyRate) + " bytes a second after its first " +
           std::to_string(ScoreServer::minBodyGraceSeconds) + R"( seconds
  --stop-patience S      seconds a stop waits for the requests under way (default 10)
  --db-connections N     most PostgreSQL connections for requests (default 4)
  --version              show the program's version
  --help                 show this text

A posting is answered only once it is on disk. A game played on a ticket of this server sends its
record after its posting; the server replays it and, when it ends with the posted score, marks
that posting verified (one posting per ticket, tickets valid for 24 hours). A record whose game
lasted longer than the time since its ticket was issued is refused, and so is one whose ticket
was spent, before any replay. The high-score page
marks verified scores. One line per request goes to standard error in
the common log format, as do the server's own messages; lines the reader of standard error does
not take in time are dropped and counted. SIGINT or SIGTERM ends the server after the requests
under way; new connections are turned away meanwhile, and postings and game records get 503.
SIGHUP reads the TLS certificate and key again. A ticket key or TLS key file that group or
others may read is refused. Exit status: 0 after a
clean stop, 2 when the server cannot start (wrong arguments, address in use, data folder or
database not usable).
)";
}

} // namespace server
