#pragma once

// A game ticket as the score server issues it, one line:
//   "1.<id: 32 lowercase hex>.<seed: 16 lowercase hex>.<issued: unix seconds>.<mac: 64 lowercase
//   hex>"
// where mac is the server's HMAC-SHA256 of everything before the last ".". The game only needs
// the seed; the server checks the rest.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TicketFields {
    std::string id;
    std::uint64_t seed = 0;
    std::int64_t issued = 0;
    std::string mac;
    std::string signedPart; // the line up to, not including, the last "."
};

// Strict: version "1", the exact lengths, lowercase hex, issued in decimal without a sign or
// leading zeros, nothing before or after (no line end either). Nothing when the line is not
// exactly a ticket.
std::optional<TicketFields> parseTicket(std::string_view line);
