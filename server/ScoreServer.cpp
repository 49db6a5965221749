#include "server/ScoreServer.h"

#include "common/HttpText.h"
#include "common/SiteNames.h"
#include "common/Version.h"

#include "server/AccessLog.h"
#include "server/AddressRateLimit.h"
#include "server/ClientAddress.h"
#include "server/Pages.h"
#include "server/PostingCheck.h"
#include "server/ReplayCheck.h"

#include "engine/GameRecord.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <list>
#include <map>
#include <thread>
#include <unordered_map>

namespace server {

namespace {

// How long a client told the server is busy waits before it tries again.
constexpr char retryAfterSeconds[] = "5";

constexpr const char* htmlType = "text/html; charset=utf-8";
constexpr const char* textType = "text/plain; charset=utf-8";
constexpr int listenBacklog = 1024;
// After a failed render the last copy is served for this long before the store is tried again.
constexpr auto renderBackoff = std::chrono::seconds(2);
// After the stop's patience, how long it waits for the answers to those whose wait it gave up.
constexpr auto stopAnswerPatience = std::chrono::seconds(1);

// A response the engine owns; our reference is dropped when this goes.
struct ResponseRef {
    MHD_Response* response = nullptr;
    std::size_t bytes = 0;
    ResponseRef() = default;
    ResponseRef(MHD_Response* r, std::size_t size) : response(r), bytes(size) {}
    ~ResponseRef() {
        if (response != nullptr) {
            MHD_destroy_response(response);
        }
    }
    ResponseRef(ResponseRef&& other) noexcept : response(other.response), bytes(other.bytes) {
        other.response = nullptr;
    }
    ResponseRef& operator=(ResponseRef&& other) noexcept {
        std::swap(response, other.response);
        std::swap(bytes, other.bytes);
        return *this;
    }
};

ResponseRef makeResponse(const std::string& body, const char* type, bool noCache = false) {
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
    if (r == nullptr) {
        throw std::bad_alloc();
    }
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (noCache) {
        MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
    }
    return ResponseRef(r, body.size());
}

// Whether a request path ("/…") names `first` + `second` under the site root.
bool names(std::string_view path, std::string_view first, std::string_view second = {}) {
    return path.size() == 1 + first.size() + second.size() && path.front() == '/' &&
           path.substr(1, first.size()) == first && path.substr(1 + first.size()) == second;
}

// The path of a request target, without its query.
std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

// Whether a Content-Length value announces more than `limit` bytes (or is no number at all).
bool longerThan(const char* length, std::size_t limit) {
    return !httptext::decimal(length, static_cast<std::int64_t>(limit));
}

// The status of the last answer the engine gave by itself in this thread (a request line too
// long for its memory: 414), from its error report; 0 once logged.
thread_local int engineRefusal = 0;

// The engine's error reports: only its own answers are of use, and they are logged with their
// connection.
void onEngineMessage(void*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    constexpr std::string_view mark = "HTTP response code is ";
    const char* code = std::strstr(text, mark.data());
    if (code != nullptr) {
        engineRefusal = std::atoi(code + mark.size());
    }
}

// The longest body taken with a request other than a game record.
constexpr std::size_t maxOtherBody = 8192;

// The longest body taken with `r`.
template <class Request> std::size_t bodyLimit(const Request& r) {
    return r.replayPost ? maxRecordBytes : maxOtherBody;
}

// "07/Dec/2026:13:58:44 +0000"-style local time for the log.
std::string logTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[40];
    std::strftime(when, sizeof when, "%d/%b/%Y:%H:%M:%S %z", &local);
    return when;
}

} // namespace

struct ScoreServer::Pages {
    std::uint64_t generation = 0;
    ResponseRef highScores;
    ResponseRef multiplayer;
};

// A game record on its way through a replay thread; shared, so that a replay still running when
// the server stops never writes into a finished request.
struct ReplayJob {
    std::string body;
    std::int64_t arrivedMs = 0; // unix ms when the whole record was in
    ReplayAnswer answer;
};

// Unix milliseconds now.
std::int64_t unixMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// One request from its first line to its last byte sent.
struct ScoreServer::Request {
    enum class Wait { none, posting, page, replay };
    std::string target; // as sent, escapes undecoded
    std::string requestLine;
    std::string address;   // as logged
    std::string clientKey; // whom it counts against for the per-address limits
    int status = 0;
    std::size_t bytes = 0;
    Wait waiting = Wait::none;
    bool headersSeen = false;
    std::size_t bodyBytes = 0;
    StoreClock::time_point headAt; // when its head was in
    bool tooLarge = false;         // a body that grew past its limit: dropped, then 413
    bool underWay = false;         // counted in Engine::underWay until it completes
    bool givenUp = false;          // its wait was ended by a stop, not by its answer
    // Set by a store thread before the connection is resumed.
    AddOutcome outcome;
    bool highScorePage = true;
    std::shared_ptr<const Pages> pages; // the copy to serve; null: none could be rendered
    // A game record (POST of the replay path): its body as it arrives, then its replay.
    bool replayPost = false;
    std::shared_ptr<ReplayJob> replay;
};

// The libmicrohttpd daemon with everything its callbacks use.
struct ScoreServer::Engine {
    ScoreServer& owner;
    const ServeSettings& settings;
    AccessLog& log;
    MHD_Daemon* daemon = nullptr;
    ResponseRef home, version, notFound;

    // Connections suspended while the store, the renderer or a replayer works for them. The
    // engine must not stop with one still suspended, so a stop closes the door to new waits and
    // at last resumes those left. Each wait ends once: an answer that comes after finds nothing
    // and touches nothing, even once the engine is gone.
    struct Waits {
        std::mutex mutex;
        bool accepting = true;
        std::uint64_t lastId = 0;
        std::map<std::uint64_t, std::pair<MHD_Connection*, Request*>> suspended;

        // Hands the waiting request to `answer` and resumes its connection, if it still waits.
        template <class Answer> void finish(std::uint64_t id, Answer&& answer) {
            const std::lock_guard lock(mutex);
            const auto it = suspended.find(id);
            if (it != suspended.end()) {
                answer(*it->second.second);
                MHD_resume_connection(it->second.first);
                suspended.erase(it);
            }
        }
        // No new waits from now on: requests that would wait are answered at once.
        void close() {
            const std::lock_guard lock(mutex);
            accepting = false;
        }
        // After close(): resumes every connection still waiting, to be answered without what it
        // waits for.
        void giveUp() {
            const std::lock_guard lock(mutex);
            for (auto& [id, waiting] : suspended) {
                waiting.second->givenUp = true;
                MHD_resume_connection(waiting.first);
            }
            suspended.clear();
        }
    };
    std::shared_ptr<Waits> waits = std::make_shared<Waits>();

    // Requests from their handling to their last byte sent: a stop lets them finish.
    std::mutex underWayMutex;
    std::condition_variable underWayDone;
    int underWay = 0;

    std::atomic<std::uint64_t> generation{1};
    std::mutex pagesMutex;
    std::shared_ptr<const Pages> pages;
    StoreClock::time_point renderBackoffUntil{};

    // Every open connection, and in arrival order of their requests those still receiving one
    // (`requests`) and those still receiving its head (`heads`). A guard cuts those whose request
    // or head has taken longer than allowed, looking only at the front of each list; when the
    // connection cap is reached, the oldest requests still receiving make room for a new
    // connection. A connection being answered, or waiting for the store, is in neither list.
    struct Link {
        int fd = -1;
        std::string key; // whom it counts against; empty for a trusted proxy
        StoreClock::time_point since;
        std::list<Link*>::iterator headPlace, requestPlace;
        bool inHeads = false, inRequests = false;
        std::atomic<std::size_t> bodyExpected{0}, bodyReceived{0};
        bool requestSeen = false; // its current request reached us (onTarget)
    };
    std::mutex linksMutex;
    std::condition_variable guardWake;
    std::list<Link*> heads, requests;
    std::unordered_map<std::string, int> perAddress; // at most one entry per open connection
    std::atomic<int> open{0};
    bool guardStopping = false;
    std::thread guard;

    // Cleared when the server stops. New connections are turned away here rather than by
    // quiescing the engine: with a pool of epoll threads, libmicrohttpd's quiesce races the
    // threads' own handling of the listening socket and can abort the process.
    std::atomic<bool> admitting{true};

    bool trusted(const std::string& peer) const {
        return std::find(settings.trustedProxies.begin(), settings.trustedProxies.end(), peer) !=
               settings.trustedProxies.end();
    }
    // Whom a peer counts against for the connection limit; empty: nobody (a trusted proxy).
    std::string connectionKey(const std::string& peer) const {
        return trusted(peer) ? std::string() : limitKey(peer, settings.ipv6Prefix);
    }

    // Under linksMutex: takes `link` out of the lists it is in.
    void unlist(Link& link) {
        if (link.inHeads) {
            heads.erase(link.headPlace);
            link.inHeads = false;
        }
        if (link.inRequests) {
            requests.erase(link.requestPlace);
            link.inRequests = false;
        }
    }
    // Under linksMutex: a new request begins on `link`.
    void begin(Link& link) {
        unlist(link);
        link.since = StoreClock::now();
        link.bodyExpected = 0;
        link.bodyReceived = 0;
        link.headPlace = heads.insert(heads.end(), &link);
        link.requestPlace = requests.insert(requests.end(), &link);
        link.inHeads = link.inRequests = true;
    }
    // Under linksMutex: the engine sees the connection fail and closes it.
    void cut(Link& link) {
        unlist(link);
        ::shutdown(link.fd, SHUT_RDWR);
    }

    bool mayConnect(const sockaddr* address) {
        if (!admitting) {
            return false;
        }
        const std::string key = connectionKey(addressText(address));
        const std::lock_guard lock(linksMutex);
        if (!key.empty()) {
            const auto it = perAddress.find(key);
            if (it != perAddress.end() && it->second >= settings.connectionsPerAddress) {
                return false;
            }
        }
        if (open < settings.maxConnections) {
            return true;
        }
        // Full: of the few oldest requests still arriving, the least complete one makes room.
        constexpr int candidates = 8;
        Link* victim = nullptr;
        double least = 2;
        int looked = 0;
        for (auto it = requests.begin(); it != requests.end() && looked < candidates;
             ++it, ++looked) {
            const Link& l = **it;
            const std::size_t expected = l.bodyExpected;
            const double done = l.inHeads       ? 0
                                : expected == 0 ? 1
                                                : static_cast<double>(l.bodyReceived) /
                                                      static_cast<double>(expected);
            if (done < least) {
                least = done;
                victim = *it;
            }
        }
        if (victim == nullptr) {
            return false;
        }
        cut(*victim);
        return true;
    }
    void connectionStarted(MHD_Connection* connection, void** context) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        auto* link = new Link();
        link->fd = info != nullptr ? info->connect_fd : -1;
        link->key = connectionKey(peerAddress(connection));
        *context = link;
        ++open;
        const std::lock_guard lock(linksMutex);
        if (!link->key.empty()) {
            ++perAddress[link->key];
        }
        begin(*link);
    }
    void connectionClosed(MHD_Connection* connection, void** context) {
        auto* link = static_cast<Link*>(*context);
        if (link == nullptr) {
            return;
        }
        *context = nullptr;
        {
            const std::lock_guard lock(linksMutex);
            unlist(*link);
            if (!link->key.empty()) {
                const auto it = perAddress.find(link->key);
                if (it != perAddress.end() && --it->second <= 0) {
                    perAddress.erase(it);
                }
            }
        }
        --open;
        // A request line the engine refused itself (too long for its memory) comes to no request
        // of ours: its refusal, which the engine reported in this thread, is logged here.
        if (!link->requestSeen && engineRefusal >= 400) {
            logLine(peerAddress(connection), "", engineRefusal, 0);
        }
        engineRefusal = 0;
        delete link;
    }
    static Link* linkOf(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info != nullptr ? static_cast<Link*>(info->socket_context) : nullptr;
    }
    // The head of a request is in; its body, if any, follows.
    void headReceived(Link* link, std::size_t bodyLength) {
        if (link == nullptr) {
            return;
        }
        link->bodyExpected = bodyLength;
        const std::lock_guard lock(linksMutex);
        if (link->inHeads) {
            heads.erase(link->headPlace);
            link->inHeads = false;
        }
    }
    // The whole request is in: no deadline while it is answered.
    void requestReceived(Link* link) {
        if (link == nullptr) {
            return;
        }
        const std::lock_guard lock(linksMutex);
        unlist(*link);
    }
    // The request has been answered and logged; the next one's head, if any, begins.
    void requestDone(MHD_Connection* connection) {
        engineRefusal = 0; // the engine's refusal of this request, if any, is logged
        Link* link = linkOf(connection);
        if (link == nullptr) {
            return;
        }
        const std::lock_guard lock(linksMutex);
        link->requestSeen = false;
        begin(*link);
    }
    static void requestSeen(MHD_Connection* connection) {
        if (Link* link = linkOf(connection)) {
            link->requestSeen = true;
        }
    }
    void guardRequests() {
        const auto headLimit = std::chrono::seconds(settings.headerTimeout);
        const auto requestLimit = std::chrono::seconds(settings.requestTimeout);
        std::unique_lock lock(linksMutex);
        while (!guardStopping) {
            const auto now = StoreClock::now();
            while (!heads.empty() && now - heads.front()->since > headLimit) {
                cut(*heads.front());
            }
            while (!requests.empty() && now - requests.front()->since > requestLimit) {
                cut(*requests.front());
            }
            guardWake.wait_for(lock, std::chrono::milliseconds(250));
        }
    }

    // Tickets and replays cost this process, so they are counted here rather than in the store.
    AddressRateLimit ticketLimit;
    AddressRateLimit replayLimit;

    // Game records waiting for a replay, and the threads that replay them.
    std::mutex replayMutex;
    std::condition_variable replayWake;
    std::deque<std::pair<std::uint64_t, std::shared_ptr<ReplayJob>>> replayWaiters; // by wait
    bool replayStopping = false;
    std::vector<std::thread> replayers;
    TicketsInReplay inReplay;

    // Page requests waiting for a render, and the thread that renders.
    std::mutex renderMutex;
    std::condition_variable renderWake;
    std::deque<std::pair<std::uint64_t, std::uint64_t>> renderWaiters; // wait, generation needed
    bool renderStopping = false;
    std::thread renderer;

    Engine(ScoreServer& server, const ServeSettings& s)
        : owner(server), settings(s), log(*server.m_log),
          home(makeResponse(pages::home(), htmlType)),
          version(makeResponse(s.versionText, textType, true)),
          notFound(makeResponse(pages::notFound(), htmlType)) {}

    // Suspends the connection until its wait is finished; returns the wait, or 0 when the
    // server is stopping and the request must be answered at once.
    std::uint64_t beginWaiting(MHD_Connection* connection, Request* r, Request::Wait what) {
        r->waiting = what;
        const std::lock_guard lock(waits->mutex);
        if (!waits->accepting) {
            return 0;
        }
        MHD_suspend_connection(connection);
        const std::uint64_t id = ++waits->lastId;
        waits->suspended.emplace(id, std::pair{connection, r});
        return id;
    }

    MHD_Result stopping(MHD_Connection* connection, Request* r) {
        return text(connection, r, 503, "The server is stopping; please try again.",
                    MHD_HTTP_HEADER_RETRY_AFTER, retryAfterSeconds);
    }

    // Once the server stops, a page comes from the last copy there is and nothing else waits.
    MHD_Result withoutWaiting(MHD_Connection* connection, Request* r) {
        if (r->waiting == Request::Wait::page) {
            const std::lock_guard lock(pagesMutex);
            r->pages = pages;
        }
        return r->pages ? pageDone(connection, r) : stopping(connection, r);
    }

    MHD_Result answer(MHD_Connection* connection, Request* r, int status,
                      const ResponseRef& response) {
        r->status = status;
        r->bytes = response.bytes;
        return MHD_queue_response(connection, static_cast<unsigned>(status), response.response);
    }

    MHD_Result text(MHD_Connection* connection, Request* r, int status, const std::string& body,
                    const char* header = nullptr, const char* value = nullptr) {
        ResponseRef response = makeResponse(body + "\n", textType);
        if (header != nullptr) {
            MHD_add_response_header(response.response, header, value);
        }
        return answer(connection, r, status, response);
    }

    MHD_Result unavailable(MHD_Connection* connection, Request* r) {
        return text(connection, r, 503,
                    "The score list is not available just now; please try again.",
                    MHD_HTTP_HEADER_RETRY_AFTER, retryAfterSeconds);
    }

    std::string peerAddress(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        return info != nullptr ? addressText(info->client_addr) : std::string();
    }

    // The player's address: the peer's, or the one a trusted proxy passes on.
    std::string clientAddress(MHD_Connection* connection) {
        const std::string peer = peerAddress(connection);
        if (!trusted(peer)) {
            return peer;
        }
        const char* forwarded =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Real-IP");
        if (forwarded == nullptr) {
            return peer;
        }
        const std::optional<std::string> address = parseAddress(forwarded);
        return address ? *address : peer;
    }

    // What the log and the limits need of a request, once its head is known.
    void identify(MHD_Connection* connection, Request* r, const char* method,
                  const char* httpVersion) {
        r->requestLine = std::string(method) + " " + r->target + " " + httpVersion;
        r->address = clientAddress(connection);
        r->clientKey = limitKey(r->address, settings.ipv6Prefix);
    }

    // A body announced longer than its limit: refused before it is read.
    MHD_Result bodyTooLarge(MHD_Connection* connection, Request* r, const char* method,
                            const char* httpVersion) {
        identify(connection, r, method, httpVersion);
        return tooLarge(connection, r);
    }
    MHD_Result tooLarge(MHD_Connection* connection, Request* r) {
        return text(connection, r, 413,
                    r->replayPost
                        ? "A game record is at most " + std::to_string(maxRecordBytes) + " bytes."
                        : "A request body here is at most " + std::to_string(maxOtherBody) +
                              " bytes.");
    }

    MHD_Result handle(MHD_Connection* connection, Request* r, const char* method,
                      const char* httpVersion) {
        if (r->givenUp) {
            return withoutWaiting(connection, r);
        }
        switch (r->waiting) {
        case Request::Wait::posting:
            return postingDone(connection, r);
        case Request::Wait::page:
            return pageDone(connection, r);
        case Request::Wait::replay:
            return replayDone(connection, r);
        case Request::Wait::none:
            break;
        }
        r->underWay = true;
        {
            const std::lock_guard lock(underWayMutex);
            ++underWay;
        }
        identify(connection, r, method, httpVersion);
        if (r->tooLarge) {
            return tooLarge(connection, r);
        }
        if (r->target.size() > ScoreServer::maxTarget) {
            return text(connection, r, 414, "The request target is too long.");
        }
        const std::string_view target(r->target);
        const std::string_view path = pathOf(target);
        const std::string_view query =
            path.size() == target.size() ? std::string_view{} : target.substr(path.size() + 1);
        const bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
        const bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        if (names(path, site::postingPath)) {
            if (!get) {
                return text(connection, r, 405, "Scores are posted with GET.",
                            MHD_HTTP_HEADER_ALLOW, "GET");
            }
            return posting(connection, r, query);
        }
        if (names(path, site::ticketPath)) {
            if (!get) {
                return text(connection, r, 405, "Tickets are fetched with GET.",
                            MHD_HTTP_HEADER_ALLOW, "GET");
            }
            return ticket(connection, r);
        }
        if (names(path, site::replayPath)) {
            if (!r->replayPost) {
                return text(connection, r, 405, "Game records are sent with POST.",
                            MHD_HTTP_HEADER_ALLOW, "POST");
            }
            return replay(connection, r);
        }
        if (!get && !head) {
            return text(connection, r, 405, "Only GET and HEAD are answered here.",
                        MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
        }
        if (names(path, site::highScorePath) || names(path, site::multiplayerPath)) {
            r->highScorePage = names(path, site::highScorePath);
            return page(connection, r);
        }
        if (path == "/") {
            return answer(connection, r, 200, home);
        }
        if (names(path, site::versionPath)) {
            return answer(connection, r, 200, version);
        }
        if (names(path, site::updateFolder, site::installerName) ||
            names(path, site::updateFolder, site::statementName)) {
            return file(connection, r, std::string(path.substr(path.rfind('/') + 1)));
        }
        return answer(connection, r, 404, notFound);
    }

    MHD_Result posting(MHD_Connection* connection, Request* r, std::string_view query) {
        const PostingCheck check = readPosting(query);
        if (!check.values) {
            return text(connection, r, 400, check.refusal);
        }
        const std::uint64_t wait = beginWaiting(connection, r, Request::Wait::posting);
        if (wait == 0) {
            return stopping(connection, r);
        }
        const auto deadline =
            StoreClock::now() + std::chrono::milliseconds(ScoreServer::postingPatienceMs);
        owner.m_store->submit(
            PostingRequest{*check.values, r->clientKey, settings.postLimit, deadline},
            [this, waits = waits, wait](const AddOutcome& outcome) {
                waits->finish(wait, [&](Request& waiting) {
                    waiting.outcome = outcome;
                    if (!outcome.unavailable && outcome.result == AddResult::stored) {
                        ++generation;
                    }
                });
            });
        return MHD_YES;
    }

    MHD_Result postingDone(MHD_Connection* connection, Request* r) {
        if (r->outcome.unavailable) {
            owner.logProblem("posting not stored", r->outcome.problem);
            return unavailable(connection, r);
        }
        if (r->outcome.result == AddResult::rateLimited) {
            const std::string window = std::to_string(rateWindowSeconds);
            return text(connection, r, 429,
                        "Too many scores from your address; try again in a minute.",
                        MHD_HTTP_HEADER_RETRY_AFTER, window.c_str());
        }
        return text(connection, r, 200, "Score received.");
    }

    MHD_Result tooMany(MHD_Connection* connection, Request* r, const std::string& what) {
        const std::string window = std::to_string(rateWindowSeconds);
        return text(connection, r, 429,
                    "Too many " + what + " from your address; try again in a minute.",
                    MHD_HTTP_HEADER_RETRY_AFTER, window.c_str());
    }

    MHD_Result ticket(MHD_Connection* connection, Request* r) {
        // The limit counts over an hour, the pace of a person's games; AddressRateLimit counts
        // over a minute, so it is handed a clock that runs sixty times slower.
        const StoreClock::time_point hourClock(StoreClock::now().time_since_epoch() / 60);
        if (!ticketLimit.allow(r->clientKey, settings.ticketLimit, hourClock)) {
            const std::string wait = std::to_string(60 * rateWindowSeconds);
            return text(connection, r, 429,
                        "Too many game tickets from your address; try again in an hour.",
                        MHD_HTTP_HEADER_RETRY_AFTER, wait.c_str());
        }
        const ResponseRef response =
            makeResponse(owner.m_signer->issue(std::time(nullptr)) + "\n", textType);
        // Each ticket is for one game: no cache may hand it out twice.
        MHD_add_response_header(response.response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        return answer(connection, r, 200, response);
    }

    MHD_Result replay(MHD_Connection* connection, Request* r) {
        r->replay->arrivedMs = unixMs();
        // Counted before the replay, so that refused records cost as much of the limit as good
        // ones: the limit bounds the processor time one address can take.
        if (!replayLimit.allow(r->clientKey, settings.postLimit, StoreClock::now())) {
            return tooMany(connection, r, "game records");
        }
        {
            const std::lock_guard lock(replayMutex);
            if (replayWaiters.size() >= ScoreServer::maxQueuedReplays) {
                r->replay->answer = {503, "Too many games are waiting to be replayed; please try "
                                          "again."};
                return replayDone(connection, r);
            }
            const std::uint64_t wait = beginWaiting(connection, r, Request::Wait::replay);
            if (wait == 0) {
                return stopping(connection, r);
            }
            replayWaiters.emplace_back(wait, r->replay);
        }
        replayWake.notify_one();
        return MHD_YES;
    }

    MHD_Result replayDone(MHD_Connection* connection, Request* r) {
        const ReplayAnswer& done = r->replay->answer;
        if (done.status == 503) {
            return text(connection, r, 503, done.text, MHD_HTTP_HEADER_RETRY_AFTER,
                        retryAfterSeconds);
        }
        return text(connection, r, done.status, done.text);
    }

    void replayGames() {
        std::unique_lock lock(replayMutex);
        for (;;) {
            replayWake.wait(lock, [this] { return replayStopping || !replayWaiters.empty(); });
            if (replayStopping) {
                return; // the daemon is gone: the connections still queued went with it
            }
            auto [wait, job] = std::move(replayWaiters.front());
            replayWaiters.pop_front();
            lock.unlock();
            job->answer =
                checkReplay(job->body, *owner.m_signer, *owner.m_store, inReplay, job->arrivedMs);
            if (job->answer.replayed) {
                // One line per game played again: what replays cost can be seen and counted.
                owner.logProblem("game replayed",
                                 std::to_string(job->answer.status) + " " + job->answer.text);
            }
            if (job->answer.verified()) {
                ++generation;
            } else if (job->answer.status == 503) {
                owner.logProblem("game record not checked", job->answer.text);
            }
            waits->finish(wait, [](Request&) {});
            lock.lock();
        }
    }

    MHD_Result page(MHD_Connection* connection, Request* r) {
        std::shared_ptr<const Pages> current;
        {
            const std::lock_guard lock(pagesMutex);
            current = pages;
            if (current && (current->generation == generation.load() ||
                            StoreClock::now() < renderBackoffUntil)) {
                r->pages = current;
                return pageDone(connection, r);
            }
        }
        const std::uint64_t needed = generation.load();
        const std::uint64_t wait = beginWaiting(connection, r, Request::Wait::page);
        if (wait == 0) {
            return withoutWaiting(connection, r);
        }
        {
            const std::lock_guard lock(renderMutex);
            renderWaiters.emplace_back(wait, needed);
        }
        renderWake.notify_one();
        return MHD_YES;
    }

    MHD_Result pageDone(MHD_Connection* connection, Request* r) {
        if (!r->pages) {
            return unavailable(connection, r);
        }
        return answer(connection, r, 200,
                      r->highScorePage ? r->pages->highScores : r->pages->multiplayer);
    }

    // Sends an update file straight from its descriptor; a symlink in its place is refused.
    MHD_Result file(MHD_Connection* connection, Request* r, const std::string& name) {
        if (!settings.updates) {
            return answer(connection, r, 404, notFound);
        }
        const std::string path = (*settings.updates / name).string();
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0) {
                ::close(fd);
            }
            return answer(connection, r, 404, notFound);
        }
        MHD_Response* response =
            MHD_create_response_from_fd64(static_cast<std::uint64_t>(st.st_size), fd);
        if (response == nullptr) {
            ::close(fd);
            return text(connection, r, 500, "The file cannot be sent just now.");
        }
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/octet-stream");
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
        const ResponseRef owned(response, static_cast<std::size_t>(st.st_size));
        return answer(connection, r, 200, owned);
    }

    void render() {
        std::unique_lock lock(renderMutex);
        for (;;) {
            renderWake.wait(lock, [this] { return renderStopping || !renderWaiters.empty(); });
            if (renderWaiters.empty()) {
                return;
            }
            lock.unlock();
            const std::uint64_t rendering = generation.load();
            std::shared_ptr<const Pages> fresh;
            try {
                const Standings standings =
                    owner.m_store->standings(pages::listLength, settings.verifiedOnly);
                auto made = std::make_shared<Pages>();
                made->generation = rendering;
                made->highScores = makeResponse(pages::highScores(standings, settings.verifiedOnly),
                                                htmlType, true);
                made->multiplayer = makeResponse(pages::multiplayer(standings), htmlType, true);
                fresh = std::move(made);
            } catch (const StoreUnavailable& e) {
                owner.logProblem("page not rendered", e.what());
            }
            std::shared_ptr<const Pages> serve;
            {
                const std::lock_guard pagesLock(pagesMutex);
                if (fresh) {
                    pages = fresh;
                } else {
                    renderBackoffUntil = StoreClock::now() + renderBackoff;
                }
                serve = pages;
            }
            lock.lock();
            // Those that asked before this render began are answered; later ones wait for the
            // next. After a failure everyone gets the last copy there is.
            for (auto it = renderWaiters.begin(); it != renderWaiters.end();) {
                if (!fresh || it->second <= rendering) {
                    waits->finish(it->first, [&](Request& waiting) { waiting.pages = serve; });
                    it = renderWaiters.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    void completed(MHD_Connection* connection, Request* r) {
        if (r == nullptr) {
            requestDone(connection);
            return;
        }
        if (r->status == 0) {
            // Refused by the engine itself (a head too large for its memory: 431).
            const MHD_ConnectionInfo* status =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
            if (status != nullptr) {
                r->status = static_cast<int>(status->http_status);
            }
        }
        if (r->address.empty()) {
            r->address = peerAddress(connection);
        }
        logLine(r->address, r->requestLine, r->status, r->bytes);
        requestDone(connection);
        if (r->underWay) {
            const std::lock_guard lock(underWayMutex);
            if (--underWay == 0) {
                underWayDone.notify_all();
            }
        }
        delete r;
    }

    // One line in the common log format; "-" for what is not known.
    void logLine(const std::string& address, const std::string& requestLine, int status,
                 std::size_t bytes) {
        log.add((address.empty() ? std::string("-") : AccessLog::field(address)) + " - - [" +
                logTime() + "] \"" +
                (requestLine.empty() ? std::string("-") : escapeQuoted(requestLine)) + "\" " +
                (status != 0 ? std::to_string(status) : std::string("-")) + " " +
                std::to_string(bytes));
    }

    // The request line inside its quotes: blanks kept, everything else escaped.
    static std::string escapeQuoted(const std::string& line) {
        std::string out;
        std::size_t start = 0;
        for (std::size_t blank = line.find(' '); blank != std::string::npos;
             blank = line.find(' ', start)) {
            out += AccessLog::field(std::string_view(line).substr(start, blank - start)) + " ";
            start = blank + 1;
        }
        return out + AccessLog::field(std::string_view(line).substr(start));
    }
};

namespace {

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char*, const char* method,
                     const char* version, const char* upload, std::size_t* uploadSize,
                     void** state) {
    auto* engine = static_cast<ScoreServer::Engine*>(cls);
    auto* r = static_cast<ScoreServer::Request*>(*state);
    if (r == nullptr) {
        return MHD_NO;
    }
    // The first call comes with the headers; answering only on the second (the body, if any,
    // is read and dropped) lets the connection stay open for the next request.
    ScoreServer::Engine::Link* link = ScoreServer::Engine::linkOf(connection);
    if (!r->headersSeen) {
        r->headersSeen = true;
        r->headAt = StoreClock::now();
        r->replayPost = std::strcmp(method, MHD_HTTP_METHOD_POST) == 0 &&
                        names(pathOf(r->target), site::replayPath);
        if (r->replayPost) {
            r->replay = std::make_shared<ReplayJob>();
        }
        const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_LENGTH);
        const std::size_t limit = bodyLimit(*r);
        if (length != nullptr && longerThan(length, limit)) {
            return engine->bodyTooLarge(connection, r, method, version);
        }
        const auto announced = length != nullptr
                                   ? httptext::decimal(length, static_cast<std::int64_t>(limit))
                                   : std::nullopt;
        engine->headReceived(link, static_cast<std::size_t>(announced.value_or(0)));
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        const std::size_t bytes = *uploadSize;
        *uploadSize = 0;
        r->bodyBytes += bytes;
        if (link != nullptr) {
            link->bodyReceived += bytes;
        }
        // A body must keep coming at a fair pace, or a few thousand that drip a byte now and
        // then would hold connections for as long as the request time-out allows.
        const auto late =
            StoreClock::now() - r->headAt - std::chrono::seconds(ScoreServer::minBodyGraceSeconds);
        if (late.count() > 0 &&
            static_cast<double>(r->bodyBytes) < static_cast<double>(ScoreServer::minBodyRate) *
                                                    std::chrono::duration<double>(late).count()) {
            return MHD_NO;
        }
        // A chunked body gives its length only as it comes: one that grows past its limit is
        // read to its end and dropped, then refused.
        if (!r->tooLarge && r->bodyBytes > bodyLimit(*r)) {
            r->tooLarge = true;
            if (r->replay) {
                std::string().swap(r->replay->body);
            }
        }
        if (r->replayPost && !r->tooLarge) {
            r->replay->body.append(upload, bytes);
        }
        return MHD_YES;
    }
    engine->requestReceived(link);
    return engine->handle(connection, r, method, version);
}

void* onTarget(void*, const char* uri, MHD_Connection* connection) {
    ScoreServer::Engine::requestSeen(connection);
    auto* r = new ScoreServer::Request();
    r->target = uri != nullptr ? uri : "";
    return r;
}

void onCompleted(void* cls, MHD_Connection* connection, void** state, MHD_RequestTerminationCode) {
    static_cast<ScoreServer::Engine*>(cls)->completed(connection,
                                                      static_cast<ScoreServer::Request*>(*state));
    *state = nullptr;
}

MHD_Result onAccept(void* cls, const sockaddr* address, socklen_t) {
    return static_cast<ScoreServer::Engine*>(cls)->mayConnect(address) ? MHD_YES : MHD_NO;
}

void onConnection(void* cls, MHD_Connection* connection, void** context,
                  MHD_ConnectionNotificationCode what) {
    auto* engine = static_cast<ScoreServer::Engine*>(cls);
    if (what == MHD_CONNECTION_NOTIFY_STARTED) {
        engine->connectionStarted(connection, context);
    } else {
        engine->connectionClosed(connection, context);
    }
}

} // namespace

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
    m_store = &store;
    m_engine = std::make_unique<Engine>(*this, m_settings);
    Engine& engine = *m_engine;
    store.watchChanges([&engine] { ++engine.generation; });
    engine.renderer = std::thread([&engine] { engine.render(); });
    engine.guard = std::thread([&engine] { engine.guardRequests(); });

    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const unsigned busyThreads = std::min(cores, 4U);
    const unsigned threads =
        m_settings.threads > 0 ? static_cast<unsigned>(m_settings.threads) : busyThreads;
    // Replays take processor time; one thread per core keeps the connection threads answering.
    for (unsigned i = 0; i < busyThreads; ++i) {
        engine.replayers.emplace_back([&engine] { engine.replayGames(); });
    }
    // The cap is kept by onAccept, which makes room by cutting the oldest requests; the engine's
    // own limit, which it splits evenly between its threads, only needs to stay out of the way
    // while those cut connections are closed.
    const intptr_t engineLimit = 2 * static_cast<intptr_t>(m_settings.maxConnections) + 256;
    std::vector<MHD_OptionItem> options{
        {MHD_OPTION_EXTERNAL_LOGGER, reinterpret_cast<intptr_t>(&onEngineMessage), nullptr},
        {MHD_OPTION_LISTEN_SOCKET, m_listenSocket, nullptr},
        {MHD_OPTION_THREAD_POOL_SIZE, threads > 1 ? static_cast<intptr_t>(threads) : 0, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, engineLimit, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, m_settings.idleTimeout, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(connectionMemory), nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&onTarget), nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&onCompleted), &engine},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&onConnection), &engine},
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
    engine.daemon = MHD_start_daemon(flags, 0, &onAccept, &engine, &onRequest, &engine,
                                     MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
    bool started = engine.daemon != nullptr;
    if (started) {
        m_listenSocket = -1; // the engine owns it now
        std::unique_lock lock(m_stopMutex);
        m_stopWake.wait(lock, [this] { return m_stopRequested; });
        lock.unlock();
        // No new connections and no new waits; the answers under way are finished first.
        engine.waits->close();
        engine.admitting = false;
        const auto finished = [&engine] { return engine.underWay == 0; };
        std::unique_lock underWay(engine.underWayMutex);
        engine.underWayDone.wait_for(underWay, std::chrono::seconds(m_settings.stopPatience),
                                     finished);
        underWay.unlock();
        engine.waits->giveUp();
        underWay.lock();
        engine.underWayDone.wait_for(underWay, stopAnswerPatience, finished);
        underWay.unlock();
        MHD_stop_daemon(engine.daemon);
        engine.daemon = nullptr;
    } else {
        error = "the HTTP engine did not start";
    }
    {
        const std::lock_guard lock(engine.replayMutex);
        engine.replayStopping = true;
    }
    engine.replayWake.notify_all();
    for (std::thread& replayer : engine.replayers) {
        replayer.join();
    }
    {
        const std::lock_guard lock(engine.renderMutex);
        engine.renderStopping = true;
    }
    engine.renderWake.notify_all();
    engine.renderer.join();
    {
        const std::lock_guard lock(engine.linksMutex);
        engine.guardStopping = true;
    }
    engine.guardWake.notify_all();
    engine.guard.join();
    store.watchChanges({});
    m_engine.reset();
    m_store = nullptr;
    return started;
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
        logProblem("TLS certificate not renewed", error);
    }
}

void ScoreServer::useTicketKey(const std::string& key) {
    m_signer = std::make_unique<TicketSigner>(key);
}

void ScoreServer::stop() {
    {
        const std::lock_guard lock(m_stopMutex);
        m_stopRequested = true;
    }
    m_stopWake.notify_all();
}

void ScoreServer::note(std::string line) {
    m_log->add(std::move(line));
}

void ScoreServer::logProblem(const char* what, std::string_view detail) {
    std::string line = std::string("bloomzap-server: ") + what + ": ";
    for (const char c : detail) {
        line += c == '\n' || c == '\t' || c == '\r' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    m_log->add(std::move(line));
}

} // namespace server
