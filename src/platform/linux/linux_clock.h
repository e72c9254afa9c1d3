#pragma once
// The program's clocks on Linux: CLOCK_MONOTONIC ticks, the time-stamp counter
// and a 1 ms periodic timer driven by a timerfd.

#include "platform/clock.h"

namespace mrv::linux_platform
{

class LinuxClock : public Clock
{
  public:
    uint64_t TickCountMs() override;
    uint64_t ReadTsc() override;
    void SleepMs(uint32_t ms) override;
    LocalDateTime Now() override;
    std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()> tick) override;
};

} // namespace mrv::linux_platform
