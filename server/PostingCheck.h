#pragma once

// Reading the query of a score posting: PostingCheck and readPosting, with the decoding they use.

#include "server/PostingValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// The outcome of reading a posting's query: the values, or why they were refused.
struct PostingCheck {
    std::optional<PostingValues> values;
    std::string refusal; // one short sentence for the player when `values` is empty
};

namespace postingLimits {
inline constexpr std::size_t maxNameBytes = 32;
inline constexpr std::size_t maxDateBytes = 10;
} // namespace postingLimits

// Returns the text as UTF-8: valid UTF-8 as it is, anything else read as Latin-1.
std::string toUtf8(std::string_view bytes);

// Reads "name=…&date=…&score=…" (the raw query, escapes undecoded). Each key must appear once and
// no other key may appear. The name is 1 to 32 bytes, the date 1 to 10 bytes (counted after
// decoding, before conversion to UTF-8), neither holds control characters (bidirectional controls
// among them) nor only blanks; the
// score is a decimal integer from 0 to 2^31 - 1.
PostingCheck readPosting(std::string_view rawQuery);

// The checks of readPosting on values already decoded.
PostingCheck checkPosting(const std::string& name, const std::string& date, std::string_view score);

} // namespace server
