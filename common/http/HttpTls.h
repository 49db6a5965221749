#pragma once

// TLS for the game's https exchanges, through GnuTLS loaded on the first https exchange
// (dlopen), so a game that only speaks http never has it in memory. The peer's certificate
// chain is verified against the system's trust store, or against the PEM file SSL_CERT_FILE
// names when that is set, and its name against the host (a DNS name or an IP address); TLS 1.2
// and 1.3 only. No Qt.

#include <cstddef>
#include <memory>
#include <string>

namespace httptls {

// What one step of a session came to.
enum class Io {
    Done,      // the step is done (for a read: bytes, or none when `count` is 0 at the close)
    WantRead,  // call again once the connection can be read
    WantWrite, // call again once the connection can be written
    Closed,    // the peer ended the session properly (close_notify)
    Cut,       // the connection closed without close_notify: what came may be cut short
    Failed,    // a TLS error, a certificate that does not verify, no GnuTLS
};

// One TLS client session over a connected, non-blocking socket it does not own.
class Session {
public:
    // A session that will verify `host` (a name, an IPv4 address or a bracketed IPv6 address),
    // or nothing when GnuTLS cannot be loaded or the trust store cannot be read.
    static std::unique_ptr<Session> open(int fd, const std::string& host);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Call until it is Done; Failed for any failure, an unverified certificate included.
    Io handshake();
    // Sends part of `data`; `count` says how much once it is Done.
    Io send(const char* data, std::size_t size, std::size_t& count);
    // Reads up to `size` bytes into `data`; `count` says how many once it is Done.
    Io receive(char* data, std::size_t size, std::size_t& count);

private:
    struct State;
    explicit Session(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// Whether GnuTLS has been loaded into this process; for the tests that check it is loaded only
// when needed.
bool loaded();

} // namespace httptls
