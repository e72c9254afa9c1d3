#include "form/timer_pump.h"

#include <algorithm>
#include <limits>

namespace mrv::form
{

void TimerPump::Arm(Timer* timer, uint64_t now_ms)
{
    if (timer->restart_pending) {
        timer->next_due_ms = now_ms + std::max<uint32_t>(1, timer->Interval());
        timer->restart_pending = false;
    }
}

int TimerPump::RunDue(uint64_t now_ms)
{
    std::vector<Timer*> due;
    for (Window* window : windows_) {
        for (Timer* timer : window->Timers()) {
            if (!timer->Active()) continue;
            Arm(timer, now_ms);
            if (timer->next_due_ms <= now_ms) due.push_back(timer);
        }
    }
    int fired = 0;
    for (Timer* timer : due) {
        // A handler may stop another timer of this batch.
        if (!timer->Active()) continue;
        timer->next_due_ms = now_ms + std::max<uint32_t>(1, timer->Interval());
        timer->Fire();
        ++fired;
    }
    return fired;
}

uint64_t TimerPump::NextDueIn(uint64_t now_ms)
{
    uint64_t next = std::numeric_limits<uint64_t>::max();
    for (Window* window : windows_) {
        for (Timer* timer : window->Timers()) {
            if (!timer->Active()) continue;
            Arm(timer, now_ms);
            next = std::min(next, timer->next_due_ms > now_ms ? timer->next_due_ms - now_ms : 0);
        }
    }
    return next;
}

} // namespace mrv::form
