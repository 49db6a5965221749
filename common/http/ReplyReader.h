#pragma once

// ReplyReader: how a fetch takes in one reply, without Qt or libcurl. The transfer feeds it the
// reply's head lines and body bytes as they arrive.

#include "common/http/FetchControl.h"
#include "common/http/FetchOutcome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace httpfetch {

// The body is read in pieces of at most this many bytes.
inline constexpr std::size_t pieceBytes = 1025;
// A text body longer than this fails the fetch instead of growing without bound.
inline constexpr std::size_t maxTextBytes = 16 * 1024 * 1024;

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
