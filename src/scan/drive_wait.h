#pragma once
// How a test worker times one drive command: in PIO mode it waits while the
// drive is busy, either spinning 100 µs per pass on the time-stamp counter
// (tick polling) or sleeping while a 1 ms timer counts the busy ticks; in API
// mode it measures the request in milliseconds.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

namespace mrv
{

class Clock;
class PeriodicTimer;
struct DriveState;

/// No time limit for a wait.
inline constexpr uint64_t kNoWaitLimit = std::numeric_limits<uint64_t>::max();

struct WaitOutcome {
    /// Units the drive stayed busy: 100 µs passes or 1 ms ticks.
    uint64_t units = 0;
    /// The count went past the limit.
    bool timed_out = false;
    /// The wait was left early because `abort` said so.
    bool aborted = false;
};

/// Spins while `busy()`, one `ticks_per_unit` of the time-stamp counter per
/// pass, counting the passes; ends with a timeout once the count exceeds
/// `limit`, or early when `abort()` says so.
WaitOutcome PollWhileBusy(Clock& clock, uint64_t ticks_per_unit, const std::function<bool()>& busy,
                          const std::function<bool()>& abort, uint64_t limit);

/// The 1 ms timer way: the worker sleeps in `Wait`; the timer counts the ticks
/// during which the drive was busy and wakes the worker when the drive is
/// ready or the count exceeds the limit.
class TimerWait
{
  public:
    /// `busy` is read on the timer thread.
    TimerWait(Clock& clock, std::function<bool()> busy);
    ~TimerWait();

    /// The periodic timer runs from `Start` until `Stop` (or destruction).
    void Start();
    void Stop();
    /// Sleeps until the timer wakes the worker, or `abort()` holds (checked
    /// every few milliseconds and after `Interrupt`).
    WaitOutcome Wait(uint64_t limit, const std::function<bool()>& abort);
    /// Wakes a waiting worker so that it reads `abort` again.
    void Interrupt();
    /// A worker is asleep in `Wait`.
    bool Waiting() const { return waiting_; }

  private:
    void Tick();

    Clock& clock_;
    std::function<bool()> busy_;
    std::unique_ptr<PeriodicTimer> timer_;
    std::atomic<bool> waiting_{false};
    std::atomic<bool> timed_out_{false};
    std::atomic<uint64_t> units_{0};
    std::atomic<uint64_t> limit_{kNoWaitLimit};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woke_ = false;
};

/// Milliseconds of one API request: the time-stamp counter divided by
/// `TicksPerMs` when the counter is used, else the tick count.
class RequestStopwatch
{
  public:
    RequestStopwatch(Clock& clock, const DriveState& state);
    void Start();
    uint64_t ElapsedMs() const;

  private:
    Clock& clock_;
    const DriveState& state_;
    uint64_t start_ = 0;
};

} // namespace mrv
