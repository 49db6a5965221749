#pragma once

#include "TallyCalendar.h"

// Today in the system's short date format.
class TallySystemCalendar : public TallyCalendar {
public:
    std::string shortdate() override;
};
