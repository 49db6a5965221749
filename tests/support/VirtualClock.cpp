// The test clock: timers that tick only when the clock is advanced, in order of due time.

#include "tests/support/VirtualClock.h"

#include <algorithm>
#include <limits>

namespace {
class VirtualTimer;
}

struct VirtualClock::Timers {
    std::int64_t now = 0;
    std::vector<VirtualTimer*> list; // in creation order
    VirtualTimer* nextDue() const;
};

namespace {

class VirtualTimer : public GameTimer {
public:
    explicit VirtualTimer(std::shared_ptr<VirtualClock::Timers> timers)
        : m_timers(std::move(timers)) {
        m_timers->list.push_back(this);
    }
    ~VirtualTimer() override { std::erase(m_timers->list, this); }

    bool armed = false;
    std::int64_t due = 0;

    void tick() {
        due = m_timers->now + interval(); // the next countdown begins now
        fire();
    }

protected:
    void arm(int ms) override {
        armed = true;
        due = m_timers->now + ms;
    }
    void disarm() override { armed = false; }

private:
    std::shared_ptr<VirtualClock::Timers> m_timers;
};

} // namespace

VirtualTimer* VirtualClock::Timers::nextDue() const {
    VirtualTimer* next = nullptr;
    for (VirtualTimer* t : list) {
        if (t->armed && (next == nullptr || t->due < next->due)) {
            next = t; // strict: an earlier-made timer wins a tie
        }
    }
    return next;
}

VirtualClock::VirtualClock() : m_timers(std::make_shared<Timers>()) {}

VirtualClock::~VirtualClock() = default;

std::unique_ptr<GameTimer> VirtualClock::createTimer() {
    return std::make_unique<VirtualTimer>(m_timers);
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t until = m_timers->now + std::max<std::int64_t>(ms, 0);
    while (VirtualTimer* t = m_timers->nextDue()) {
        if (t->due > until) {
            break;
        }
        m_timers->now = t->due;
        t->tick();
    }
    m_timers->now = until;
}

std::int64_t VirtualClock::now() const {
    return m_timers->now;
}

bool VirtualClock::step() {
    VirtualTimer* t = m_timers->nextDue();
    if (t == nullptr) {
        return false;
    }
    advance(t->due - m_timers->now);
    return true;
}
