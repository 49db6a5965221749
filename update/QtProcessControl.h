#pragma once

// Starts the installer as a process of its own and ends the program at once.

#include "update/UpdateCalls.h"

class QtProcessControl : public ProcessControl {
public:
    bool startDetached(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments,
                       const Environment& environment) override;
    // std::_Exit(0): no destructor, no close handler, so neither settings nor tally are
    // written.
    [[noreturn]] void exitNow() override;
};
