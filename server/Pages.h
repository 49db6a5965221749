#pragma once

#include "server/ScoreStore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace server {

// The server's HTML pages: HTML 4 documents with tables and font colours chosen to read well on
// the game viewer's dark grey (72, 72, 72) with its yellow default text, and in any browser. They
// hold no scripts and load no other files.
namespace pages {

inline constexpr int listLength = 100; // scores on the high-score page
inline constexpr int topLength = 10;   // scores on the invitation page

// Replaces the characters that carry meaning in HTML text and attributes with entities.
std::string htmlEscape(std::string_view text);

// counter/bloomzap.shtml: the best scores (rank, name, date, score, a mark on verified ones) and
// the total of postings; `verifiedOnly` says the standings hold the verified postings only.
std::string highScores(const Standings& standings, bool verifiedOnly = false);

// counter/bloomzapdaily.shtml: the daily list of `day` ("YYYY-MM-DD"): its best listLength
// counted games ranked, then its best topLength practice games, with links to the day before and,
// before `today` (days since 1970), the day after.
std::string daily(const std::string& day, const Standings& standings, std::int64_t today);

// The site root: what the game is, how to play, where the high scores are.
std::string home();

// multiplayer.html: an invitation to compete on the shared list, with its current top ten.
std::string multiplayer(const Standings& standings);

// Any path the server does not know.
std::string notFound();

} // namespace pages
} // namespace server
