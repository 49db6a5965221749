#pragma once

// A game ticket as the score server issues it, one line, either
//   "1.<id: 32 lowercase hex>.<seed: 16 lowercase hex>.<issued: unix seconds>.<mac: 64 lowercase
//   hex>"
// or, for the day's game that everyone plays on the same seed,
//   "2.<id>.<seed>.<issued>.<day: YYYY-MM-DD>.<mac>"
// where mac is the server's HMAC-SHA256 of everything before the last ".". The game only needs
// the seed (and the day, to say a game is the daily one); the server checks the rest.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TicketFields {
    std::string id;
    std::uint64_t seed = 0;
    std::int64_t issued = 0;
    std::string day; // "YYYY-MM-DD" on a daily ticket, empty on a normal one
    std::string mac;
    std::string signedPart; // the line up to, not including, the last "."
};

// Strict: version "1" or "2", the exact lengths, lowercase hex, issued in decimal without a sign
// or leading zeros, a real calendar day on version 2, nothing before or after (no line end
// either). Nothing when the line is not exactly a ticket.
std::optional<TicketFields> parseTicket(std::string_view line);

// Days since 1970-01-01 of a day written "YYYY-MM-DD" (years 1970 to 9999, a real date), or
// nothing.
std::optional<std::int64_t> dayNumber(std::string_view day);

// The "YYYY-MM-DD" of a day number; days must lie in the years dayNumber reads.
std::string dayText(std::int64_t days);
