#pragma once

// How a fetch takes in one reply, without Qt or libcurl: FetchOutcome, FetchControl and
// ReplyReader, which the transfer feeds with the reply's head lines and body bytes as they
// arrive.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace httpfetch {

// The body is read in pieces of at most this many bytes.
inline constexpr std::size_t pieceBytes = 1025;
// A text body longer than this fails the fetch instead of growing without bound.
inline constexpr std::size_t maxTextBytes = 16 * 1024 * 1024;

struct FetchOutcome {
    bool success = false;           // the body has at least one byte
    std::string body;               // the bytes read, unchanged
    std::int64_t contentLength = 0; // the reply's Content-Length, 0 when it had none
    long status = 0;                // the final reply's status code, 0 when none arrived
};

// What the running fetch asks of its caller.
class FetchControl {
public:
    virtual ~FetchControl() = default;
    // Polled at the four checks (after the split, after sending, after the Content-Length,
    // before each piece) and while the transfer waits, so a stop is noticed within about a
    // second even when the server says nothing.
    virtual bool stopAsked() = 0;
    // After each piece: the Content-Length (0 when none) and the bytes received so far.
    virtual void progress(std::int64_t totalSize, std::int64_t readed) = 0;
};

// The rules a fetch applies to one reply. The transfer hands over every line of each reply head
// (an interim 1xx head, then the final one) and then the body bytes, already freed of any
// transfer coding. A false answer means the fetch fails and nothing more is to be read.
class ReplyReader {
public:
    ReplyReader(bool binaryData, FetchControl& control);

    // One head line, with or without its line end. The blank line ends a head: the final head
    // is then checked (a Content-Length that is not a number fails; with binaryData, so does a
    // missing one). Lines after the final head (chunked trailers) change nothing.
    bool headerLine(std::string_view line);

    // Body bytes as they arrive, taken in pieces of at most pieceBytes with a progress report
    // after each. False when a stop was asked or the body would pass maxTextBytes.
    bool bodyBytes(std::string_view bytes);

    // The outcome once the transfer has ended; `refused` when the transfer was cut short by a
    // false answer or a stop. Success needs the final head and at least one body byte.
    FetchOutcome finish(bool refused);

    // The status code of the last status line seen, 0 before one.
    int status() const { return m_status; }

private:
    bool headComplete();

    bool m_binaryData;
    FetchControl& m_control;
    FetchOutcome m_outcome;
    int m_status = 0;
    bool m_headSeen = false;   // the first line of a reply head has arrived
    bool m_atHeadStart = true; // the next line is the status line of a head
    bool m_headDone = false;   // the final reply head is complete; body bytes follow
    std::optional<std::string> m_contentLengthText;
    std::int64_t m_total = 0;
};

} // namespace httpfetch
