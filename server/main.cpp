// bloomzap-server: the score and update server of Bloomzap.

#include "common/Version.h"
#include "server/PgStore.h"
#include "server/ScoreServer.h"
#include "server/ServerOptions.h"
#include "server/SqliteStore.h"
#include "server/TicketSigner.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <stdexcept>
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
// keep the connection limit below that.
void fitDescriptors(server::ServeSettings& serve) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
    constexpr rlim_t reserved = 64; // log, store, update files, the engine's own
    if (limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(serve.maxConnections) + reserved > limit.rlim_cur) {
        serve.maxConnections =
            limit.rlim_cur > 2 * reserved ? static_cast<int>(limit.rlim_cur - reserved) : 16;
    }
}

} // namespace

int main(int argc, char** argv) {
    server::ServerOptions options;
    try {
        options = server::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
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
    fitDescriptors(options.serve);

    // Signals are taken by one thread with sigwait; every other thread (the request threads
    // inherit this mask) leaves them alone.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    server::ScoreServer http(options.serve);
    std::string error;
    // The address first: a busy port must not leave a new data folder behind.
    if (!http.bind(options.host, options.port, error)) {
        std::cerr << "bloomzap-server: " << error << "\n";
        return 2;
    }
    std::unique_ptr<server::ScoreStore> store;
    try {
        store = openStore(options);
        // A key of its own for every server, kept across restarts so that tickets issued before
        // one stay good.
        http.useTicketKey(options.ticketKeyFile.empty()
                              ? store->ticketKey()
                              : server::loadOrCreateTicketKey(options.ticketKeyFile));
    } catch (const std::exception& e) {
        std::cerr << "bloomzap-server: " << e.what() << "\n";
        return 2;
    }

    std::thread signalWaiter([&http, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(stderr, "bloomzap-server: stopping on signal %d\n", signal);
        http.stop();
    });

    const std::string host =
        options.host.find(':') != std::string::npos ? "[" + options.host + "]" : options.host;
    std::fprintf(stderr, "bloomzap-server: serving http://%s:%d/\n", host.c_str(), http.port());
    const bool served = http.run(*store, error);
    // Should serving end by itself, the waiter still waits: wake it so it can be joined.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    store.reset();
    if (!served) {
        std::fprintf(stderr, "bloomzap-server: %s\n", error.c_str());
        return 2;
    }
    std::fprintf(stderr, "bloomzap-server: stopped\n");
    return 0;
}
