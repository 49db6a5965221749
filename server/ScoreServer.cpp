#include "server/ScoreServer.h"

#include "server/ConnectionGuard.h"
#include "server/DailyRoute.h"
#include "server/Dispatcher.h"
#include "server/FileRoute.h"
#include "server/PageCache.h"
#include "server/PageRoute.h"
#include "server/PostingRoute.h"
#include "server/RecordRoute.h"
#include "server/Router.h"
#include "server/Waits.h"

#include "common/SiteNames.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace server {

namespace {

constexpr int listenBacklog = 1024;
// After the stop's patience, how long it waits for the answers to those whose wait it gave up.
constexpr auto stopAnswerPatience = std::chrono::seconds(1);

} // namespace

// Everything the engine's callbacks use, for one run. Declared in the order they are made; they
// go in reverse order, once the engine has stopped: the replay threads, the renderer, then the
// connection guard's sweeper.
struct ScoreServer::Parts {
    Parts(const ServeSettings& settings, ScoreStore& store, const TicketSigner& signer,
          AccessLog& log, int replayThreads)
        : guard(settings, log), pages(settings, store, waits, log), files(settings),
          postings(settings, store, waits, pages, log), pageRoute(pages, waits),
          records(settings, store, signer, waits, pages, log, replayThreads),
          daily(settings, store, pages, waits, log),
          // The table of every path the server answers; any other is the file route's 404.
          router({{sitePath(site::postingPath), &postings},
                  {sitePath(site::ticketPath), &records},
                  {sitePath(site::dailyTicketPath), &records},
                  {sitePath(site::replayPath), &records},
                  {sitePath(site::highScorePath), &pageRoute},
                  {sitePath(site::dailyPagePath), &daily},
                  {sitePath(site::watchPath), &daily},
                  {sitePath(site::multiplayerPath), &pageRoute},
                  {"/", &files},
                  {sitePath(site::versionPath), &files},
                  {sitePath(site::updateFolder, site::installerName), &files},
                  {sitePath(site::updateFolder, site::statementName), &files}},
                 files),
          dispatcher(settings, guard, router, log) {}

    std::shared_ptr<Waits> waits = std::make_shared<Waits>();
    ConnectionGuard guard;
    PageCache pages;
    FileRoute files;
    PostingRoute postings;
    PageRoute pageRoute;
    RecordRoute records;
    DailyRoute daily;
    Router router;
    Dispatcher dispatcher;
};

std::int64_t ServeSettings::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() +
           clockShift * 1000;
}

ScoreServer::ScoreServer(ServeSettings settings)
    : m_log(std::make_unique<AccessLog>(settings.log)), m_settings(std::move(settings)) {}

ScoreServer::~ScoreServer() {
    if (m_listenSocket >= 0) {
        ::close(m_listenSocket);
    }
}

bool ScoreServer::bind(const std::string& host, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    const std::string where = "cannot listen on " + host + ":" + service + ": ";
    if (rc != 0) {
        error = where + gai_strerror(rc);
        return false;
    }
    std::string why = "address not usable";
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = std::strerror(errno);
            continue;
        }
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, listenBacklog) != 0) {
            why = std::strerror(errno);
            ::close(fd);
            continue;
        }
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
        m_port =
            ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        m_listenSocket = fd;
        freeaddrinfo(found);
        return true;
    }
    freeaddrinfo(found);
    error = where + why;
    return false;
}

bool ScoreServer::run(ScoreStore& store, std::string& error) {
    if (!m_signer) {
        error = "no ticket key was given";
        return false;
    }
    // Replays take processor time; one thread per core keeps the connection threads answering.
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const unsigned busyThreads = std::min(cores, 4U);
    const unsigned threads =
        m_settings.threads > 0 ? static_cast<unsigned>(m_settings.threads) : busyThreads;
    Parts parts(m_settings, store, *m_signer, *m_log, static_cast<int>(busyThreads));
    store.watchChanges([&parts] { parts.pages.changed(); });

    // The cap is kept by the guard, which makes room by cutting the oldest requests; the engine's
    // own limit, which it splits evenly between its threads, only needs to stay out of the way
    // while those cut connections are closed.
    const intptr_t engineLimit = 2 * static_cast<intptr_t>(m_settings.maxConnections) + 256;
    std::vector<MHD_OptionItem> options{
        {MHD_OPTION_EXTERNAL_LOGGER, reinterpret_cast<intptr_t>(&ConnectionGuard::onEngineMessage),
         nullptr},
        {MHD_OPTION_LISTEN_SOCKET, m_listenSocket, nullptr},
        {MHD_OPTION_THREAD_POOL_SIZE, threads > 1 ? static_cast<intptr_t>(threads) : 0, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, engineLimit, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, m_settings.idleTimeout, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(connectionMemory), nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&Dispatcher::onTarget), nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Dispatcher::onCompleted),
         &parts.dispatcher},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&ConnectionGuard::onConnection),
         &parts.guard},
        {MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1, nullptr},
    };
    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    if (m_tls) {
        flags |= MHD_USE_TLS;
        options.push_back({MHD_OPTION_HTTPS_PRIORITIES, 0,
                           const_cast<char*>("NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2")});
        options.push_back({MHD_OPTION_HTTPS_CERT_CALLBACK, 0, TlsCredentials::retrieveFunction()});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    MHD_Daemon* daemon =
        MHD_start_daemon(flags, 0, &ConnectionGuard::onAccept, &parts.guard, &Dispatcher::onRequest,
                         &parts.dispatcher, MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
    if (daemon != nullptr) {
        m_listenSocket = -1; // the engine owns it now
        serveUntilStopped(parts);
        MHD_stop_daemon(daemon);
    } else {
        error = "the HTTP engine did not start";
    }
    store.watchChanges({});
    return daemon != nullptr;
}

void ScoreServer::serveUntilStopped(Parts& parts) {
    {
        std::unique_lock lock(m_stopMutex);
        m_stopWake.wait(lock, m_stop.get_token(), [] { return false; });
    }
    // No new connections and no new waits; the answers under way are finished first.
    parts.waits->close();
    parts.guard.closeDoor();
    parts.guard.awaitRequests(std::chrono::seconds(m_settings.stopPatience));
    parts.waits->giveUp();
    parts.guard.awaitRequests(stopAnswerPatience);
}

bool ScoreServer::loadTls(std::string& error) {
    if (m_settings.tlsCertificate.empty() && m_settings.tlsKey.empty()) {
        return true;
    }
    if (m_settings.tlsCertificate.empty() || m_settings.tlsKey.empty()) {
        error = "TLS needs both --tls-cert and --tls-key";
        return false;
    }
    auto tls = std::make_unique<TlsCredentials>(m_settings.tlsCertificate, m_settings.tlsKey);
    if (!tls->load(error)) {
        return false;
    }
    m_tls = std::move(tls);
    return true;
}

void ScoreServer::reloadTls() {
    if (!m_tls) {
        return;
    }
    std::string error;
    if (m_tls->load(error)) {
        note("bloomzap-server: TLS certificate " + m_settings.tlsCertificate.string() +
             " read again");
    } else {
        m_log->problem("TLS certificate not renewed", error);
    }
}

void ScoreServer::useTicketKey(const std::string& key) {
    m_signer = std::make_unique<TicketSigner>(key);
}

void ScoreServer::stop() {
    m_stop.request_stop(); // wakes run()'s wait through its stop token
}

void ScoreServer::note(std::string line) {
    m_log->add(std::move(line));
}

} // namespace server
