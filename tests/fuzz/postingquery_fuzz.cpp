// libFuzzer target: any bytes as the query of a score posting. Reading never throws; a refusal
// is readable UTF-8 text; an accepted posting holds only what the high-score page can show:
// UTF-8 without control characters, within the lengths, and escaped on the page so that it
// cannot open or close markup. The same bytes as a name posted by the game arrive intact.
#include "online/ScorePosting.h"
#include "server/Pages.h"
#include "server/PostingCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The code points of a UTF-8 text; nothing when it is not UTF-8.
std::optional<std::u32string> codePoints(std::string_view text) {
    std::u32string points;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size())
            return std::nullopt;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        points += cp;
        i += length;
    }
    return points;
}

// UTF-8 without any C0 or C1 control character, DEL or bidirectional control.
bool plainUtf8(std::string_view text) {
    const auto points = codePoints(text);
    return points && std::none_of(points->begin(), points->end(), [](char32_t cp) {
               // Controls, and the bidirectional controls that could reorder a page's cells.
               return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
                      (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F ||
                      cp == 0x061C;
           });
}

// True when every code point of the UTF-8 text is Unicode white space (nothing to see).
bool onlyWhiteSpace(std::string_view text) {
    const std::u32string white = U"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u2001\u2002\u2003\u2004"
                                 U"\u2005\u2006\u2007\u2008\u2009\u200A\u2028\u2029\u202F"
                                 U"\u205F\u3000";
    const auto points = codePoints(text);
    return points && points->find_first_not_of(white) == std::u32string::npos;
}

// True when the text, put between tags or inside a quoted attribute, stays text.
bool inertInHtml(std::string_view escaped) {
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c == '<' || c == '>' || c == '"' || c == '\'')
            return false;
        if (c == '&') {
            const std::string_view rest = escaped.substr(i);
            bool known = false;
            for (const std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"})
                known = known || rest.starts_with(entity);
            if (!known)
                return false;
        }
    }
    return true;
}

void checkText(const std::string& text, std::size_t maxBytes) {
    // Every byte of the decoded value may have become two bytes of UTF-8.
    if (text.empty() || text.size() > 2 * maxBytes || !plainUtf8(text) || onlyWhiteSpace(text))
        std::abort();
    if (!inertInHtml(server::pages::htmlEscape(text)))
        std::abort();
}

} // namespace

// The game's posting of the first ten bytes as a name arrives as that name, unless the server
// refuses it for a reason the name shows.
void checkGamePosting(std::string_view bytes) {
    const std::string_view name = bytes.substr(0, std::min<std::size_t>(bytes.size(), 10));
    const std::string url = posting::scoreUrl("/", name, "1/5/07", "950");
    const server::PostingCheck sent = server::readPosting(url.substr(url.find('?') + 1));
    const std::string utf8 = server::toUtf8(name);
    const bool acceptable = !name.empty() && plainUtf8(utf8) && !onlyWhiteSpace(utf8);
    if (sent.values.has_value() != acceptable || (acceptable && sent.values->name != utf8))
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view query(reinterpret_cast<const char*>(data), size);
    checkGamePosting(query);
    server::PostingCheck check;
    try {
        check = server::readPosting(query);
    } catch (...) {
        std::abort(); // the reader refuses by its result and throws nothing: any throw is a finding
    }
    if (!check.values) {
        if (check.refusal.empty() || !plainUtf8(check.refusal))
            std::abort();
        return 0;
    }
    const server::PostingValues& values = *check.values;
    checkText(values.name, server::postingLimits::maxNameBytes);
    checkText(values.date, server::postingLimits::maxDateBytes);
    if (values.score < 0)
        std::abort();

    // The page shows the posting as escaped text, and nothing of it unescaped.
    // Odd scores listed as verified, so both kinds of row are drawn.
    const server::RankedScore ranked{values.name, values.date, values.score, values.score % 2 == 1};
    const std::string page = server::pages::highScores(server::Standings{{ranked}, 1});
    const std::string name = server::pages::htmlEscape(values.name);
    const std::string date = server::pages::htmlEscape(values.date);
    if (page.find(">" + name + "<") == std::string::npos ||
        page.find(">" + date + "<") == std::string::npos)
        std::abort();
    return 0;
}
