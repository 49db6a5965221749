#pragma once

// The one way the record and ticket formats read a number: decimal digits only, no sign, no
// leading zero, at most maxDigits of them (at most 18 keeps any value inside 64 bits).

#include "common/HttpText.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

inline std::optional<std::int64_t> plainDecimal(std::string_view text, std::size_t maxDigits) {
    if (text.size() > maxDigits || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    return httptext::decimal(text, std::numeric_limits<std::int64_t>::max());
}
