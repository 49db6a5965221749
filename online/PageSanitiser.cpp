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
    "a",      "abbr",  "address", "b",    "big",   "blockquote", "body",   "br",     "caption",
    "center", "cite",  "code",    "dd",   "del",   "dfn",        "div",    "dl",     "dt",
    "em",     "font",  "h1",      "h2",   "h3",    "h4",         "h5",     "h6",     "head",
    "hr",     "html",  "i",       "ins",  "kbd",   "li",         "nobr",   "ol",     "p",
    "pre",    "q",     "s",       "samp", "small", "span",       "strike", "strong", "sub",
    "sup",    "table", "tbody",   "td",   "tfoot", "th",         "thead",  "tr",     "tt",
    "u",      "ul",    "var"};
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
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

bool containsNoCase(std::string_view text, std::string_view part) {
    return lowered(text).find(part) != std::string::npos;
}

// A size in pixels or percent, held within bounds; empty when it is no number.
std::optional<std::string> boundedSize(std::string_view value, int most) {
    value = trimmed(value);
    const bool percent = !value.empty() && value.back() == '%';
    if (percent)
        value.remove_suffix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < 0)
        return std::nullopt;
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
        if (colon == std::string_view::npos)
            continue;
        const std::string property = lowered(trimmed(declaration.substr(0, colon)));
        const std::string_view value = trimmed(declaration.substr(colon + 1));
        if (!among(property, {"color", "background-color", "font-weight", "font-style",
                              "text-decoration", "text-align"}))
            continue;
        if (value.empty() || containsNoCase(value, "url") ||
            value.find_first_of("\\@\"'<>") != std::string_view::npos)
            continue;
        kept += property;
        kept += ": ";
        kept += value;
        kept += "; ";
    }
    return kept;
}

// One attribute as it may go out, or empty when it is left out.
std::optional<std::string> keptValue(const std::string& name, std::string_view value) {
    if (among(name, {"href", "name", "color", "bgcolor", "align", "valign", "face", "type",
                     "nowrap", "dir"}))
        return std::string(value);
    if (among(name, {"width", "height"}))
        return boundedSize(value, 2000);
    if (among(name, {"border", "cellpadding", "cellspacing"}))
        return boundedSize(value, 20);
    if (among(name, {"colspan", "rowspan"})) {
        auto size = boundedSize(value, 20);
        if (size && (size->back() == '%' || *size == "0"))
            return std::nullopt;
        return size;
    }
    if (name == "size") {
        const std::string_view v = trimmed(value);
        const bool sign = !v.empty() && (v.front() == '+' || v.front() == '-');
        if (v.size() == std::size_t(sign ? 2 : 1) && v.back() >= '1' && v.back() <= '7')
            return std::string(v);
        return std::nullopt;
    }
    if (name == "style") {
        std::string style = colourStyle(value);
        if (style.empty())
            return std::nullopt;
        return style;
    }
    return std::nullopt;
}

class Rewriter {
public:
    Rewriter(std::string_view page, const PageLimits& limits) : m_page(page), m_limits(limits) {
        m_out.reserve(page.size());
    }

    std::optional<std::string> run() {
        while (m_at < m_page.size()) {
            const std::size_t lt = m_page.find('<', m_at);
            m_out.append(m_page.substr(m_at, lt == std::string_view::npos ? lt : lt - m_at));
            if (lt == std::string_view::npos)
                break;
            m_at = lt;
            if (!markup())
                return std::nullopt;
        }
        closeDownTo(0);
        return std::move(m_out);
    }

private:
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
               (letter(m_page[m_at]) || (m_page[m_at] >= '0' && m_page[m_at] <= '9')))
            name += lower(m_page[m_at++]);
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
            while (m_at < m_page.size() && (space(m_page[m_at]) || m_page[m_at] == '/'))
                ++m_at;
            if (m_at >= m_page.size())
                break;
            if (m_page[m_at] == '>') {
                ++m_at;
                break;
            }
            std::string name;
            while (m_at < m_page.size() && !space(m_page[m_at]) && m_page[m_at] != '>' &&
                   m_page[m_at] != '=' && m_page[m_at] != '/')
                name += lower(m_page[m_at++]);
            while (m_at < m_page.size() && space(m_page[m_at]))
                ++m_at;
            std::string value;
            if (m_at < m_page.size() && m_page[m_at] == '=') {
                ++m_at;
                while (m_at < m_page.size() && space(m_page[m_at]))
                    ++m_at;
                if (m_at < m_page.size() && (m_page[m_at] == '"' || m_page[m_at] == '\'')) {
                    const char quote = m_page[m_at++];
                    const std::size_t end = m_page.find(quote, m_at);
                    const std::size_t stop = end == std::string_view::npos ? m_page.size() : end;
                    value = m_page.substr(m_at, stop - m_at);
                    m_at = std::min(stop + 1, m_page.size());
                } else {
                    while (m_at < m_page.size() && !space(m_page[m_at]) && m_page[m_at] != '>')
                        value += m_page[m_at++];
                }
            }
            if (!name.empty() && attributes.size() < 16)
                attributes.emplace_back(std::move(name), std::move(value));
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
        if (!among(name, keptTags))
            return true;
        const bool table = name == "table";
        if (m_ghostTables > 0 && (table || among(name, tablePartTags))) {
            // Inside a table left out for its depth: its cells become plain text.
            if (table)
                ++m_ghostTables;
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
            if (table)
                ++m_ghostTables;
            return true;
        }
        const bool cell = name == "td" || name == "th";
        if (++m_elements > m_limits.maxElements || (table && ++m_tables > m_limits.maxTables) ||
            (cell && ++m_cells > m_limits.maxCells))
            return false;
        m_out += '<';
        m_out += name;
        for (const auto& [attribute, value] : attributes) {
            const std::optional<std::string> kept = keptValue(attribute, value);
            if (!kept)
                continue;
            m_out += ' ';
            m_out += attribute;
            m_out += "=\"";
            for (char c : *kept)
                if (c == '"')
                    m_out += "&quot;";
                else
                    m_out += c;
            m_out += '"';
        }
        m_out += '>';
        if (!isVoid)
            m_open.push_back(name);
        return true;
    }

    void endTag(const std::string& name) {
        if (m_ghostTables > 0 && (name == "table" || among(name, tablePartTags))) {
            if (name == "table")
                --m_ghostTables;
            m_out += ' ';
            return;
        }
        if (!among(name, keptTags) || among(name, voidTags))
            return;
        // An end tag closes its own element, and what is left open inside it, but does not
        // reach out of the table cell it stands in.
        if (name == "table")
            closeNearest(name, {});
        else if (among(name, tablePartTags))
            closeNearest(name, {"table"});
        else
            closeNearest(name, {"td", "th", "caption", "table"});
    }

    // The end tags HTML leaves out: a new paragraph, item or cell closes the one before.
    void closeImplied(const std::string& name) {
        if (among(name, blockTags) || among(name, tablePartTags))
            closeNearest("p", {"td", "th", "li", "dd", "dt", "div", "blockquote", "table", "center",
                               "caption"});
        if (name == "li")
            closeNearest("li", {"ul", "ol", "table"});
        else if (name == "dt" || name == "dd") {
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
            if (among(m_open[k], boundaries))
                return;
        }
    }

    void closeDownTo(std::size_t depth) {
        while (m_open.size() > depth) {
            m_out += "</";
            m_out += m_open.back();
            m_out += '>';
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
};

} // namespace

std::optional<std::string> sanitise(std::string_view page, const PageLimits& limits) {
    if (page.size() > limits.maxBytes)
        return std::nullopt;
    return Rewriter(page, limits).run();
}

} // namespace htmlpage
