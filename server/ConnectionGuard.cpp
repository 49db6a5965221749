#include "server/ConnectionGuard.h"

#include "server/ClientAddress.h"
#include "server/Exchange.h"

#include <sys/socket.h>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace server {

namespace {

// How often the sweeper looks for requests past their deadline.
constexpr auto sweepEvery = std::chrono::milliseconds(250);

// The status of the last answer the engine gave by itself in this thread (a request line too
// long for its memory: 414), from its error report; 0 once logged.
thread_local int engineRefusal = 0;

} // namespace

// One open connection and the request it is receiving.
struct ConnectionGuard::Link {
    int fd = -1;
    std::string key; // whom it counts against; empty for a trusted proxy
    StoreClock::time_point since;
    std::list<Link*>::iterator headPlace, requestPlace;
    bool inHeads = false, inRequests = false;
    std::atomic<std::size_t> bodyExpected{0}, bodyReceived{0};
    bool requestSeen = false; // its current request reached us (onTarget)
};

ConnectionGuard::ConnectionGuard(const ServeSettings& settings, AccessLog& log)
    : m_settings(settings), m_log(log), m_sweeper([this](Worker& sweeper) { sweep(sweeper); }) {}

MHD_Result ConnectionGuard::onAccept(void* cls, const sockaddr* address, socklen_t) {
    return static_cast<ConnectionGuard*>(cls)->mayConnect(address) ? MHD_YES : MHD_NO;
}

void ConnectionGuard::onConnection(void* cls, MHD_Connection* connection, void** context,
                                   MHD_ConnectionNotificationCode what) {
    auto* guard = static_cast<ConnectionGuard*>(cls);
    if (what == MHD_CONNECTION_NOTIFY_STARTED) {
        guard->connectionStarted(connection, context);
    } else {
        guard->connectionClosed(connection, context);
    }
}

void ConnectionGuard::onEngineMessage(void*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    constexpr std::string_view mark = "HTTP response code is ";
    const char* code = std::strstr(text, mark.data());
    if (code != nullptr) {
        engineRefusal = std::atoi(code + mark.size());
    }
}

bool ConnectionGuard::trusted(const std::string& peer) const {
    return std::find(m_settings.trustedProxies.begin(), m_settings.trustedProxies.end(), peer) !=
           m_settings.trustedProxies.end();
}

std::string ConnectionGuard::connectionKey(const std::string& peer) const {
    return trusted(peer) ? std::string() : limitKey(peer, m_settings.ipv6Prefix);
}

void ConnectionGuard::unlist(Link& link) {
    if (link.inHeads) {
        m_heads.erase(link.headPlace);
        link.inHeads = false;
    }
    if (link.inRequests) {
        m_requests.erase(link.requestPlace);
        link.inRequests = false;
    }
}

void ConnectionGuard::begin(Link& link) {
    unlist(link);
    link.since = StoreClock::now();
    link.bodyExpected = 0;
    link.bodyReceived = 0;
    link.headPlace = m_heads.insert(m_heads.end(), &link);
    link.requestPlace = m_requests.insert(m_requests.end(), &link);
    link.inHeads = link.inRequests = true;
}

// The engine sees the connection fail and closes it.
void ConnectionGuard::cut(Link& link) {
    unlist(link);
    ::shutdown(link.fd, SHUT_RDWR);
}

bool ConnectionGuard::mayConnect(const sockaddr* address) {
    if (!m_admitting) {
        return false;
    }
    const std::string key = connectionKey(addressText(address));
    const Worker::Lock lock = m_sweeper.lock();
    if (!key.empty()) {
        const auto it = m_perAddress.find(key);
        if (it != m_perAddress.end() && it->second >= m_settings.connectionsPerAddress) {
            return false;
        }
    }
    if (m_open < m_settings.maxConnections) {
        return true;
    }
    // Full: of the few oldest requests still arriving, the least complete one makes room.
    constexpr int candidates = 8;
    Link* victim = nullptr;
    double least = 2;
    int looked = 0;
    for (auto it = m_requests.begin(); it != m_requests.end() && looked < candidates;
         ++it, ++looked) {
        const Link& l = **it;
        const std::size_t expected = l.bodyExpected;
        const double done =
            l.inHeads       ? 0
            : expected == 0 ? 1
                            : static_cast<double>(l.bodyReceived) / static_cast<double>(expected);
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

void ConnectionGuard::connectionStarted(MHD_Connection* connection, void** context) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    auto* link = new Link();
    link->fd = info != nullptr ? info->connect_fd : -1;
    link->key = connectionKey(peerAddress(connection));
    *context = link;
    ++m_open;
    const Worker::Lock lock = m_sweeper.lock();
    if (!link->key.empty()) {
        ++m_perAddress[link->key];
    }
    assert(m_perAddress.size() <= static_cast<std::size_t>(m_open.load()));
    begin(*link);
}

void ConnectionGuard::connectionClosed(MHD_Connection* connection, void** context) {
    auto* link = static_cast<Link*>(*context);
    if (link == nullptr) {
        return;
    }
    *context = nullptr;
    {
        const Worker::Lock lock = m_sweeper.lock();
        unlist(*link);
        if (!link->key.empty()) {
            const auto it = m_perAddress.find(link->key);
            if (it != m_perAddress.end() && --it->second <= 0) {
                m_perAddress.erase(it);
            }
        }
    }
    --m_open;
    // A request line the engine refused itself (too long for its memory) comes to no request
    // of ours: its refusal, which the engine reported in this thread, is logged here.
    if (!link->requestSeen && engineRefusal >= 400) {
        m_log.request(peerAddress(connection), "", engineRefusal, 0);
    }
    engineRefusal = 0;
    delete link;
}

ConnectionGuard::Link* ConnectionGuard::linkOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info != nullptr ? static_cast<Link*>(info->socket_context) : nullptr;
}

void ConnectionGuard::requestSeen(MHD_Connection* connection) {
    if (Link* link = linkOf(connection)) {
        link->requestSeen = true;
    }
}

void ConnectionGuard::headReceived(MHD_Connection* connection, std::size_t bodyLength) {
    Link* link = linkOf(connection);
    if (link == nullptr) {
        return;
    }
    link->bodyExpected = bodyLength;
    const Worker::Lock lock = m_sweeper.lock();
    if (link->inHeads) {
        m_heads.erase(link->headPlace);
        link->inHeads = false;
    }
}

bool ConnectionGuard::bodyReceived(MHD_Connection* connection, const Request& request,
                                   std::size_t bytes) {
    if (Link* link = linkOf(connection)) {
        link->bodyReceived += bytes;
    }
    // A body must keep coming at a fair pace, or a few thousand that drip a byte now and then
    // would hold connections for as long as the request time-out allows.
    const auto late =
        StoreClock::now() - request.headAt - std::chrono::seconds(ScoreServer::minBodyGraceSeconds);
    return late.count() <= 0 || static_cast<double>(request.bodyBytes) >=
                                    static_cast<double>(ScoreServer::minBodyRate) *
                                        std::chrono::duration<double>(late).count();
}

void ConnectionGuard::requestReceived(MHD_Connection* connection) {
    Link* link = linkOf(connection);
    if (link == nullptr) {
        return;
    }
    const Worker::Lock lock = m_sweeper.lock();
    unlist(*link);
}

void ConnectionGuard::requestDone(MHD_Connection* connection) {
    engineRefusal = 0; // the engine's refusal of this request, if any, is logged
    Link* link = linkOf(connection);
    if (link == nullptr) {
        return;
    }
    const Worker::Lock lock = m_sweeper.lock();
    link->requestSeen = false;
    begin(*link);
}

void ConnectionGuard::requestBegun(Request& request) {
    assert(!request.underWay); // counted once
    request.underWay = true;
    const std::lock_guard lock(m_underWayMutex);
    ++m_underWay;
}

void ConnectionGuard::requestEnded(Request& request) {
    if (!request.underWay) {
        return;
    }
    const std::lock_guard lock(m_underWayMutex);
    assert(m_underWay > 0);
    if (--m_underWay == 0) {
        m_underWayDone.notify_all();
    }
}

void ConnectionGuard::closeDoor() {
    m_admitting = false;
}

void ConnectionGuard::awaitRequests(std::chrono::steady_clock::duration patience) {
    std::unique_lock lock(m_underWayMutex);
    m_underWayDone.wait_for(lock, patience, [this] { return m_underWay == 0; });
}

void ConnectionGuard::sweep(Worker& sweeper) {
    const auto headLimit = std::chrono::seconds(m_settings.headerTimeout);
    const auto requestLimit = std::chrono::seconds(m_settings.requestTimeout);
    Worker::Lock lock = sweeper.lock();
    do {
        const auto now = StoreClock::now();
        while (!m_heads.empty() && now - m_heads.front()->since > headLimit) {
            cut(*m_heads.front());
        }
        while (!m_requests.empty() && now - m_requests.front()->since > requestLimit) {
            cut(*m_requests.front());
        }
    } while (sweeper.pause(lock, sweepEvery));
}

} // namespace server
