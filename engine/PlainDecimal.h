#pragma once

// The one way the record and ticket formats read a number: decimal digits only, no sign, no
// leading zero, at most maxDigits of them (at most 18 keeps any value inside 64 bits).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

inline std::optional<std::int64_t> plainDecimal(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        value = value * 10 + (ch - '0');
    }
    return value;
}
