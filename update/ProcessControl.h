#pragma once

#include <string>
#include <utility>
#include <vector>

// Starting the installer and ending the program.
class ProcessControl {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;
    virtual ~ProcessControl() = default;
    // Starts the program open at descriptor (read-only, the very bytes that were checked) as a
    // process of its own, with these additions to the environment; true when it runs. The
    // descriptor stays the caller's.
    virtual bool startDetached(int descriptor, const std::vector<std::string>& arguments,
                               const Environment& environment) = 0;
    // Ends the process at once with exit code 0: no settings saved, no window closed.
    // Does not return in the program.
    virtual void exitNow() = 0;
};
