#include "common/http/ReplyReader.h"

#include "common/HttpText.h"

#include <algorithm>

namespace httpfetch {

namespace {

using httptext::decimal;
using httptext::startsWithNoCase;
using httptext::trimmed;

// The three-digit code of a status line "HTTP/x.y NNN reason", 0 when it has none.
int statusCode(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return 0;
    }
    const auto code = decimal(line.substr(blank + 1, 3), 999);
    return code && line.size() >= blank + 4 ? static_cast<int>(*code) : 0;
}

} // namespace

ReplyReader::ReplyReader(bool binaryData, FetchControl& control)
    : m_binaryData(binaryData), m_control(control) {}

bool ReplyReader::headerLine(std::string_view line) {
    if (m_headDone) {
        return true;
    }
    if (!m_headSeen) {
        m_headSeen = true;
        if (m_control.stopAsked()) {
            return false;
        }
    }
    // Only the first line of a head is its status line; a header line that happens to begin
    // with "HTTP/" must not drop the Content-Length read before it.
    if (m_atHeadStart) {
        m_atHeadStart = false;
        m_status = startsWithNoCase(line, "http/") ? statusCode(line) : 0;
        m_contentLengthText.reset();
    } else if (startsWithNoCase(line, "content-length:")) {
        m_contentLengthText = std::string(line.substr(15));
    } else if (trimmed(line).empty()) {
        return headComplete();
    }
    return true;
}

bool ReplyReader::headComplete() {
    if (m_status >= 100 && m_status < 200) {
        // An interim reply: the real head follows.
        m_contentLengthText.reset();
        m_atHeadStart = true;
        return true;
    }
    m_headDone = true;
    m_outcome.status = m_status;
    if (m_control.stopAsked()) {
        return false;
    }
    if (!m_contentLengthText) {
        return !m_binaryData;
    }
    // A Content-Length that is not a number cannot be trusted; failing is safer than reporting
    // an empty success.
    const auto length = decimal(trimmed(*m_contentLengthText), INT64_MAX / 2);
    if (!length || m_control.stopAsked()) {
        return false;
    }
    m_outcome.contentLength = *length;
    return true;
}

bool ReplyReader::bodyBytes(std::string_view bytes) {
    while (!bytes.empty()) {
        if (m_control.stopAsked()) {
            return false;
        }
        const std::size_t piece = std::min(bytes.size(), pieceBytes);
        if (m_outcome.body.size() + piece > maxTextBytes) {
            return false;
        }
        m_outcome.body.append(bytes.substr(0, piece));
        m_total += static_cast<std::int64_t>(piece);
        m_control.progress(m_outcome.contentLength, m_total);
        bytes.remove_prefix(piece);
    }
    return true;
}

FetchOutcome ReplyReader::finish(bool refused) {
    FetchOutcome outcome = std::move(m_outcome);
    outcome.success = !refused && m_headDone && m_total > 0;
    if (!outcome.success) {
        outcome.body.clear();
    }
    return outcome;
}

} // namespace httpfetch
