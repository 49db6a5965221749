#include "app/ProfileFile.h"

#include "common/LineBreaks.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

// One line of the file with its own line end, so untouched lines are written back exactly.
struct Line {
    std::string text;
    std::string ending;
};

constexpr const char* newLineEnding = "\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::vector<Line> readLines(const std::filesystem::path& file) {
    std::vector<Line> lines;
    // Anything that is not a readable file (missing, a folder, a read error) reads as empty.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return lines;
    }
    std::string content;
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            return lines;
        }
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return lines;
    }
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t lf = content.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back({content.substr(start), ""});
            break;
        }
        std::size_t end = lf;
        if (end > start && content[end - 1] == '\r') {
            --end;
        }
        lines.push_back({content.substr(start, end - start), content.substr(end, lf + 1 - end)});
        start = lf + 1;
    }
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(t.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for a line without "=".
std::optional<std::string_view> keyName(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(line.substr(0, eq));
}

// Where a section and its key lie among the lines.
struct Place {
    std::optional<std::size_t> header;  // the "[section]" line
    std::size_t lastContent = 0;        // last non-blank line of the section (or the header)
    std::optional<std::size_t> keyLine; // the key's line within the section
};

Place locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Place place;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].text)) {
            if (inside) {
                break; // only the first section of that name counts
            }
            if (sameName(*name, section)) {
                inside = true;
                place.header = i;
                place.lastContent = i;
            }
            continue;
        }
        if (!inside) {
            continue;
        }
        if (!trim(lines[i].text).empty()) {
            place.lastContent = i;
        }
        if (!place.keyLine) {
            const auto k = keyName(lines[i].text);
            if (k && sameName(*k, key)) {
                place.keyLine = i;
            }
        }
    }
    return place;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return lower(c) - 'a' + 10;
}

} // namespace

ProfileFile::ProfileFile(std::filesystem::path file) : m_file(std::move(file)) {}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const std::vector<Line> lines = readLines(m_file);
    const Place place = locate(lines, section, key);
    if (!place.keyLine) {
        return std::string(fallback);
    }
    const std::string& text = lines[*place.keyLine].text;
    // A stray CR reads as the blank the writer makes of it, so a value read and written back
    // reads the same; blanks the cut leaves at the end go too, for the same reason.
    const std::string whole = common::blankLineBreaks(text.substr(text.find('=') + 1));
    std::string_view value = trim(whole);
    if (value.size() > maxValueLength) {
        value = trim(value.substr(0, maxValueLength));
    }
    return std::string(value);
}

std::int32_t ProfileFile::readInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
    std::int32_t value = 0;
    return parseInteger(readString(section, key, ""), value) ? value : fallback;
}

bool ProfileFile::parseInteger(std::string_view text, std::int32_t& out) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '$') {
        hex = true;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }

    // Hexadecimal gives the 32-bit pattern (so "$FFFFFFFF" is -1); decimal must fit the range.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        if (hex ? !isHexDigit(c) : !(c >= '0' && c <= '9')) {
            return false;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(hexValue(c));
        if (magnitude > limit) {
            return false;
        }
    }
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative) {
        bits = 0u - bits;
    }
    out = static_cast<std::int32_t>(bits);
    return true;
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) const {
    std::vector<Line> lines = readLines(m_file);
    const Place place = locate(lines, section, key);
    // A line break inside the value would split the line and plant a foreign key in the file.
    const std::string keyLine =
        std::string(key) + "=" + common::blankLineBreaks(std::string(value));

    if (place.keyLine) {
        lines[*place.keyLine].text = keyLine;
        if (lines[*place.keyLine].ending.empty()) {
            lines[*place.keyLine].ending = newLineEnding;
        }
    } else {
        std::size_t insertAt = 0;
        if (place.header) {
            insertAt = place.lastContent + 1;
        } else {
            // A blank line keeps the new section apart from whatever the file already holds.
            if (!lines.empty() && !trim(lines.back().text).empty()) {
                if (lines.back().ending.empty()) {
                    lines.back().ending = newLineEnding;
                }
                lines.push_back({"", newLineEnding});
            }
            lines.push_back({std::string("[").append(section).append("]"), newLineEnding});
            insertAt = lines.size();
        }
        // The line before the new one may have been the last of the file without a line end.
        if (insertAt > 0 && lines[insertAt - 1].ending.empty()) {
            lines[insertAt - 1].ending = newLineEnding;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                     Line{keyLine, newLineEnding});
    }

    std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    for (const Line& line : lines) {
        out << line.text << line.ending;
    }
    out.close();
    return static_cast<bool>(out);
}
