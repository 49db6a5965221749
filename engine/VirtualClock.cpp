#include "VirtualClock.h"

#include <algorithm>
#include <limits>

namespace {
class VirtualTimer;
}

struct VirtualClock::Timers {
    std::int64_t now = 0;
    std::vector<VirtualTimer*> list; // in creation order
    VirtualTimer* nextdue() const;
};

namespace {

class VirtualTimer : public GameTimer {
public:
    explicit VirtualTimer(std::shared_ptr<VirtualClock::Timers> timers)
        : timers_(std::move(timers)) {
        timers_->list.push_back(this);
    }
    ~VirtualTimer() override { std::erase(timers_->list, this); }

    bool armed = false;
    std::int64_t due = 0;

    void tick() {
        due = timers_->now + interval(); // the next countdown begins now
        fire();
    }

protected:
    void arm(int ms) override {
        armed = true;
        due = timers_->now + ms;
    }
    void disarm() override { armed = false; }

private:
    std::shared_ptr<VirtualClock::Timers> timers_;
};

} // namespace

VirtualTimer* VirtualClock::Timers::nextdue() const {
    VirtualTimer* next = nullptr;
    for (VirtualTimer* t : list) {
        if (t->armed && (next == nullptr || t->due < next->due)) {
            next = t; // strict: an earlier-made timer wins a tie
        }
    }
    return next;
}

VirtualClock::VirtualClock() : timers_(std::make_shared<Timers>()) {}

VirtualClock::~VirtualClock() = default;

std::unique_ptr<GameTimer> VirtualClock::createtimer() {
    return std::make_unique<VirtualTimer>(timers_);
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t until = timers_->now + std::max<std::int64_t>(ms, 0);
    while (VirtualTimer* t = timers_->nextdue()) {
        if (t->due > until) {
            break;
        }
        timers_->now = t->due;
        t->tick();
    }
    timers_->now = until;
}

std::int64_t VirtualClock::now() const {
    return timers_->now;
}

bool VirtualClock::step() {
    VirtualTimer* t = timers_->nextdue();
    if (t == nullptr) {
        return false;
    }
    advance(t->due - timers_->now);
    return true;
}
