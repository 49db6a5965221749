#pragma once

// Starts the checked installer from its open descriptor (so a file put at its path afterwards
// cannot run instead) in a session of its own, and ends the program at once.

#include "update/ProcessControl.h"

class InstallerLauncher : public ProcessControl {
public:
    // fexecve of the descriptor in a child process; true once the new program runs. A script
    // reads itself through the same descriptor ("$0" is /dev/fd/N).
    bool startDetached(int descriptor, const std::vector<std::string>& arguments,
                       const Environment& environment) override;
    // std::_Exit(0): no destructor, no close handler, so neither settings nor tally are
    // written.
    [[noreturn]] void exitNow() override;
};
