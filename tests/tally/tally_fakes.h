#pragma once

#include "TallyCalendar.h"
#include "TallyDialogs.h"
#include "TallyDisplay.h"

#include <array>
#include <string>
#include <vector>

// A window that only remembers what it was last told to show.
class ShownTally : public TallyDisplay {
public:
    void showtotal(int column, const std::string& text) override { totals.at(column - 1) = text; }
    void showplace(int place, const TallyPlace& row) override { places.at(place - 1) = row; }

    std::array<std::string, 3> totals;
    std::array<TallyPlace, 10> places;
};

// A calendar stuck on one day.
class FixedCalendar : public TallyCalendar {
public:
    std::string shortdate() override { return today; }
    std::string today = "3/14/24";
};

// Answers every question the same way and keeps what it was asked and told.
class ScriptedDialogs : public TallyDialogs {
public:
    TallyAnswer askyesno(const std::string& title, const std::string& text) override {
        questions.push_back(title + "|" + text);
        return answer;
    }
    void showerror(const std::string& title, const std::string& text) override {
        errors.push_back(title + "|" + text);
    }

    TallyAnswer answer = TallyAnswer::Yes;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
};
