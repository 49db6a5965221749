// The --help text of bloomzap-server, beside the parser in ServerOptions.cpp.

#include "server/ServerOptions.h"

#include "common/SiteNames.h"
#include "common/Version.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace server {

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
           row(site::dailyTicketPath, "a signed ticket for today's Daily Bloom") +
           row(std::string(site::replayPath) + " (POST)",
               "a game's record: replayed, its posting verified") +
           row(std::string(site::dailyPagePath) + "?day=…",
               "the Daily Bloom list of today or an earlier day") +
           row(std::string(site::watchPath) + "?id=…", "a kept game record, to watch") +
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
  --replay-days N        days the records of each Daily Bloom list's best games are kept
                         to be watched (default 30)
  --replay-keep N        records kept of the all-time list's best verified games and of
                         each Daily Bloom list's best (default 100); others are pruned
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
marks verified scores and links to the kept records of their games. A game played on the day's
ticket (the same flowers for everyone that UTC day) enters that day's Daily Bloom list; a name's
first verified daily game of the day counts, later ones are listed as practice. One line per request goes to standard error in
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
