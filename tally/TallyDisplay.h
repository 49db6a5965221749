#pragma once

#include <string>

// How a place row is drawn. Rows start bold until the first game end or reset; from then on
// only the newest entry stands out.
enum class TallyLook {
    Bold,   // light grey and bold: the texts the window starts with
    Plain,  // light grey, not bold
    Newest, // red and bold: the entry the last finished game made
};

// What one place row of the window shows. The score value, not the table, is what scores are
// compared with; a value of -1000 or less is an empty place with an empty score caption.
struct TallyPlace {
    std::string date;
    std::string name;
    std::string high;
    int value = 0;
    TallyLook look = TallyLook::Bold;

    bool operator==(const TallyPlace&) const = default;
};

// The window side of the record keeping: shows totals and place rows as they change.
class TallyDisplay {
public:
    virtual ~TallyDisplay() = default;
    // column: 1 = Total Games, 2 = Highest Level Reached, 3 = Board Cleared
    virtual void showTotal(int column, const std::string& text) = 0;
    // place: 1 to 10
    virtual void showPlace(int place, const TallyPlace& row) = 0;
};
