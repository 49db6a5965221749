#include "common/http/HttpExchange.h"

#include "common/HttpText.h"
#include "common/http/HttpTls.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace httpexchange {

namespace {

using Clock = std::chrono::steady_clock;
using httptext::startsWithNoCase;
using httptext::trimmed;

// How long one address may take to accept the connection while another one is left to try: an
// address family whose packets are dropped costs each request this much, not minutes.
constexpr std::chrono::milliseconds connectPatience{500};
// The line that gives a chunk's size, extensions included.
constexpr std::size_t mostChunkLineBytes = 4096;
// A body length beyond any the game could take, and safe from overflow.
constexpr std::int64_t mostBodyBytes = INT64_MAX / 4;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    void reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = -1;
    }

private:
    int m_fd;
};

enum class Wait { Ready, Idle, Error };

// Waits until fd is ready for `events`, the wakeup fires or the limit passes.
Wait await(int fd, short events, const Wakeup* wakeup, std::chrono::milliseconds limit) {
    pollfd watched[2] = {{fd, events, 0}, {wakeup ? wakeup->descriptor() : -1, POLLIN, 0}};
    const int count = ::poll(watched, 2, static_cast<int>(limit.count()));
    if (count < 0) {
        return errno == EINTR ? Wait::Idle : Wait::Error;
    }
    return watched[0].revents != 0 ? Wait::Ready : Wait::Idle;
}

// One wait step, cut short so that it ends at `limit`.
std::chrono::milliseconds stepUntil(Clock::time_point limit) {
    return std::clamp(std::chrono::ceil<std::chrono::milliseconds>(limit - Clock::now()),
                      std::chrono::milliseconds(0), waitStep);
}

enum class Step { Done, Stopped, Failed };

struct AddressesFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using Addresses = std::unique_ptr<addrinfo, AddressesFree>;

// A name being looked up on a thread of its own; whichever of the thread and the exchange ends
// last frees it.
struct Lookup {
    std::mutex mutex;
    Addresses found;
    int error = EAI_FAIL;
    Descriptor ready{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

addrinfo streamHints(int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | flags;
    return hints;
}

Step lookUp(const Endpoint& endpoint, ReplyHandler& handler, const Wakeup* wakeup,
            Clock::time_point giveUp, Addresses& addresses) {
    std::string name = endpoint.host;
    const bool bracketed = name.size() > 2 && name.front() == '[' && name.back() == ']';
    if (bracketed) {
        name = name.substr(1, name.size() - 2);
    }
    if (name.empty() || name.find('\0') != std::string::npos) {
        return Step::Failed;
    }
    const std::string service = std::to_string(endpoint.port);

    const addrinfo numeric = streamHints(AI_NUMERICHOST);
    addrinfo* list = nullptr;
    const int error = ::getaddrinfo(name.c_str(), service.c_str(), &numeric, &list);
    if (error == 0) {
        addresses.reset(list);
        return Step::Done;
    }
    if (bracketed || error != EAI_NONAME) {
        return Step::Failed;
    }

    // A name is looked up on its own thread, so that a slow resolver cannot hold off a stop; a
    // stopped exchange leaves the thread to finish alone.
    auto lookup = std::make_shared<Lookup>();
    if (lookup->ready.get() < 0) {
        return Step::Failed;
    }
    try {
        std::thread([lookup, name, service] {
            const addrinfo hints = streamHints(0);
            addrinfo* found = nullptr;
            const int error = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
            {
                const std::lock_guard<std::mutex> lock(lookup->mutex);
                lookup->found.reset(error == 0 ? found : nullptr);
                lookup->error = error;
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(lookup->ready.get(), &one, sizeof one);
        }).detach();
    } catch (const std::system_error&) {
        return Step::Failed;
    }
    for (;;) {
        const Wait wait = await(lookup->ready.get(), POLLIN, wakeup, stepUntil(giveUp));
        if (wait == Wait::Error) {
            return Step::Failed;
        }
        if (wait == Wait::Ready) {
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            if (lookup->error != 0 || !lookup->found) {
                return Step::Failed;
            }
            addresses = std::move(lookup->found);
            return Step::Done;
        }
        if (!handler.carryOn(0)) {
            return Step::Stopped;
        }
        if (Clock::now() >= giveUp) {
            return Step::Failed;
        }
    }
}

Step connectTo(const addrinfo* list, ReplyHandler& handler, const Wakeup* wakeup,
               Clock::time_point giveUpAll, Descriptor& connection) {
    for (const addrinfo* address = list; address; address = address->ai_next) {
        Descriptor socket(::socket(address->ai_family,
                                   address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                   address->ai_protocol));
        if (socket.get() < 0) {
            continue;
        }
        if (::connect(socket.get(), address->ai_addr, address->ai_addrlen) == 0) {
            connection = std::move(socket);
            return Step::Done;
        }
        if (errno != EINPROGRESS && errno != EINTR) {
            continue; // the connection goes on in the background after an interruption too
        }
        const auto giveUp = std::min(Clock::now() + connectPatience, giveUpAll);
        for (;;) {
            // The last address may take as long as the connection deadline lets it.
            const auto step = stepUntil(address->ai_next ? giveUp : giveUpAll);
            const Wait wait = await(socket.get(), POLLOUT, wakeup, step);
            if (wait == Wait::Error) {
                break;
            }
            if (wait == Wait::Ready) {
                int error = 0;
                socklen_t length = sizeof error;
                if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                    error == 0) {
                    connection = std::move(socket);
                    return Step::Done;
                }
                break;
            }
            if (!handler.carryOn(0)) {
                return Step::Stopped;
            }
            if (Clock::now() >= giveUpAll) {
                return Step::Failed;
            }
            if (address->ai_next && Clock::now() >= giveUp) {
                break;
            }
        }
    }
    return Step::Failed;
}

// "HTTP/" followed by a version, one blank, a three-digit code and then the end or a blank;
// the code, or nothing when the line is not a status line.
std::optional<int> statusOf(std::string_view line) {
    if (!startsWithNoCase(line, "HTTP/")) {
        return std::nullopt;
    }
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 5) {
        return std::nullopt;
    }
    const std::string_view version = line.substr(5, blank - 5);
    for (const char c : version) {
        if ((c < '0' || c > '9') && c != '.') {
            return std::nullopt;
        }
    }
    const std::string_view rest = line.substr(blank + 1);
    if (rest.size() < 3 || (rest.size() > 3 && rest[3] != ' ')) {
        return std::nullopt;
    }
    const auto code = httptext::decimal(rest.substr(0, 3), 999);
    if (!code || *code < 100) {
        return std::nullopt;
    }
    return static_cast<int>(*code);
}

// The reply as the bytes arrive: the heads line by line, then the body by its framing.
class ReplyParser {
public:
    enum class State { Reading, Complete, Stopped, Failed };

    explicit ReplyParser(ReplyHandler& handler) : m_handler(handler) {}

    State feed(std::string_view bytes) {
        while (!bytes.empty() && m_state == State::Reading) {
            switch (m_phase) {
            case Phase::Length: {
                const auto take = static_cast<std::size_t>(
                    std::min<std::int64_t>(m_left, static_cast<std::int64_t>(bytes.size())));
                body(bytes.substr(0, take));
                bytes.remove_prefix(take);
                m_left -= static_cast<std::int64_t>(take);
                if (m_left == 0 && m_state == State::Reading) {
                    m_phase = m_chunked ? Phase::ChunkEnd : Phase::Done;
                }
                break;
            }
            case Phase::ToClose:
                body(bytes);
                bytes = {};
                break;
            case Phase::Done:
                m_state = State::Complete;
                break;
            default:
                bytes = line(bytes);
                break;
            }
        }
        if (m_phase == Phase::Done && m_state == State::Reading) {
            m_state = State::Complete;
        }
        return m_state;
    }

    // The connection has closed: only a body that runs to the close ends well there, and only
    // when the close is a proper one (over TLS, one an attacker cannot forge).
    State closed(bool proper) {
        if (m_state == State::Reading) {
            m_state = (m_phase == Phase::ToClose && proper) || m_phase == Phase::Done
                          ? State::Complete
                          : State::Failed;
        }
        return m_state;
    }

    int status() const { return m_status; }
    std::int64_t received() const { return m_received; }

private:
    enum class Phase { Head, Length, ToClose, ChunkSize, ChunkEnd, Trailer, Done };

    // Gathers one line; the rest of the bytes once it is whole.
    std::string_view line(std::string_view bytes) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        const std::size_t limit = m_phase == Phase::ChunkSize || m_phase == Phase::ChunkEnd
                                      ? mostChunkLineBytes
                                      : mostHeadBytes - std::min(mostHeadBytes, m_headBytes);
        if (m_line.size() + piece.size() > limit) {
            m_state = State::Failed;
            return {};
        }
        m_line.append(piece);
        if (end == std::string_view::npos) {
            return {};
        }
        if (!m_line.empty() && m_line.back() == '\r') {
            m_line.pop_back();
        }
        const std::string whole = std::move(m_line);
        m_line.clear();
        m_headBytes += whole.size() + 2;
        lineDone(whole);
        return bytes.substr(end + 1);
    }

    void lineDone(std::string_view text) {
        switch (m_phase) {
        case Phase::Head:
            headLine(text);
            break;
        case Phase::ChunkSize:
            chunkSize(text);
            break;
        case Phase::ChunkEnd:
            if (!text.empty()) {
                m_state = State::Failed;
            }
            m_phase = Phase::ChunkSize;
            break;
        case Phase::Trailer:
            // Trailers are read past: nothing after the body may change how it was taken.
            if (text.empty()) {
                m_phase = Phase::Done;
            }
            break;
        default:
            break;
        }
    }

    void headLine(std::string_view text) {
        // A line folded onto the one before, or a line end inside a line: readers further on
        // could take either for the end of the head, so the reply is refused.
        if (text.find('\r') != std::string_view::npos ||
            (!m_atStatusLine && !text.empty() && (text.front() == ' ' || text.front() == '\t'))) {
            m_state = State::Failed;
            return;
        }
        if (m_atStatusLine) {
            const auto status = statusOf(text);
            if (!status || ++m_heads > mostHeads) {
                m_state = State::Failed;
                return;
            }
            m_atStatusLine = false;
            m_headStatus = *status;
            m_length.reset();
            m_chunked = false;
            m_coded = false;
        } else if (!text.empty()) {
            if (startsWithNoCase(text, "content-length:") && !readLength(text.substr(15))) {
                m_state = State::Failed;
                return;
            }
            if (startsWithNoCase(text, "transfer-encoding:")) {
                // The last coding decides; any other one leaves the body to run to the close.
                const std::string_view codings = text.substr(18);
                const std::size_t comma = codings.rfind(',');
                const std::string_view last =
                    trimmed(comma == std::string_view::npos ? codings : codings.substr(comma + 1));
                m_coded = true;
                m_chunked = httptext::lowered(last) == "chunked";
            }
        }
        if (!m_handler.headLine(text)) {
            m_state = State::Stopped;
            return;
        }
        if (text.empty()) {
            headDone();
        }
    }

    // Every Content-Length line, and every value in a list, must name the same length.
    bool readLength(std::string_view values) {
        while (true) {
            const std::size_t comma = values.find(',');
            const auto length = httptext::decimal(trimmed(values.substr(0, comma)), mostBodyBytes);
            if (!length || (m_length && *m_length != *length)) {
                return false;
            }
            m_length = *length;
            if (comma == std::string_view::npos) {
                return true;
            }
            values.remove_prefix(comma + 1);
        }
    }

    void headDone() {
        m_headBytes = 0;
        if (m_headStatus < 200) {
            m_atStatusLine = true; // an interim reply: the real head follows
            return;
        }
        m_status = m_headStatus;
        if (m_status == 204 || m_status == 304) {
            m_phase = Phase::Done;
        } else if (m_chunked) {
            m_phase = Phase::ChunkSize;
        } else if (m_length && !m_coded) {
            m_left = *m_length;
            m_phase = m_left == 0 ? Phase::Done : Phase::Length;
        } else {
            m_phase = Phase::ToClose;
        }
    }

    void chunkSize(std::string_view text) {
        std::size_t digits = 0;
        std::int64_t size = 0;
        for (; digits < text.size(); ++digits) {
            const int value = httptext::hexDigit(text[digits]);
            if (value < 0) {
                break;
            }
            if (size > (mostBodyBytes >> 4)) {
                m_state = State::Failed;
                return;
            }
            size = size * 16 + value;
        }
        const std::string_view rest = trimmed(text.substr(digits));
        if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
            m_state = State::Failed;
            return;
        }
        if (size == 0) {
            m_phase = Phase::Trailer;
            m_headBytes = 0;
        } else {
            m_left = size;
            m_phase = Phase::Length;
        }
    }

    void body(std::string_view bytes) {
        if (bytes.empty()) {
            return;
        }
        m_received += static_cast<std::int64_t>(bytes.size());
        if (!m_handler.bodyBytes(bytes)) {
            m_state = State::Stopped;
        }
    }

    ReplyHandler& m_handler;
    State m_state = State::Reading;
    Phase m_phase = Phase::Head;
    std::string m_line;          // the line gathered so far
    std::size_t m_headBytes = 0; // of the head (or the trailers) being read
    int m_heads = 0;
    bool m_atStatusLine = true;
    int m_headStatus = 0;
    int m_status = 0; // of the final head
    std::optional<std::int64_t> m_length;
    bool m_chunked = false;
    bool m_coded = false;    // a Transfer-Encoding was named
    std::int64_t m_left = 0; // bytes of the body, or of the chunk, still to come
    std::int64_t m_received = 0;
};

// The connection, plain or under TLS, with the deadline of the wait under way.
class Stream {
public:
    Stream(int fd, ReplyHandler& handler, const Wakeup* wakeup)
        : m_fd(fd), m_handler(handler), m_wakeup(wakeup) {}

    enum class Io { Done, WantRead, WantWrite, Closed, Cut, Failed };

    void setLimit(Clock::time_point limit) { m_limit = limit; }
    Clock::time_point limit() const { return m_limit; }

    // TLS from here on, verified for `host`.
    Step secure(const std::string& host, std::int64_t received) {
        m_tls = httptls::Session::open(m_fd, host);
        if (!m_tls) {
            return Step::Failed;
        }
        for (;;) {
            switch (m_tls->handshake()) {
            case httptls::Io::Done:
                return Step::Done;
            case httptls::Io::WantRead:
                if (const Step step = wait(POLLIN, received); step != Step::Done) {
                    return step;
                }
                break;
            case httptls::Io::WantWrite:
                if (const Step step = wait(POLLOUT, received); step != Step::Done) {
                    return step;
                }
                break;
            default:
                return Step::Failed;
            }
        }
    }

    Io send(const char* data, std::size_t size, std::size_t& count) {
        if (m_tls) {
            return fromTls(m_tls->send(data, size, count));
        }
        for (;;) {
            const ssize_t sent = ::send(m_fd, data, size, MSG_NOSIGNAL);
            if (sent >= 0) {
                count = static_cast<std::size_t>(sent);
                return Io::Done;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return Io::WantWrite;
            }
            // A server that stops reading may have answered first.
            return errno == EPIPE || errno == ECONNRESET ? Io::Closed : Io::Failed;
        }
    }

    Io receive(char* data, std::size_t size, std::size_t& count) {
        if (m_tls) {
            return fromTls(m_tls->receive(data, size, count));
        }
        for (;;) {
            const ssize_t got = ::recv(m_fd, data, size, 0);
            if (got > 0) {
                count = static_cast<std::size_t>(got);
                return Io::Done;
            }
            if (got == 0) {
                return Io::Closed;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return Io::WantRead;
            }
            return Io::Failed; // a reset included
        }
    }

    // Waits for `events`; Done when ready, Failed once the limit has passed, Stopped when the
    // handler says so.
    Step wait(short events, std::int64_t received) {
        for (;;) {
            const Wait wait = await(m_fd, events, m_wakeup, stepUntil(m_limit));
            if (wait == Wait::Error) {
                return Step::Failed;
            }
            if (wait == Wait::Ready) {
                return Step::Done;
            }
            if (!m_handler.carryOn(received)) {
                return Step::Stopped;
            }
            if (Clock::now() >= m_limit) {
                return Step::Failed;
            }
        }
    }

private:
    static Io fromTls(httptls::Io io) {
        switch (io) {
        case httptls::Io::Done:
            return Io::Done;
        case httptls::Io::WantRead:
            return Io::WantRead;
        case httptls::Io::WantWrite:
            return Io::WantWrite;
        case httptls::Io::Closed:
            return Io::Closed;
        case httptls::Io::Cut:
            return Io::Cut;
        default:
            return Io::Failed;
        }
    }

    int m_fd;
    ReplyHandler& m_handler;
    const Wakeup* m_wakeup;
    Clock::time_point m_limit;
    std::unique_ptr<httptls::Session> m_tls;
};

Step sendAll(Stream& stream, std::string_view data, const Deadlines& deadlines) {
    while (!data.empty()) {
        std::size_t count = 0;
        switch (stream.send(data.data(), data.size(), count)) {
        case Stream::Io::Done:
            data.remove_prefix(count);
            stream.setLimit(Clock::now() + deadlines.idle);
            break;
        case Stream::Io::WantRead:
            if (const Step step = stream.wait(POLLIN, 0); step != Step::Done) {
                return step;
            }
            break;
        case Stream::Io::WantWrite:
            if (const Step step = stream.wait(POLLOUT, 0); step != Step::Done) {
                return step;
            }
            break;
        case Stream::Io::Closed:
            return Step::Done; // its reply is read all the same
        default:
            return Step::Failed;
        }
    }
    return Step::Done;
}

// The reply of a proxy to CONNECT: a 2xx head, read to its blank line and no further.
Step openTunnel(Stream& stream, const Route& route, const Deadlines& deadlines) {
    std::string request = "CONNECT " + route.tunnel + " HTTP/1.0\r\nHost: " + route.tunnel + "\r\n";
    if (!route.tunnelCredentials.empty()) {
        request +=
            "Proxy-Authorization: Basic " + httptext::base64(route.tunnelCredentials) + "\r\n";
    }
    request += "\r\n";
    if (const Step step = sendAll(stream, request, deadlines); step != Step::Done) {
        return step;
    }
    std::string head;
    while (!head.ends_with("\r\n\r\n") && !head.ends_with("\n\n")) {
        if (head.size() >= mostHeadBytes) {
            return Step::Failed;
        }
        char byte = 0;
        std::size_t count = 0;
        switch (stream.receive(&byte, 1, count)) {
        case Stream::Io::Done:
            head += byte;
            break;
        case Stream::Io::WantRead:
            if (const Step step = stream.wait(POLLIN, 0); step != Step::Done) {
                return step;
            }
            break;
        default:
            return Step::Failed;
        }
    }
    const auto status = statusOf(std::string_view(head).substr(0, head.find_first_of("\r\n")));
    return status && *status >= 200 && *status < 300 ? Step::Done : Step::Failed;
}

Result readReply(Stream& stream, ReplyHandler& handler, const Deadlines& deadlines) {
    ReplyParser parser(handler);
    const auto result = [&parser](ReplyParser::State state) {
        switch (state) {
        case ReplyParser::State::Complete:
            return Result{Ending::Complete, parser.status()};
        case ReplyParser::State::Stopped:
            return Result{Ending::Stopped, parser.status()};
        default:
            return Result{Ending::Failed, parser.status()};
        }
    };
    char buffer[16 * 1024];
    for (;;) {
        std::size_t count = 0;
        const Stream::Io io = stream.receive(buffer, sizeof buffer, count);
        switch (io) {
        case Stream::Io::Done: {
            stream.setLimit(Clock::now() + deadlines.idle);
            const auto state = parser.feed(std::string_view(buffer, count));
            if (state != ReplyParser::State::Reading) {
                return result(state);
            }
            if (!handler.carryOn(parser.received())) {
                return result(ReplyParser::State::Stopped);
            }
            break;
        }
        case Stream::Io::Closed:
            return result(parser.closed(true));
        case Stream::Io::Cut:
            return result(parser.closed(false));
        case Stream::Io::WantRead:
        case Stream::Io::WantWrite: {
            const Step step =
                stream.wait(io == Stream::Io::WantRead ? POLLIN : POLLOUT, parser.received());
            if (step == Step::Stopped) {
                return result(ReplyParser::State::Stopped);
            }
            if (step == Step::Failed) {
                return result(ReplyParser::State::Failed);
            }
            break;
        }
        default:
            return result(ReplyParser::State::Failed);
        }
    }
}

Result ending(Step step) {
    return {step == Step::Stopped ? Ending::Stopped : Ending::Failed, 0};
}

} // namespace

Wakeup::Wakeup() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Wakeup::~Wakeup() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void Wakeup::wake() const {
    const std::uint64_t one = 1;
    if (m_fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
    }
}

Result exchangeVia(const Route& route, std::string_view request, ReplyHandler& handler,
                   const Wakeup* wakeup, const Deadlines& deadlines) {
    if (!handler.carryOn(0)) {
        return {Ending::Stopped, 0};
    }
    const auto giveUp = Clock::now() + deadlines.connect;
    Addresses addresses;
    if (const Step step = lookUp(route.endpoint, handler, wakeup, giveUp, addresses);
        step != Step::Done) {
        return ending(step);
    }
    Descriptor connection;
    if (const Step step = connectTo(addresses.get(), handler, wakeup, giveUp, connection);
        step != Step::Done) {
        return ending(step);
    }
    addresses.reset();
    Stream stream(connection.get(), handler, wakeup);
    stream.setLimit(giveUp);
    if (!route.tunnel.empty()) {
        if (const Step step = openTunnel(stream, route, deadlines); step != Step::Done) {
            return ending(step);
        }
    }
    if (!route.tlsHost.empty()) {
        if (const Step step = stream.secure(route.tlsHost, 0); step != Step::Done) {
            return ending(step);
        }
    }
    stream.setLimit(Clock::now() + deadlines.idle);
    if (const Step step = sendAll(stream, request, deadlines); step != Step::Done) {
        return ending(step);
    }
    return readReply(stream, handler, deadlines);
}

Result exchange(const Endpoint& endpoint, std::string_view request, ReplyHandler& handler,
                const Wakeup* wakeup) {
    return exchangeVia(Route{endpoint, {}, {}, {}}, request, handler, wakeup);
}

} // namespace httpexchange
