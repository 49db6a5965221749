#pragma once

#include "server/AccessLog.h"
#include "server/Request.h"
#include "server/ScoreServer.h"
#include "server/Worker.h"

#include <microhttpd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace server {

// The bounds every connection is kept in, whatever its client does: the connection cap, with the
// oldest requests still arriving cut to make room; connections per client address; deadlines for
// a request's head and for the whole request, kept by a sweeper thread; a body that must keep a
// fair pace. It also counts the requests under way, which a stop lets finish.
class ConnectionGuard {
public:
    ConnectionGuard(const ServeSettings& settings, AccessLog& log);

    // The engine's callbacks, `cls` being the guard: a connection may be accepted; a connection
    // opened or closed; the engine's error report (only its own refusals are of use).
    static MHD_Result onAccept(void* cls, const sockaddr* address, socklen_t length);
    static void onConnection(void* cls, MHD_Connection* connection, void** context,
                             MHD_ConnectionNotificationCode what);
    static void onEngineMessage(void* cls, const char* format, va_list args);

    // Whether `peer` is a proxy whose X-Real-IP names the client.
    bool trusted(const std::string& peer) const;

    // A request's target reached us.
    static void requestSeen(MHD_Connection* connection);
    // The head of a request is in; a body of `bodyLength` bytes follows (0: none or unknown).
    void headReceived(MHD_Connection* connection, std::size_t bodyLength);
    // `bytes` more of the request's body came; false when the body is too slow and the
    // connection is to be cut.
    bool bodyReceived(MHD_Connection* connection, const Request& request, std::size_t bytes);
    // The whole request is in: no deadline while it is answered.
    void requestReceived(MHD_Connection* connection);
    // The request has been answered and logged; the next one's head, if any, begins.
    void requestDone(MHD_Connection* connection);

    // The request is counted as under way until requestEnded().
    void requestBegun(Request& request);
    void requestEnded(Request& request);
    // New connections are turned away from now on.
    void closeDoor();
    // Waits up to `patience` for the requests under way to end.
    void awaitRequests(std::chrono::steady_clock::duration patience);

private:
    struct Link;

    // Whom a peer counts against for the connection limit; empty: nobody (a trusted proxy).
    std::string connectionKey(const std::string& peer) const;
    bool mayConnect(const sockaddr* address);
    void connectionStarted(MHD_Connection* connection, void** context);
    void connectionClosed(MHD_Connection* connection, void** context);
    static Link* linkOf(MHD_Connection* connection);
    // Under the sweeper's lock.
    void unlist(Link& link);
    void begin(Link& link);
    void cut(Link& link);
    void sweep(Worker& sweeper);

    const ServeSettings& m_settings;
    AccessLog& m_log;

    // Requests from their handling to their last byte sent: a stop lets them finish.
    std::mutex m_underWayMutex;
    std::condition_variable m_underWayDone;
    int m_underWay = 0;

    // Cleared when the server stops. New connections are turned away here rather than by
    // quiescing the engine: with a pool of epoll threads, libmicrohttpd's quiesce races the
    // threads' own handling of the listening socket and can abort the process.
    std::atomic<bool> m_admitting{true};
    std::atomic<int> m_open{0};

    // Under the sweeper's lock: in arrival order of their requests, the connections still
    // receiving one (`m_requests`) and those still receiving its head (`m_heads`). The sweeper
    // looks only at the front of each list. A connection being answered, or waiting for the
    // store, is in neither list.
    std::list<Link*> m_heads, m_requests;
    std::unordered_map<std::string, int> m_perAddress; // at most one entry per open connection
    Worker m_sweeper;
};

} // namespace server
