#pragma once

// A virtual clock and a log of the ticks of the timers made on it, "name@time" each.

#include "tests/support/VirtualClock.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

using Log = std::vector<std::string>;

struct Ticks {
    VirtualClock clock;
    Log log;
    std::unique_ptr<GameTimer> make(const std::string& name, int interval) {
        auto t = clock.createTimer();
        t->setInterval(interval);
        t->onTick([this, name] { log.push_back(name + "@" + std::to_string(clock.now())); });
        return t;
    }
};

} // namespace testsupport
