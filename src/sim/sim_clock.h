#pragma once
// The virtual PC's clock. Virtual mode: time moves only when someone looks at it
// or sleeps, so tests and headless runs finish fast and repeat exactly. Real mode:
// the wall clock, for the windowed lab.
//
// A worker that times the drive moves virtual time with its own reads. If the
// message loop moved time too while it waits for that worker, a block would end
// early by whatever the loop added, and what the worker measures would depend
// on how the threads were scheduled. So the message loop's pause (`IdleMs`)
// only watches time pass while another thread moves it, and moves time itself
// only when nobody else does.

#include "platform/clock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace mrv::sim
{

enum class ClockMode { Virtual, Real };

class SimClock : public Clock
{
  public:
    /// `cpu_mhz` is the time-stamp counter rate; `start` the local time at time zero.
    SimClock(ClockMode mode, uint32_t cpu_mhz, LocalDateTime start = DefaultStart());
    ~SimClock() override;

    uint64_t TickCountMs() override;
    uint64_t ReadTsc() override;
    void SleepMs(uint32_t ms) override;
    void IdleMs(uint32_t ms) override;
    LocalDateTime Now() override;
    std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()> tick) override;

    ClockMode Mode() const { return mode_; }
    uint32_t CpuMhz() const { return cpu_mhz_; }
    /// Nanoseconds since start, without advancing virtual time.
    uint64_t PeekNs() const;
    /// Moves virtual time forward (no effect in real mode).
    void Advance(uint64_t ns);
    /// Virtual time added by every tick-count or counter read (busy-poll loops end quickly).
    void SetPollQuantumNs(uint64_t ns) { quantum_ns_.store(ns, std::memory_order_relaxed); }

    /// Virtual time the calling thread has moved the clock by so far, with
    /// its own reads and sleeps (on any virtual clock): what a thread spent
    /// waiting for the hardware, apart from what others did meanwhile.
    static uint64_t ThreadOwnNs();
    static LocalDateTime DefaultStart();
    /// The local wall-clock time now.
    static LocalDateTime LocalNow();

  private:
    friend class SimPeriodicTimer;
    uint64_t NowNsAdvancing();
    /// Moves virtual time forward (virtual mode) and returns the new time.
    uint64_t AdvanceBy(uint64_t ns);
    /// `AdvanceBy` on the calling thread's account (see `IdleMs`).
    uint64_t AdvanceOwn(uint64_t ns);

    const ClockMode mode_;
    const uint32_t cpu_mhz_;
    const LocalDateTime start_;
    std::atomic<uint64_t> virtual_ns_{0};
    std::atomic<uint64_t> quantum_ns_{2000};
    int64_t real_origin_ns_ = 0;

    // Timer threads of virtual mode wait here for time to pass.
    std::mutex timer_mutex_;
    std::condition_variable timer_cv_;
    std::atomic<int> timers_running_{0};
};

} // namespace mrv::sim
