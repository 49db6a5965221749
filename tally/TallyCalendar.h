#pragma once

#include <string>

// Today's date as the player's system writes it in short form; entries are dated with it.
class TallyCalendar {
public:
    virtual ~TallyCalendar() = default;
    virtual std::string shortDate() = 0;
};
