#include "ui/console/console_ui_thread.h"

namespace mrv::console
{

ConsoleUiThread::ConsoleUiThread(Clock& clock) : clock_(clock), ui_id_(std::this_thread::get_id()) {}

bool ConsoleUiThread::IsUiThread() const
{
    return std::this_thread::get_id() == ui_id_;
}

void ConsoleUiThread::ProcessMessages()
{
    if (!IsUiThread()) return;
    hand_offs_.RunPending();
    // A timer handler that lets the queue run must not fire the timers again.
    if (in_timers_) return;
    in_timers_ = true;
    timers_.RunDue(clock_.TickCountMs());
    in_timers_ = false;
    hand_offs_.RunPending();
}

void ConsoleUiThread::KeepAlive()
{
    if (IsUiThread()) hand_offs_.RunPending();
}

void ConsoleUiThread::RunSync(const std::function<void()>& fn)
{
    if (IsUiThread())
        fn();
    else
        hand_offs_.RunSync(fn);
}

void ConsoleUiThread::Post(std::function<void()> fn)
{
    hand_offs_.Post(std::move(fn));
}

void ConsoleUiThread::PumpFor(uint64_t ms)
{
    PumpUntil([] { return false; }, ms);
}

bool ConsoleUiThread::PumpUntil(const std::function<bool()>& done, uint64_t max_ms)
{
    const uint64_t start = clock_.TickCountMs();
    for (;;) {
        ProcessMessages();
        if (done()) return true;
        if (clock_.TickCountMs() - start >= max_ms) return false;
        clock_.IdleMs(1);
    }
}

} // namespace mrv::console
