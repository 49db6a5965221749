#include "engine/Ticket.h"

#include "engine/PlainDecimal.h"

#include <cassert>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t idDigits = 32;
constexpr std::size_t seedDigits = 16;
constexpr std::size_t macDigits = 64;
constexpr std::size_t maxIssuedDigits = 18; // stays well inside a signed 64-bit number
constexpr int firstYear = 1970;
constexpr int lastYear = 9999;

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

// Exactly `digits` decimal digits (leading zeros allowed, as in a date).
std::optional<int> fixedDigits(std::string_view text, std::size_t digits) {
    if (text.size() != digits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        value = value * 10 + (ch - '0');
    }
    return value;
}

std::vector<std::string_view> dotParts(std::string_view line, std::size_t most) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t dot = line.find('.', from);
        parts.push_back(line.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos || parts.size() > most) {
            break;
        }
        from = dot + 1;
    }
    return parts;
}

} // namespace

std::optional<std::int64_t> dayNumber(std::string_view day) {
    if (day.size() != 10 || day[4] != '-' || day[7] != '-') {
        return std::nullopt;
    }
    const auto year = fixedDigits(day.substr(0, 4), 4);
    const auto month = fixedDigits(day.substr(5, 2), 2);
    const auto dayOfMonth = fixedDigits(day.substr(8, 2), 2);
    if (!year || !month || !dayOfMonth || *year < firstYear || *year > lastYear) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*dayOfMonth))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return std::chrono::sys_days(date).time_since_epoch().count();
}

std::string dayText(std::int64_t days) {
    const std::chrono::year_month_day date{
        std::chrono::sys_days(std::chrono::days(static_cast<std::chrono::days::rep>(days)))};
    const int year = static_cast<int>(date.year());
    assert(year >= firstYear && year <= lastYear);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    return text;
}

std::optional<TicketFields> parseTicket(std::string_view line) {
    const std::vector<std::string_view> parts = dotParts(line, 6);
    const bool daily = parts.size() == 6 && parts[0] == "2";
    if (!daily && !(parts.size() == 5 && parts[0] == "1")) {
        return std::nullopt;
    }
    if (!lowerHex(parts[1], idDigits) || !lowerHex(parts[2], seedDigits) ||
        !lowerHex(parts.back(), macDigits) || (daily && !dayNumber(parts[4]))) {
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
    if (daily) {
        fields.day = std::string(parts[4]);
    }
    fields.mac = std::string(parts.back());
    fields.signedPart = std::string(line.substr(0, line.size() - macDigits - 1));
    return fields;
}
