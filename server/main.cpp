// bloomzap-server: the score and update server of Bloomzap.

#include "common/Version.h"
#include "server/PgStore.h"
#include "server/PrivateFile.h"
#include "server/ScoreServer.h"
#include "server/ServerOptions.h"
#include "server/SqliteStore.h"
#include "server/TicketSigner.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <stdexcept>
#include <string_view>
#include <sys/resource.h>
#include <thread>

namespace {

std::unique_ptr<server::ScoreStore> openStore(const server::ServerOptions& options) {
    if (options.database.rfind("sqlite:", 0) == 0) {
        return std::make_unique<server::SqliteStore>(options.database.substr(7));
    }
    return std::make_unique<server::PgStore>(options.database, options.databaseConnections);
}

// Every connection takes a descriptor: allow as many as the system lets this process have, and
// keep the connection limit below that. Returns the limit it had to lower, 0 when it did not.
int fitDescriptors(server::ServeSettings& serve) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 0;
    }
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
    constexpr rlim_t reserved = 64; // log, store, update files, the engine's own
    if (limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(serve.maxConnections) + reserved > limit.rlim_cur) {
        const int asked = serve.maxConnections;
        serve.maxConnections =
            limit.rlim_cur > 2 * reserved ? static_cast<int>(limit.rlim_cur - reserved) : 16;
        return asked;
    }
    return 0;
}

// Secrets in files others may read are refused, as ssh refuses such a private key.
void checkSecrets(const server::ServerOptions& options) {
    if (!options.ticketKeyFile.empty()) {
        server::requireOwnerOnly(options.ticketKeyFile, "the ticket key");
    } else if (options.database.rfind("sqlite:", 0) == 0) {
        server::requireOwnerOnly(std::filesystem::path(options.database.substr(7)) /
                                     server::SqliteStore::keyFileName,
                                 "the ticket key");
    }
}

// Tests play on other days through BLOOMZAP_SERVER_CLOCK_SHIFT, whole seconds (negative: the
// past) added to the server's clock. Throws std::invalid_argument for anything else.
std::int64_t clockShift() {
    const char* text = std::getenv("BLOOMZAP_SERVER_CLOCK_SHIFT");
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    std::int64_t shift = 0;
    const std::string_view value(text);
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), shift);
    constexpr std::int64_t tenYears = 3660LL * 24 * 60 * 60;
    if (ec != std::errc() || end != value.data() + value.size() || shift > tenYears ||
        shift < -tenYears) {
        throw std::invalid_argument("BLOOMZAP_SERVER_CLOCK_SHIFT wants whole seconds, not \"" +
                                    std::string(value) + "\"");
    }
    return shift;
}

} // namespace

int main(int argc, char** argv) {
    server::ServerOptions options;
    try {
        options = server::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        options.serve.clockShift = clockShift();
    } catch (const std::invalid_argument& e) {
        std::cerr << "bloomzap-server: " << e.what() << " (try bloomzap-server --help)\n";
        return 2;
    }
    if (options.help) {
        std::cout << server::usage();
        return 0;
    }
    if (options.version) {
        std::cout << "bloomzap-server " << site::programVersion << "\n";
        return 0;
    }
    const int lowered = fitDescriptors(options.serve);

    // Signals are taken by one thread with sigwait; every other thread (the request threads
    // inherit this mask) leaves them alone.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // From here on every line goes through the server's log, which never waits for its reader:
    // a stop must not hang on a standard error nobody reads.
    server::ScoreServer http(options.serve);
    if (lowered != 0) {
        http.note("bloomzap-server: " + std::to_string(options.serve.maxConnections) +
                  " connections at most, not " + std::to_string(lowered) +
                  ": the open-file limit allows no more");
    }
    std::string error;
    if (!http.loadTls(error)) {
        http.note("bloomzap-server: " + error);
        return 2;
    }
    // The address first: a busy port must not leave a new data folder behind.
    if (!http.bind(options.host, options.port, error)) {
        http.note("bloomzap-server: " + error);
        return 2;
    }
    std::unique_ptr<server::ScoreStore> store;
    try {
        checkSecrets(options);
        store = openStore(options);
        // A key of its own for every server, kept across restarts so that tickets issued before
        // one stay good.
        http.useTicketKey(options.ticketKeyFile.empty()
                              ? store->ticketKey()
                              : server::loadOrCreateTicketKey(options.ticketKeyFile));
    } catch (const std::exception& e) {
        http.note(std::string("bloomzap-server: ") + e.what());
        return 2;
    }

    std::thread signalWaiter([&http, signals] {
        for (;;) {
            int signal = 0;
            sigwait(&signals, &signal);
            if (signal == SIGHUP) {
                http.reloadTls();
                continue;
            }
            http.note("bloomzap-server: stopping on signal " + std::to_string(signal));
            http.stop();
            return;
        }
    });

    const std::string host =
        options.host.find(':') != std::string::npos ? "[" + options.host + "]" : options.host;
    http.note(std::string("bloomzap-server: serving ") + (http.speaksTls() ? "https" : "http") +
              "://" + host + ":" + std::to_string(http.port()) + "/");
    const bool served = http.run(*store, error);
    // Should serving end by itself, the waiter still waits: wake it so it can be joined.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    store.reset();
    if (!served) {
        http.note("bloomzap-server: " + error);
        return 2;
    }
    http.note("bloomzap-server: stopped");
    return 0;
}
