#pragma once

// Stand-ins for the tally window's surroundings, and helpers for reading tally texts.

#include "tally/TallyCalendar.h"
#include "tally/TallyDialogs.h"
#include "tally/TallyDisplay.h"
#include "tally/TallyTable.h"
#include "tally/TallyText.h"

#include <array>
#include <sstream>
#include <string>
#include <vector>

// The table as tally text.
inline std::string textOf(const TallyTable& table) {
    std::ostringstream out;
    SaveGridToFile(table, out);
    return out.str();
}

// The lines of a tally text without their CR LF. A last line without one is marked, so that it
// differs from any line the writer makes.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + " <no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A window that only remembers what it was last told to show.
class ShownTally : public TallyDisplay {
public:
    void showTotal(int column, const std::string& text) override { totals.at(column - 1) = text; }
    void showPlace(int place, const TallyPlace& row) override { places.at(place - 1) = row; }

    std::array<std::string, 3> totals;
    std::array<TallyPlace, 10> places;
};

// A calendar stuck on one day.
class FixedCalendar : public TallyCalendar {
public:
    std::string shortDate() override { return today; }
    std::string today = "3/14/24";
};

// Answers every question the same way and keeps what it was asked and told.
class ScriptedDialogs : public TallyDialogs {
public:
    TallyAnswer askReset() override {
        questions.push_back("reset");
        return answer;
    }
    void showReadFailure(const TallyReading& reading) override {
        errors.push_back(reading.message);
    }

    TallyAnswer answer = TallyAnswer::Yes;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
};
