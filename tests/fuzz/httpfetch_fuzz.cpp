// libFuzzer target: any bytes as what a server sends back to a text fetch. A server on 127.0.0.1
// answers the whole fetch (the exchange's status line, head and chunked-body parsing, then the
// reply reader) with the bytes; the pieces and the outcome are checked, and for a reply that is
// well formed the body must be exactly the one the reply carries.
#include "common/http/HttpFetch.h"
#include "common/http/ReplyReader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

using namespace httpfetch;

namespace {

class Control : public FetchControl {
public:
    bool stopAsked() override { return false; }
    void progress(std::int64_t totalSize, std::int64_t readed) override {
        if (readed <= m_readed || readed - m_readed > std::int64_t(pieceBytes))
            std::abort();
        m_totalSize = totalSize;
        m_readed = readed;
    }
    std::int64_t readed() const { return m_readed; }
    std::optional<std::int64_t> totalSize() const { return m_totalSize; }

private:
    std::int64_t m_readed = 0;
    std::optional<std::int64_t> m_totalSize;
};

// A listening socket on a free port of 127.0.0.1, opened once for the whole run.
int listener(int& port) {
    static int fd = -1;
    static int bound = 0;
    if (fd < 0) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        bound = ntohs(address.sin_port);
    }
    port = bound;
    return fd;
}

// Takes one connection, reads the request head, sends the reply and closes.
void serveOnce(int fd, std::string_view reply) {
    const int client = ::accept(fd, nullptr, nullptr);
    if (client < 0)
        return;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    for (std::size_t sent = 0; sent < reply.size();) {
        const ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(client, SHUT_WR);
    while (::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(client);
}

bool isDigits(std::string_view text, int base = 10) {
    if (text.empty())
        return false;
    for (const char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(base == 16 && hex))
            return false;
    }
    return true;
}

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct Expected {
    std::string body;
    bool lengthGiven = false;
};

// The body a plainly well-formed reply carries: a status line "HTTP/1.x NNN text" with a final
// status that may have a body, header lines "Name: value", and either no Content-Length (body
// up to the end), one Content-Length (that many bytes, or what arrived), or chunked coding with
// well-formed chunks. Nothing when the reply is anything else. Codings other than chunked are
// not undone: the body is what the server sent.
std::optional<Expected> expectedBody(std::string_view reply) {
    const std::size_t headEnd = reply.find("\r\n\r\n");
    if (headEnd == std::string_view::npos)
        return std::nullopt;
    std::string_view head = reply.substr(0, headEnd + 2);
    std::string_view rest = reply.substr(headEnd + 4);
    const std::size_t firstEnd = head.find("\r\n");
    const std::string_view status = head.substr(0, firstEnd);
    head.remove_prefix(firstEnd + 2);
    if (status.size() < 12 ||
        !(status.starts_with("HTTP/1.0 ") || status.starts_with("HTTP/1.1 ")) ||
        !isDigits(status.substr(9, 3)) || (status.size() > 12 && status[12] != ' '))
        return std::nullopt;
    const int code = std::stoi(std::string(status.substr(9, 3)));
    if (code < 200 || code == 204 || code == 304 || code > 599)
        return std::nullopt;
    for (const char c : status)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            return std::nullopt;

    std::optional<std::string_view> length;
    bool chunked = false;
    while (!head.empty()) {
        const std::size_t end = head.find("\r\n");
        const std::string_view line = head.substr(0, end);
        head.remove_prefix(end + 2);
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return std::nullopt;
        for (const char c : line)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                return std::nullopt;
        const std::string_view name = line.substr(0, colon);
        if (name.find_first_of(" \t") != std::string_view::npos)
            return std::nullopt;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        while (!value.empty() && value.back() == ' ')
            value.remove_suffix(1);
        if (sameNoCase(name, "content-length")) {
            if (length || !isDigits(value) || value.size() > 15)
                return std::nullopt;
            length = value;
        } else if (sameNoCase(name, "transfer-encoding")) {
            if (chunked || !sameNoCase(value, "chunked") || !status.starts_with("HTTP/1.1"))
                return std::nullopt;
            chunked = true;
        }
    }
    if (chunked) {
        if (length)
            return std::nullopt;
        std::string body;
        while (true) {
            const std::size_t end = rest.find("\r\n");
            if (end == std::string_view::npos || !isDigits(rest.substr(0, end), 16) || end > 8)
                return std::nullopt;
            const std::size_t size = std::stoul(std::string(rest.substr(0, end)), nullptr, 16);
            rest.remove_prefix(end + 2);
            if (size == 0)
                return rest == "\r\n" ? std::optional<Expected>({body, false}) : std::nullopt;
            if (rest.size() < size + 2 || rest.substr(size, 2) != "\r\n")
                return std::nullopt;
            body.append(rest.substr(0, size));
            rest.remove_prefix(size + 2);
        }
    }
    if (length) {
        // A body cut short of its length is no body: the fetch fails.
        const std::size_t count = std::stoull(std::string(*length));
        if (rest.size() < count)
            return Expected{std::string(), true};
        return Expected{std::string(rest.substr(0, count)), true};
    }
    return Expected{std::string(rest), false};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
    int port = 0;
    const int fd = listener(port);

    FetchInput input;
    input.acceptTypes = "*/*";
    input.agent = "Bloomzap HTTPGet";
    input.url = "http://127.0.0.1:" + std::to_string(port) + "/counter/bloomzap.shtml";
    input.binaryData = data[0] & 1;
    Control control;
    std::thread server(serveOnce, fd, reply);
    const FetchOutcome outcome = fetch(input, control, [](const char*) { return std::string(); });
    server.join();

    if (outcome.success) {
        if (outcome.body.empty() || outcome.body.size() > maxTextBytes ||
            control.readed() != std::int64_t(outcome.body.size()) ||
            control.totalSize() != outcome.contentLength)
            std::abort();
    } else if (!outcome.body.empty()) {
        std::abort();
    }

    const std::optional<Expected> expected = expectedBody(reply);
    if (expected) {
        // A well-formed reply is delivered whole when it has a body, unless binary data was
        // asked for and it gives no Content-Length.
        const bool deliverable =
            !expected->body.empty() && (expected->lengthGiven || !input.binaryData);
        if (outcome.success != deliverable || (deliverable && outcome.body != expected->body))
            std::abort();
    }
    return 0;
}
