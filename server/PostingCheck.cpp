#include "server/PostingCheck.h"

#include "common/HttpText.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace server {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when there is none (overlong forms,
// surrogates and code points above U+10FFFF are not valid).
std::size_t utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    constexpr std::array<char32_t, 5> smallest{0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceAt(s, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

// True for the invisible marks that reorder the text around them: embeddings and overrides
// (U+202A..U+202E), isolates (U+2066..U+2069) and the marks U+200E, U+200F and U+061C. A name
// holding one can turn the names and scores beside it around on the page.
bool isBidiControl(char32_t cp) {
    return (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E ||
           cp == 0x200F || cp == 0x061C;
}

// The code point of the valid UTF-8 sequence of `n` bytes at `i`.
char32_t codePointAt(std::string_view utf8, std::size_t i, std::size_t n) {
    char32_t cp = static_cast<unsigned char>(utf8[i]);
    if (n > 1) {
        cp &= 0x7F >> n;
        for (std::size_t k = 1; k < n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
    }
    return cp;
}

// True when the valid UTF-8 text holds a C0 or C1 control character, DEL or a bidirectional
// control.
bool hasControl(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::max<std::size_t>(utf8SequenceAt(utf8, i), 1);
        const char32_t cp = codePointAt(utf8, i, n);
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || isBidiControl(cp)) {
            return true;
        }
        i += n;
    }
    return false;
}

// An unknown key as the refusal shows it: UTF-8 without control characters (each becomes "?"),
// at most 20 characters, never cut inside one.
std::string shownKey(std::string_view key) {
    const std::string utf8 = toUtf8(key);
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size() && characters < 20; ++characters) {
        const std::size_t n = utf8SequenceAt(utf8, i);
        assert(n > 0); // toUtf8 gives valid UTF-8 only
        const std::string_view one = std::string_view(utf8).substr(i, n);
        shown += hasControl(one) ? std::string_view("?") : one;
        i += n;
    }
    return shown;
}

// True for the code points Unicode gives the White_Space property.
bool isWhiteSpace(char32_t cp) {
    return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
           cp == 0x205F || cp == 0x3000;
}

// True when the valid UTF-8 text is made of white space only.
bool onlyBlanks(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = utf8SequenceAt(utf8, i);
        if (n == 0) {
            return false;
        }
        if (!isWhiteSpace(codePointAt(utf8, i, n))) {
            return false;
        }
        i += n;
    }
    return true;
}

// Checks one text value; returns the refusal or an empty string.
std::string checkText(const std::string& decoded, std::size_t maxBytes, const char* what,
                      std::string& utf8) {
    const std::string limit = std::to_string(maxBytes);
    if (decoded.empty() || decoded.size() > maxBytes) {
        return std::string("The ") + what + " must be 1 to " + limit + " bytes long.";
    }
    utf8 = toUtf8(decoded);
    if (hasControl(utf8)) {
        return std::string("The ") + what + " must not hold control characters.";
    }
    if (onlyBlanks(utf8)) {
        return std::string("The ") + what + " must not be blank.";
    }
    return {};
}

std::optional<std::int32_t> readScore(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 0x7FFFFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(value);
}

PostingCheck refuse(std::string why) {
    return PostingCheck{std::nullopt, std::move(why)};
}

} // namespace

std::string toUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

PostingCheck readPosting(std::string_view rawQuery) {
    std::optional<std::string> name;
    std::optional<std::string> date;
    std::optional<std::string> score;
    std::size_t start = 0;
    while (start <= rawQuery.size()) {
        std::size_t end = rawQuery.find('&', start);
        if (end == std::string_view::npos) {
            end = rawQuery.size();
        }
        const std::string_view pair = rawQuery.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos) {
            return refuse("Expected name=…&date=…&score=….");
        }
        const std::string_view key = pair.substr(0, eq);
        std::optional<std::string>* slot = key == "name"    ? &name
                                           : key == "date"  ? &date
                                           : key == "score" ? &score
                                                            : nullptr;
        if (slot == nullptr) {
            return refuse("Unknown value \"" + shownKey(key) + "\".");
        }
        if (slot->has_value()) {
            return refuse("The " + std::string(key) + " is given twice.");
        }
        *slot = httptext::percentDecode(pair.substr(eq + 1));
        if (!slot->has_value()) {
            return refuse("The " + std::string(key) + " holds a broken %-escape.");
        }
    }
    if (!name || !date || !score) {
        return refuse("A name, a date and a score are all needed.");
    }
    return checkPosting(*name, *date, *score);
}

PostingCheck checkPosting(const std::string& name, const std::string& date,
                          std::string_view score) {
    PostingValues values;
    if (auto why = checkText(name, postingLimits::maxNameBytes, "name", values.name);
        !why.empty()) {
        return refuse(why);
    }
    if (auto why = checkText(date, postingLimits::maxDateBytes, "date", values.date);
        !why.empty()) {
        return refuse(why);
    }
    const auto number = readScore(score);
    if (!number) {
        return refuse("The score must be a whole number from 0 to 2147483647.");
    }
    values.score = *number;
    return PostingCheck{std::move(values), {}};
}

} // namespace server
