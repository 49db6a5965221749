#include "engine/GameRecord.h"

#include "common/HttpText.h"
#include "engine/GameRules.h"
#include "engine/PlainDecimal.h"

#include <limits>

namespace {

constexpr std::string_view header = "bloomzap record 1";
static_assert(rules::fieldSize <= 10,
              "a cell is written as one digit for its column, one for its row");
constexpr std::size_t maxNumberDigits = 12; // about 30 years of milliseconds

bool keptAsIs(unsigned char ch) {
    return ch >= '!' && ch <= '~' && ch != '%';
}

// Every byte that keptAsIs refuses, as "%XX".
std::string escaped(std::string_view text) {
    return httptext::percentEncode(text, " %");
}

int hexValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    return -1;
}

// Exactly one way to write each text: bytes that stay as they are may not be escaped.
std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<unsigned char>(text[i]);
        if (keptAsIs(ch)) {
            out += text[i];
            continue;
        }
        if (ch != '%' || i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        const auto byte = static_cast<unsigned char>(high * 16 + low);
        if (keptAsIs(byte)) {
            return std::nullopt;
        }
        out += static_cast<char>(byte);
        i += 2;
    }
    if (out.size() > maxRecordFieldBytes) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::int64_t> number(std::string_view text) {
    return plainDecimal(text, maxNumberDigits);
}

// Splits off the text up to the first space; the rest follows it.
std::string_view word(std::string_view& rest) {
    const std::size_t space = rest.find(' ');
    const std::string_view first = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return first;
}

// Reads one line "<key> <value>" of the head; the value may be empty.
std::optional<std::string_view> field(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') {
        return std::nullopt;
    }
    return line.substr(key.size() + 1);
}

} // namespace

std::string writeRecord(const GameRecord& record) {
    std::string text;
    text.reserve(128 + record.events.size() * 9);
    text += header;
    text += "\nticket " + escaped(record.ticket);
    text += "\nname " + escaped(record.name);
    text += "\ndate " + escaped(record.date);
    text += '\n';
    std::int64_t last = 0;
    for (const RecordedEvent& event : record.events) {
        text += std::to_string(event.at - last);
        last = event.at;
        switch (event.kind) {
        case RecordedEvent::Kind::click:
            text += ' ';
            text += static_cast<char>('0' + event.column - 1);
            text += static_cast<char>('0' + event.row - 1);
            break;
        case RecordedEvent::Kind::pause:
            text += " p";
            break;
        case RecordedEvent::Kind::resume:
            text += " r";
            break;
        }
        text += '\n';
    }
    text += "end " + std::to_string(record.endedAt) + ' ' + std::to_string(record.score) + ' ' +
            std::to_string(record.lastRound) + '\n';
    return text;
}

std::optional<GameRecord> readRecord(std::string_view text) {
    if (text.size() > maxRecordBytes || text.empty() || text.back() != '\n') {
        return std::nullopt;
    }
    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    if (lines.size() < 5 || lines[0] != header) {
        return std::nullopt;
    }
    GameRecord record;
    const auto ticket = field(lines[1], "ticket");
    const auto name = field(lines[2], "name");
    const auto date = field(lines[3], "date");
    if (!ticket || !name || !date) {
        return std::nullopt;
    }
    const auto ticketText = unescaped(*ticket);
    const auto nameText = unescaped(*name);
    const auto dateText = unescaped(*date);
    if (!ticketText || ticketText->empty() || !nameText || !dateText) {
        return std::nullopt;
    }
    record.ticket = *ticketText;
    record.name = *nameText;
    record.date = *dateText;

    std::int64_t at = 0;
    for (std::size_t i = 4; i + 1 < lines.size(); ++i) {
        std::string_view rest = lines[i];
        const auto delta = number(word(rest));
        if (!delta || rest.size() != (rest == "p" || rest == "r" ? 1U : 2U)) {
            return std::nullopt;
        }
        RecordedEvent event;
        at += *delta;
        event.at = at;
        if (rest == "p") {
            event.kind = RecordedEvent::Kind::pause;
        } else if (rest == "r") {
            event.kind = RecordedEvent::Kind::resume;
        } else if (rest[0] >= '0' && rest[0] <= '9' && rest[1] >= '0' && rest[1] <= '9') {
            event.column = rest[0] - '0' + 1;
            event.row = rest[1] - '0' + 1;
        } else {
            return std::nullopt;
        }
        record.events.push_back(event);
    }

    std::string_view end = lines.back();
    if (word(end) != "end") {
        return std::nullopt;
    }
    const auto endedAt = number(word(end));
    const auto score = number(word(end));
    const auto round = number(end);
    if (!endedAt || !score || !round || *endedAt < at || *score > std::numeric_limits<int>::max() ||
        *round < 1 || *round > rules::lastPlayedRound) {
        return std::nullopt;
    }
    record.endedAt = *endedAt;
    record.score = static_cast<int>(*score);
    record.lastRound = static_cast<int>(*round);
    return record;
}
