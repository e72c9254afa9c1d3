#include "scan/drive_wait.h"

#include "drive/drive_state.h"
#include "platform/clock.h"

#include <algorithm>
#include <chrono>

namespace mrv
{

WaitOutcome PollWhileBusy(Clock& clock, uint64_t ticks_per_unit, const std::function<bool()>& busy,
                          const std::function<bool()>& abort, uint64_t limit)
{
    WaitOutcome out;
    const uint64_t unit = std::max<uint64_t>(ticks_per_unit, 1);
    while (busy()) {
        const uint64_t pass = clock.ReadTsc();
        while (clock.ReadTsc() - pass < unit) {
        }
        ++out.units;
        if (abort()) {
            out.aborted = true;
            break;
        }
        if (out.units > limit) {
            out.timed_out = true;
            break;
        }
    }
    return out;
}

TimerWait::TimerWait(Clock& clock, std::function<bool()> busy) : clock_(clock), busy_(std::move(busy)) {}

TimerWait::~TimerWait()
{
    Stop();
}

void TimerWait::Start()
{
    if (!timer_) timer_ = clock_.StartPeriodic1ms([this] { Tick(); });
}

void TimerWait::Stop()
{
    timer_.reset();
    waiting_ = false;
}

void TimerWait::Tick()
{
    if (!waiting_) return;
    if (busy_()) {
        const uint64_t units = units_.fetch_add(1, std::memory_order_relaxed) + 1;
        if (units <= limit_.load(std::memory_order_relaxed)) return;
        timed_out_ = true;
    }
    waiting_ = false;
    {
        std::lock_guard lock(mutex_);
        woke_ = true;
    }
    wake_.notify_all();
}

void TimerWait::Interrupt()
{
    {
        std::lock_guard lock(mutex_);
        woke_ = true;
    }
    wake_.notify_all();
}

WaitOutcome TimerWait::Wait(uint64_t limit, const std::function<bool()>& abort)
{
    units_ = 0;
    timed_out_ = false;
    limit_ = limit;
    {
        std::lock_guard lock(mutex_);
        woke_ = false;
    }
    waiting_ = true;
    WaitOutcome out;
    std::unique_lock lock(mutex_);
    // The timer thread wakes the worker; the short wait only notices an abort.
    while (!woke_ && !(out.aborted = abort()))
        wake_.wait_for(lock, std::chrono::milliseconds(20));
    lock.unlock();
    if (!out.aborted) out.aborted = abort();
    waiting_ = false;
    out.units = units_;
    out.timed_out = timed_out_;
    return out;
}

RequestStopwatch::RequestStopwatch(Clock& clock, const DriveState& state) : clock_(clock), state_(state) {}

void RequestStopwatch::Start()
{
    start_ = state_.UseCpuCounter ? clock_.ReadTsc() : clock_.TickCountMs();
}

uint64_t RequestStopwatch::ElapsedMs() const
{
    if (state_.UseCpuCounter) return (clock_.ReadTsc() - start_) / std::max<uint32_t>(state_.TicksPerMs, 1);
    return clock_.TickCountMs() - start_;
}

} // namespace mrv
