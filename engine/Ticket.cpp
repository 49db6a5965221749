#include "engine/Ticket.h"

#include "engine/PlainDecimal.h"

#include <vector>

namespace {

constexpr std::size_t idDigits = 32;
constexpr std::size_t seedDigits = 16;
constexpr std::size_t macDigits = 64;
constexpr std::size_t maxIssuedDigits = 18; // stays well inside a signed 64-bit number

bool lowerHex(std::string_view text, std::size_t digits) {
    if (text.size() != digits) {
        return false;
    }
    for (const char ch : text) {
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<TicketFields> parseTicket(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t dot = line.find('.', from);
        parts.push_back(line.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos || parts.size() > 5) {
            break;
        }
        from = dot + 1;
    }
    if (parts.size() != 5 || parts[0] != "1" || !lowerHex(parts[1], idDigits) ||
        !lowerHex(parts[2], seedDigits) || !lowerHex(parts[4], macDigits)) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> issued = plainDecimal(parts[3], maxIssuedDigits);
    if (!issued) {
        return std::nullopt;
    }
    TicketFields fields;
    fields.id = std::string(parts[1]);
    for (const char ch : parts[2]) {
        fields.seed =
            (fields.seed << 4U) | static_cast<std::uint64_t>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
    }
    fields.issued = *issued;
    fields.mac = std::string(parts[4]);
    fields.signedPart = std::string(line.substr(0, line.size() - macDigits - 1));
    return fields;
}
