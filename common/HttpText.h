#pragma once

// The small text rules the HTTP clients and the high-score page's sanitiser share: ASCII letter
// case, blanks around a header value, decimal numbers in a head, percent-encoding and decoding, and
// the Base64 of a Basic authorisation. No Qt.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace httptext {

constexpr char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

// Whether text begins with prefix, ASCII letter case ignored on both sides.
constexpr bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, char t) { return lower(p) == lower(t); });
}

// The text without the blanks, tabs and line ends around it.
constexpr std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A non-negative decimal number no greater than limit and nothing else; empty when the text is
// anything more.
constexpr std::optional<std::int64_t> decimal(std::string_view text, std::int64_t limit) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > limit) {
        return std::nullopt;
    }
    return value;
}

// The text with control bytes, DEL, bytes above 127 and every byte of alsoEncoded written as
// "%XX" (upper-case hex); every other byte goes as it is.
inline std::string percentEncode(std::string_view text, std::string_view alsoEncoded) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || alsoEncoded.find(c) != std::string_view::npos) {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0f];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// The value of one hexadecimal digit in either letter case, -1 for any other character.
constexpr int hexDigit(char c) {
    return c >= '0' && c <= '9'                 ? c - '0'
           : lower(c) >= 'a' && lower(c) <= 'f' ? lower(c) - 'a' + 10
                                                : -1;
}

// Decodes %XX escapes; a "%" not followed by two hex digits is refused (nullopt). A "+" stays a
// "+": the game never uses it for a blank.
inline std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || hexDigit(text[i + 1]) < 0 || hexDigit(text[i + 2]) < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
        i += 2;
    }
    return out;
}

// The text in Base64 with padding, as a Basic authorisation carries "user:password".
inline std::string base64(std::string_view text) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((text.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < text.size(); at += 3) {
        const std::size_t left = text.size() - at;
        std::uint32_t group = static_cast<unsigned char>(text[at]) << 16;
        if (left > 1) {
            group |= static_cast<unsigned char>(text[at + 1]) << 8;
        }
        if (left > 2) {
            group |= static_cast<unsigned char>(text[at + 2]);
        }
        encoded += digits[(group >> 18) & 63];
        encoded += digits[(group >> 12) & 63];
        encoded += left > 1 ? digits[(group >> 6) & 63] : '=';
        encoded += left > 2 ? digits[group & 63] : '=';
    }
    return encoded;
}

// Whether the text may stand as a header value: no line end, no NUL, so it cannot start a line
// of its own.
constexpr bool fitsHeader(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace httptext
