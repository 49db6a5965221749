#include "engine/EngineClock.h"

#include <algorithm>
#include <vector>

namespace {
class ClockTimer;
}

struct EngineClock::Timers {
    std::int64_t now = 0;
    std::vector<ClockTimer*> list; // in creation order
    std::function<void()> changed;
    // The armed timer whose tick comes first; awakeOnly leaves sleeping timers out.
    ClockTimer* first(bool awakeOnly) const;
    void notify() const {
        if (changed) {
            changed();
        }
    }
};

namespace {

class ClockTimer : public GameTimer {
public:
    explicit ClockTimer(std::shared_ptr<EngineClock::Timers> timers) : m_timers(std::move(timers)) {
        m_timers->list.push_back(this);
    }
    ~ClockTimer() override {
        std::erase(m_timers->list, this);
        m_timers->notify();
    }

    bool armed = false;
    std::int64_t due = 0;

    void tick() {
        due = m_timers->now + interval(); // the next countdown begins now
        fire();
    }

    // Passes over the ticks of a sleeping timer that fall before `bound`, or the one at `bound`
    // when it comes first there; they would run no handler.
    void skipTo(std::int64_t bound) {
        const std::int64_t step = interval();
        if (due < bound) {
            due += (bound - due + step - 1) / step * step;
        } else {
            due += step;
        }
    }

protected:
    void arm(int ms) override {
        armed = true;
        due = m_timers->now + ms;
        m_timers->notify();
    }
    void disarm() override {
        armed = false;
        m_timers->notify();
    }
    void asleepChanged() override { m_timers->notify(); }

private:
    std::shared_ptr<EngineClock::Timers> m_timers;
};

} // namespace

ClockTimer* EngineClock::Timers::first(bool awakeOnly) const {
    ClockTimer* next = nullptr;
    for (ClockTimer* t : list) {
        if (t->armed && !(awakeOnly && t->asleep()) && (next == nullptr || t->due < next->due)) {
            next = t; // strict: an earlier-made timer wins a tie
        }
    }
    return next;
}

EngineClock::EngineClock() : m_timers(std::make_shared<Timers>()) {}

EngineClock::~EngineClock() {
    m_timers->changed = nullptr;
    // Timers that outlive the clock keep the shared list but are never advanced again.
}

std::unique_ptr<GameTimer> EngineClock::createTimer() {
    return std::make_unique<ClockTimer>(m_timers);
}

void EngineClock::advance(std::int64_t ms) {
    advanceTo(m_timers->now + std::max<std::int64_t>(ms, 0));
}

void EngineClock::advanceTo(std::int64_t at) {
    Timers& timers = *m_timers;
    const std::int64_t until = std::max(at, timers.now);
    while (ClockTimer* t = timers.first(false)) {
        if (t->due > until) {
            break;
        }
        if (t->asleep()) {
            // Nothing runs before the next awake tick (or the end of the span), so every tick of
            // this timer before then is passed over at once: an idle hour costs no loop.
            const ClockTimer* awake = timers.first(true);
            t->skipTo(awake != nullptr && awake->due <= until ? awake->due : until + 1);
            continue;
        }
        timers.now = t->due;
        t->tick();
    }
    // A handler may have advanced the clock itself (a nested event loop); time never goes back.
    timers.now = std::max(timers.now, until);
}

std::int64_t EngineClock::now() const {
    return m_timers->now;
}

bool EngineClock::step() {
    const std::optional<std::int64_t> due = nextDue();
    if (!due) {
        return false;
    }
    advanceTo(*due);
    return true;
}

std::optional<std::int64_t> EngineClock::nextDue() const {
    if (const ClockTimer* t = m_timers->first(true)) {
        return t->due;
    }
    return std::nullopt;
}

void EngineClock::onScheduleChanged(std::function<void()> handler) {
    m_timers->changed = std::move(handler);
}
