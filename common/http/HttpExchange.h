#pragma once

// One HTTP/1.0 exchange over a TCP connection, without Qt: the host looked up, the connection
// made (through a proxy's CONNECT tunnel and TLS when the route asks for them), the request sent
// exactly as given, and the reply taken apart into the lines of its heads and its body, freed of
// a chunked coding. The game's two clients (the text fetch and the installer download) compose
// their requests and keep their own rules on top of it. No keep-alive, no redirects, no
// cookies; nothing the game does not use.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace httpexchange {

// How long a wait on the network lasts at most before the handler is asked whether to carry on:
// a stop is noticed within a second, and a request a server leaves hanging wakes the game once a
// second. A Wakeup makes a stop immediate.
inline constexpr std::chrono::milliseconds waitStep{1000};

// Limits a reply must keep. A server that breaks one fails the exchange instead of making the
// game hold an unbounded head.
inline constexpr std::size_t mostHeadBytes = 64 * 1024; // the lines of one head together
inline constexpr int mostHeads = 16;                    // interim (1xx) heads and the final one

// What is read from the reply, as it arrives. Any false answer ends the exchange at once.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    // Each line of each reply head, interim (1xx) heads included, without its line end; an empty
    // line ends a head. The status line of every head has been checked to be one.
    virtual bool headLine(std::string_view line) = 0;
    // Body bytes of the final reply, as they arrive, freed of a chunked coding.
    virtual bool bodyBytes(std::string_view bytes) = 0;
    // Asked at least once every waitStep while the exchange waits (also while the host is looked
    // up and the connection is made), and after each arrival; `received` is the number of body
    // bytes so far.
    virtual bool carryOn(std::int64_t received) = 0;
};

// Wakes an exchange that waits on the network, from any thread, so that it asks its handler at
// once. Once woken it stays woken: wake only when the handler will answer false from then on.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    void wake() const;
    // What an exchange waits on; -1 when none could be made (the handler is still asked every
    // waitStep).
    int descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};

enum class Ending {
    Complete, // the whole reply: its Content-Length, its last chunk, or the close when it has
              // neither
    Stopped,  // the handler answered false
    Failed,   // no such host, no connection, a send or receive error, a deadline passed, a TLS
              // failure (a certificate that does not verify included), a tunnel the proxy
              // refused, or the reply broke off or broke the rules (no status line, a head over
              // the limits, a bad length or chunk, a body cut short of its length or last chunk)
};

struct Result {
    Ending ending = Ending::Failed;
    int status = 0; // the final head's status code, 0 before one arrived
};

// The port of an http address that names none, and of an https one.
inline constexpr int defaultPort = 80;
inline constexpr int defaultTlsPort = 443;

// Where to connect: the host as a URL writes it (a name, an IPv4 address or a bracketed IPv6
// address) and the port.
struct Endpoint {
    std::string host;
    int port = defaultPort;
};

// How an exchange reaches its server.
struct Route {
    Endpoint endpoint;             // where the connection goes: the server itself, or a proxy
    std::string tunnel;            // not empty: "host:port" asked of the proxy with CONNECT first
    std::string tunnelCredentials; // "user:password" for the CONNECT's Proxy-Authorization
    std::string tlsHost; // not empty: TLS over the connection (or the tunnel), verified for this
                         // host
};

// How long an exchange may wait before it fails, so that no feature waits for ever.
struct Deadlines {
    // From the start until the request can be sent: look-up, connection, tunnel, TLS handshake.
    std::chrono::milliseconds connect{15000};
    // Once connected, for anything at all to be sent or received.
    std::chrono::milliseconds idle{60000};
};

// Connects to the endpoint (each address the host has, in turn), sends the request and reads the
// reply, all on the calling thread.
Result exchangeVia(const Route& route, std::string_view request, ReplyHandler& handler,
                   const Wakeup* wakeup = nullptr, const Deadlines& deadlines = {});
// The same, directly and in plain http.
Result exchange(const Endpoint& endpoint, std::string_view request, ReplyHandler& handler,
                const Wakeup* wakeup = nullptr);

} // namespace httpexchange
