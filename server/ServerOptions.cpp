#include "server/ServerOptions.h"

#include "server/ClientAddress.h"

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
    replayDays,
    replayKeep,
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
        {"replay-days", required_argument, nullptr, replayDays},
        {"replay-keep", required_argument, nullptr, replayKeep},
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
        case replayDays:
            options.serve.replayDays = number(name, value, 1, 3660);
            break;
        case replayKeep:
            options.serve.replayKeep = number(name, value, 1, 1000);
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

} // namespace server
