#include "server/ServerOptions.h"

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

} // namespace

ServerOptions parseOptions(const std::vector<std::string>& args) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--listen") {
            const std::string& address = value();
            const std::size_t colon = address.rfind(':');
            if (colon == std::string::npos || colon == 0) {
                throw std::invalid_argument("--listen wants HOST:PORT, not \"" + address + "\"");
            }
            options.host = address.substr(0, colon);
            if (options.host.size() > 2 && options.host.front() == '[' &&
                options.host.back() == ']') {
                options.host = options.host.substr(1, options.host.size() - 2);
            }
            options.port = number("--listen", address.substr(colon + 1), 0, 65535);
        } else if (arg == "--data") {
            options.database = "sqlite:" + value();
        } else if (arg == "--database") {
            options.database = value();
        } else if (arg == "--version-text") {
            options.serve.versionText = value();
        } else if (arg == "--updates") {
            options.serve.updates = value();
        } else if (arg == "--post-limit") {
            options.serve.postLimit = number(arg, value(), 0, 1'000'000);
        } else if (arg == "--threads") {
            options.serve.threads = number(arg, value(), 1, 1024);
        } else if (arg == "--trust-proxy") {
            options.serve.trustProxy = true;
        } else {
            throw std::invalid_argument("unknown argument \"" + arg + "\"");
        }
    }
    if (!options.help && options.database.empty()) {
        throw std::invalid_argument("say where to keep the postings: --data DIR or --database "
                                    "sqlite:DIR or --database postgresql://…");
    }
    const bool sqlite = options.database.rfind("sqlite:", 0) == 0;
    const bool postgres = options.database.rfind("postgresql://", 0) == 0 ||
                          options.database.rfind("postgres://", 0) == 0;
    if (!options.help && (!(sqlite || postgres) || options.database == "sqlite:")) {
        throw std::invalid_argument("--database wants sqlite:DIR or postgresql://…, not \"" +
                                    options.database + "\"");
    }
    return options;
}

std::string usage() {
    return R"(Usage: bloomzap-server [--listen HOST:PORT] (--data DIR | --database DB) [options]

The score and update server of Bloomzap. It answers, under its site root:
  cgi-bin/bloomzap.cgi?name=…&date=…&score=…   stores a posted score
  counter/bloomzap.shtml                        the high-score page (best 100)
  bloomzap/bloomzapversion.txt                  the current version text
  bloomzap/bzpsetup.exe, bloomzap/bzpsetup.exe.sig   the installer and its signature
  /, multiplayer.html                           the home page and the invitation page

Options:
  --listen HOST:PORT   address to listen on (default 127.0.0.1:8080; port 0: any free port)
  --data DIR           keep the postings in DIR/postings.sqlite3 (same as --database sqlite:DIR)
  --database DB        sqlite:DIR, or a PostgreSQL URI such as
                       postgresql:///bloomzap?host=/run/postgresql
  --version-text T     the version text to publish (default 1.0.0)
  --updates DIR        folder holding bzpsetup.exe and bzpsetup.exe.sig
  --post-limit N       postings a minute allowed from one address (default 10; 0: no limit)
  --threads N          requests served at the same time (default 32)
  --trust-proxy        take the client address from X-Real-IP when the request comes from a
                       proxy on this machine (for a server behind nginx)
  --help               show this text

One line per request goes to standard error in the common log format. SIGINT or SIGTERM ends the
server after the requests under way. Exit status: 0 after a clean stop, 2 when the server cannot
start (wrong arguments, address in use, data folder or database not usable).
)";
}

} // namespace server
