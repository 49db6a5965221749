#include "online/PageSanitiser.h"

#include "common/HttpText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <vector>

namespace htmlpage {

namespace {

// Tags kept. Anything else (img, link, style, script, iframe, object, form, ...) is left out.
constexpr std::array keptTags{
    "a",     "abbr",   "address", "b",   "big", "blockquote", "body",  "br", "caption", "center",
    "cite",  "code",   "dd",      "del", "dfn", "div",        "dl",    "dt", "em",      "font",
    "h1",    "h2",     "h3",      "h4",  "h5",  "h6",         "head",  "hr", "html",    "i",
    "ins",   "kbd",    "li",      "ol",  "p",   "pre",        "q",     "s",  "samp",    "small",
    "span",  "strike", "strong",  "sub", "sup", "table",      "tbody", "td", "tfoot",   "th",
    "thead", "tr",     "tt",      "u",   "ul",  "var"};
// Whose whole content is left out with them.
constexpr std::array droppedWithContent{"script", "style", "title", "textarea", "xmp", "noscript"};
constexpr std::array voidTags{"br", "hr"};
constexpr std::array tablePartTags{"tr", "td", "th", "tbody", "thead", "tfoot", "caption"};
constexpr std::array blockTags{"p",  "div", "table", "ul", "ol",      "dl",    "h1",
                               "h2", "h3",  "h4",    "h5", "h6",      "pre",   "blockquote",
                               "hr", "li",  "dt",    "dd", "address", "center"};

template <std::size_t N>
bool among(std::string_view name, const std::array<const char*, N>& names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

bool among(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

using httptext::lower;
using httptext::lowered;

bool letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool containsNoCase(std::string_view text, std::string_view part) {
    return lowered(text).find(part) != std::string::npos;
}

// A size in pixels or percent, held within bounds; empty when it is no number.
std::optional<std::string> boundedSize(std::string_view value, int most) {
    value = trimmed(value);
    const bool percent = !value.empty() && value.back() == '%';
    if (percent) {
        value.remove_suffix(1);
    }
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < 0) {
        return std::nullopt;
    }
    return std::to_string(std::min(number, percent ? 100 : most)) + (percent ? "%" : "");
}

// The declarations of a style attribute that only colour or weight text; nothing that names a
// resource or sizes anything.
std::string colourStyle(std::string_view style) {
    std::string kept;
    while (!style.empty()) {
        const std::size_t semicolon = style.find(';');
        const std::string_view declaration = style.substr(0, semicolon);
        style =
            semicolon == std::string_view::npos ? std::string_view() : style.substr(semicolon + 1);
        const std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string property = lowered(trimmed(declaration.substr(0, colon)));
        const std::string_view value = trimmed(declaration.substr(colon + 1));
        if (!among(property, {"color", "background-color", "font-weight", "font-style",
                              "text-decoration", "text-align"})) {
            continue;
        }
        if (value.empty() || containsNoCase(value, "url") ||
            value.find_first_of("\\@\"'<>") != std::string_view::npos) {
            continue;
        }
        kept += property;
        kept += ": ";
        kept += value;
        kept += "; ";
    }
    return kept;
}

// One attribute as it may go out, or empty when it is left out.
std::optional<std::string> keptValue(const std::string& name, std::string_view value) {
    if (among(name,
              {"href", "name", "color", "bgcolor", "align", "valign", "face", "type", "dir"})) {
        return std::string(value);
    }
    if (among(name, {"width", "height"})) {
        return boundedSize(value, 2000);
    }
    if (among(name, {"border", "cellpadding", "cellspacing"})) {
        return boundedSize(value, 20);
    }
    if (among(name, {"colspan", "rowspan"})) {
        auto size = boundedSize(value, 20);
        if (size && (size->back() == '%' || *size == "0")) {
            return std::nullopt;
        }
        return size;
    }
    if (name == "size") {
        const std::string_view v = trimmed(value);
        const bool sign = !v.empty() && (v.front() == '+' || v.front() == '-');
        if (v.size() == std::size_t(sign ? 2 : 1) && v.back() >= '1' && v.back() <= '7') {
            return std::string(v);
        }
        return std::nullopt;
    }
    if (name == "style") {
        std::string style = colourStyle(value);
        if (style.empty()) {
            return std::nullopt;
        }
        return style;
    }
    return std::nullopt;
}

// The longest run of characters the layout gets without a place to break the line: a word or a
// line of non-breaking text much longer than this costs the layout seconds.
constexpr int longestRun = 32;
// A place to break the line that shows nothing (U+200B), and the isolate around text holding
// bidirectional controls (U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE).
constexpr std::string_view breakHere = "\u200B";
constexpr std::string_view isolateStart = "\u2068";
constexpr std::string_view isolateEnd = "\u2069";

// Whether the code point reorders text: the embeddings, overrides, isolates and marks.
constexpr bool bidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

// An isolate control, which could end the isolate put around a text early.
constexpr bool isolateControl(char32_t c) {
    return c >= 0x2066 && c <= 0x2069;
}

std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// One character of page text: a character reference ("&amp;", "&#8238;"), one UTF-8 sequence,
// or one byte. `code` is its code point when it is a numeric reference or UTF-8, else 0.
struct TextUnit {
    std::size_t length = 1;
    char32_t code = 0;
};

TextUnit unitAt(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (text[at] == '&') {
        const std::size_t semicolon = text.find(';', at);
        if (semicolon == std::string_view::npos || semicolon - at > 12) {
            return {};
        }
        TextUnit unit{semicolon - at + 1, 0};
        const std::string_view name = text.substr(at + 1, semicolon - at - 1);
        if (name.size() > 1 && name.front() == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            std::uint32_t value = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
            if (error == std::errc() && end == digits.data() + digits.size()) {
                unit.code = value;
            }
        }
        return unit;
    }
    if (byte < 0x80) {
        return {1, byte};
    }
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        return {};
    }
    char32_t code = byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        code = (code << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    }
    return {length, code};
}

class Rewriter {
public:
    Rewriter(std::string_view page, const PageLimits& limits) : m_page(page), m_limits(limits) {
        m_out.reserve(page.size());
    }

    std::optional<std::string> run() {
        while (m_at < m_page.size()) {
            const std::size_t lt = m_page.find('<', m_at);
            text(m_page.substr(m_at, lt == std::string_view::npos ? lt : lt - m_at));
            if (lt == std::string_view::npos) {
                break;
            }
            m_at = lt;
            if (!markup()) {
                return std::nullopt;
            }
        }
        closeDownTo(0);
        return std::move(m_out);
    }

private:
    // Page text between two tags. Text holding bidirectional controls is isolated, so that it
    // cannot reorder the text around it (its own isolate controls are dropped: they could end
    // the isolate early; embeddings and overrides end with it). A run of characters with no place
    // to break the line gets one every longestRun characters (a line end in preformatted text).
    void text(std::string_view piece) {
        bool bidi = false;
        for (std::size_t at = 0; at < piece.size(); at += unitAt(piece, at).length) {
            bidi = bidi || bidiControl(unitAt(piece, at).code);
        }
        if (bidi) {
            m_out += isolateStart;
        }
        for (std::size_t at = 0; at < piece.size();) {
            const TextUnit unit = unitAt(piece, at);
            const std::string_view written = piece.substr(at, unit.length);
            at += unit.length;
            if (isolateControl(unit.code)) {
                continue;
            }
            const bool lineEnd = written == "\n";
            const bool blank = written == " " || written == "\t" || written == "\r" || lineEnd;
            if (m_preformatted > 0 ? lineEnd : blank || unit.code == 0x200B) {
                m_run = 0;
            } else if (++m_run > longestRun) {
                m_out += m_preformatted > 0 ? std::string_view("\n") : breakHere;
                m_run = 1;
            }
            // A reference to a bidirectional control goes out as the character, inside the
            // isolate.
            if (bidiControl(unit.code)) {
                m_out += utf8(unit.code);
            } else {
                m_out += written;
            }
        }
        if (bidi) {
            m_out += isolateEnd;
        }
    }

    // At a "<": a tag, a comment or a declaration, or a plain "<" in the text. False when the
    // page is over its element limit.
    bool markup() {
        const std::string_view rest = m_page.substr(m_at);
        if (rest.starts_with("<!--")) {
            const std::size_t end = rest.find("-->", 4);
            m_at = end == std::string_view::npos ? m_page.size() : m_at + end + 3;
            return true;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?")) {
            skipPast('>');
            return true;
        }
        const bool closing = rest.size() > 1 && rest[1] == '/';
        const std::size_t nameAt = closing ? 2 : 1;
        if (rest.size() <= nameAt || !letter(rest[nameAt])) {
            m_out += "&lt;";
            ++m_at;
            return true;
        }
        m_at += nameAt;
        std::string name;
        while (m_at < m_page.size() &&
               (letter(m_page[m_at]) || (m_page[m_at] >= '0' && m_page[m_at] <= '9'))) {
            name += lower(m_page[m_at++]);
        }
        std::vector<std::pair<std::string, std::string>> attributes = readAttributes();
        if (closing) {
            endTag(name);
            return true;
        }
        if (among(name, droppedWithContent)) {
            skipContentOf(name);
            return true;
        }
        return startTag(name, attributes);
    }

    void skipPast(char c) {
        const std::size_t end = m_page.find(c, m_at);
        m_at = end == std::string_view::npos ? m_page.size() : end + 1;
    }

    // Up to and including the ">" that ends the tag; quoted values may hold ">".
    std::vector<std::pair<std::string, std::string>> readAttributes() {
        std::vector<std::pair<std::string, std::string>> attributes;
        while (m_at < m_page.size()) {
            while (m_at < m_page.size() && (space(m_page[m_at]) || m_page[m_at] == '/')) {
                ++m_at;
            }
            if (m_at >= m_page.size()) {
                break;
            }
            if (m_page[m_at] == '>') {
                ++m_at;
                break;
            }
            std::string name;
            while (m_at < m_page.size() && !space(m_page[m_at]) && m_page[m_at] != '>' &&
                   m_page[m_at] != '=' && m_page[m_at] != '/') {
                name += lower(m_page[m_at++]);
            }
            while (m_at < m_page.size() && space(m_page[m_at])) {
                ++m_at;
            }
            std::string value;
            if (m_at < m_page.size() && m_page[m_at] == '=') {
                ++m_at;
                while (m_at < m_page.size() && space(m_page[m_at])) {
                    ++m_at;
                }
                if (m_at < m_page.size() && (m_page[m_at] == '"' || m_page[m_at] == '\'')) {
                    const char quote = m_page[m_at++];
                    const std::size_t end = m_page.find(quote, m_at);
                    const std::size_t stop = end == std::string_view::npos ? m_page.size() : end;
                    value = m_page.substr(m_at, stop - m_at);
                    m_at = std::min(stop + 1, m_page.size());
                } else {
                    while (m_at < m_page.size() && !space(m_page[m_at]) && m_page[m_at] != '>') {
                        value += m_page[m_at++];
                    }
                }
            }
            if (!name.empty() && attributes.size() < 16) {
                attributes.emplace_back(std::move(name), std::move(value));
            }
        }
        return attributes;
    }

    void skipContentOf(const std::string& name) {
        const std::string end = "</" + name;
        for (std::size_t at = m_page.find("</", m_at); at != std::string_view::npos;
             at = m_page.find("</", at + 2)) {
            if (lowered(m_page.substr(at, end.size())) == end) {
                m_at = at + end.size();
                skipPast('>');
                return;
            }
        }
        m_at = m_page.size();
    }

    bool startTag(const std::string& name,
                  const std::vector<std::pair<std::string, std::string>>& attributes) {
        if (!among(name, keptTags)) {
            return true;
        }
        if (among(name, blockTags) || among(name, tablePartTags) || name == "br") {
            m_run = 0;
        }
        const bool table = name == "table";
        if (m_ghostTables > 0 && (table || among(name, tablePartTags))) {
            // Inside a table left out for its depth: its cells become plain text.
            if (table) {
                ++m_ghostTables;
            }
            m_out += ' ';
            return true;
        }
        closeImplied(name);
        if (table && tableDepth() >= m_limits.maxTableDepth) {
            ++m_ghostTables;
            return true;
        }
        const bool isVoid = among(name, voidTags);
        if (!isVoid && static_cast<int>(m_open.size()) >= m_limits.maxDepth) {
            if (table) {
                ++m_ghostTables;
            }
            return true;
        }
        const bool cell = name == "td" || name == "th";
        if (++m_elements > m_limits.maxElements || (table && ++m_tables > m_limits.maxTables) ||
            (cell && ++m_cells > m_limits.maxCells)) {
            return false;
        }
        m_out += '<';
        m_out += name;
        for (const auto& [attribute, value] : attributes) {
            const std::optional<std::string> kept = keptValue(attribute, value);
            if (!kept) {
                continue;
            }
            m_out += ' ';
            m_out += attribute;
            m_out += "=\"";
            for (char c : *kept) {
                if (c == '"') {
                    m_out += "&quot;";
                } else {
                    m_out += c;
                }
            }
            m_out += '"';
        }
        m_out += '>';
        if (!isVoid) {
            m_open.push_back(name);
            if (name == "pre") {
                ++m_preformatted;
            }
        }
        return true;
    }

    void endTag(const std::string& name) {
        if (among(name, blockTags) || among(name, tablePartTags)) {
            m_run = 0;
        }
        if (m_ghostTables > 0 && (name == "table" || among(name, tablePartTags))) {
            if (name == "table") {
                --m_ghostTables;
            }
            m_out += ' ';
            return;
        }
        if (!among(name, keptTags) || among(name, voidTags)) {
            return;
        }
        // An end tag closes its own element, and what is left open inside it, but does not
        // reach out of the table cell it stands in.
        if (name == "table") {
            closeNearest(name, {});
        } else if (among(name, tablePartTags)) {
            closeNearest(name, {"table"});
        } else {
            closeNearest(name, {"td", "th", "caption", "table"});
        }
    }

    // The end tags HTML leaves out: a new paragraph, item or cell closes the one before.
    void closeImplied(const std::string& name) {
        if (among(name, blockTags) || among(name, tablePartTags)) {
            closeNearest("p", {"td", "th", "li", "dd", "dt", "div", "blockquote", "table", "center",
                               "caption"});
        }
        if (name == "li") {
            closeNearest("li", {"ul", "ol", "table"});
        } else if (name == "dt" || name == "dd") {
            closeNearest("dt", {"dl", "table"});
            closeNearest("dd", {"dl", "table"});
        } else if (name == "td" || name == "th") {
            closeNearest("td", {"tr", "table"});
            closeNearest("th", {"tr", "table"});
        } else if (name == "tr") {
            closeNearest("tr", {"table"});
        } else if (name == "tbody" || name == "thead" || name == "tfoot") {
            closeNearest("tbody", {"table"});
            closeNearest("thead", {"table"});
            closeNearest("tfoot", {"table"});
        }
    }

    // Closes the innermost open `name` and everything inside it, unless a boundary comes first.
    void closeNearest(std::string_view name, std::initializer_list<std::string_view> boundaries) {
        for (std::size_t k = m_open.size(); k-- > 0;) {
            if (m_open[k] == name) {
                closeDownTo(k);
                return;
            }
            if (among(m_open[k], boundaries)) {
                return;
            }
        }
    }

    void closeDownTo(std::size_t depth) {
        while (m_open.size() > depth) {
            m_out += "</";
            m_out += m_open.back();
            m_out += '>';
            if (m_open.back() == "pre") {
                --m_preformatted;
            }
            m_open.pop_back();
        }
    }

    int tableDepth() const {
        return static_cast<int>(std::count(m_open.begin(), m_open.end(), "table"));
    }

    std::string_view m_page;
    const PageLimits& m_limits;
    std::size_t m_at = 0;
    std::string m_out;
    std::vector<std::string> m_open;
    std::size_t m_elements = 0;
    std::size_t m_tables = 0;
    std::size_t m_cells = 0;
    int m_ghostTables = 0;
    int m_run = 0;          // characters since the last place the line may break
    int m_preformatted = 0; // open "pre" elements
};

} // namespace

std::optional<std::string> sanitise(std::string_view page, const PageLimits& limits) {
    if (page.size() > limits.maxBytes) {
        return std::nullopt;
    }
    return Rewriter(page, limits).run();
}

} // namespace htmlpage
