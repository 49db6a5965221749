// libFuzzer target: any bytes as a reply to a text fetch, handed to the reply reader the way the
// transfer hands them over: head lines one by one (interim 1xx heads first), then the body in
// writes of up to 16 KiB. Checks the pieces and progress reports, the Content-Length rules, the
// stop and the outcome against what the reply holds.
#include "common/http/ReplyReader.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

using namespace httpfetch;

namespace {

// Stops from a chosen poll on; checks every progress report.
class Control : public FetchControl {
public:
    explicit Control(int stopAt) : m_stopAt(stopAt) {}

    bool stopAsked() override {
        ++m_polls;
        m_stopped = m_stopped || (m_stopAt > 0 && m_polls >= m_stopAt);
        return m_stopped;
    }

    void progress(std::int64_t totalSize, std::int64_t readed) override {
        // No piece after a stop was seen, none over pieceBytes, none empty.
        if (m_stopped || readed <= m_readed || readed - m_readed > std::int64_t(pieceBytes))
            std::abort();
        if (m_totalSize && *m_totalSize != totalSize)
            std::abort();
        m_totalSize = totalSize;
        m_readed = readed;
    }

    bool stopped() const { return m_stopped; }
    std::int64_t readed() const { return m_readed; }
    std::optional<std::int64_t> totalSize() const { return m_totalSize; }

private:
    int m_stopAt;
    int m_polls = 0;
    bool m_stopped = false;
    std::int64_t m_readed = 0;
    std::optional<std::int64_t> m_totalSize;
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The Content-Length the final head gives: nothing when it has none, -1 when it is no number.
struct Expected {
    bool headEnds = false;
    std::optional<std::int64_t> contentLength;
};

std::int64_t lengthValue(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos)
        return -1;
    return std::stoll(std::string(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const bool binaryData = data[0] & 1;
    Control control(data[0] >> 1);
    const std::size_t writeBytes = 1 + (data[1] * 131u) % 16384u;
    std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    ReplyReader reader(binaryData, control);
    bool refused = false;
    Expected expected;
    int status = 0;
    bool atHeadStart = true;
    std::optional<std::string_view> lengthLine;
    while (!reply.empty() && !expected.headEnds) {
        const std::size_t end = reply.find('\n');
        const std::string_view line = reply.substr(0, end == reply.npos ? reply.size() : end + 1);
        reply.remove_prefix(line.size());
        if (atHeadStart) {
            // The first line of a head is its status line: the digits right after the first
            // blank; the exchange hands over no other status line.
            atHeadStart = false;
            const std::size_t blank = startsWithNoCase(line, "http/") ? line.find(' ') : line.npos;
            const std::string_view code =
                blank == line.npos ? std::string_view() : line.substr(blank + 1, 3);
            status = code.size() == 3 && code.find_first_not_of("0123456789") == code.npos
                         ? std::stoi(std::string(code))
                         : 0;
            lengthLine.reset();
        } else if (startsWithNoCase(line, "content-length:")) {
            lengthLine = line.substr(15);
        } else if (trim(line).empty()) {
            if (status >= 100 && status < 200) {
                lengthLine.reset();
                atHeadStart = true;
            } else
                expected.headEnds = true;
        }
        if (!reader.headerLine(line)) {
            refused = true;
            break;
        }
    }
    if (lengthLine)
        expected.contentLength = lengthValue(*lengthLine);

    const std::string_view body = expected.headEnds ? reply : std::string_view();
    for (std::string_view rest = body; !refused && !rest.empty();) {
        const std::string_view write = rest.substr(0, writeBytes);
        rest.remove_prefix(write.size());
        refused = !reader.bodyBytes(write);
    }
    // Lines after the body, as chunked trailers arrive, change nothing.
    if (!refused && expected.headEnds && !reader.headerLine("Content-Length: x\r\n"))
        std::abort();
    const FetchOutcome outcome = reader.finish(refused);

    if (outcome.success) {
        // Everything that arrived, unchanged; a Content-Length only when it was a number.
        if (control.stopped() || outcome.body != body ||
            control.readed() != std::int64_t(body.size()))
            std::abort();
        if (expected.contentLength.value_or(0) != outcome.contentLength ||
            (binaryData && !expected.contentLength))
            std::abort();
        if (control.totalSize() != outcome.contentLength)
            std::abort();
    } else {
        if (!outcome.body.empty())
            std::abort();
        // A reply that gives a usable head and a body fails only on a stop.
        const bool usableHead =
            expected.headEnds &&
            (expected.contentLength ? *expected.contentLength >= 0 : !binaryData);
        if (usableHead && !body.empty() && body.size() <= maxTextBytes && !control.stopped())
            std::abort();
        // A head the rules refuse reads nothing.
        if (expected.headEnds && !usableHead && control.readed() != 0)
            std::abort();
    }
    return 0;
}
