#pragma once
// Time as the program reads it: the millisecond tick count, the CPU time-stamp
// counter, sleeping, the local wall-clock time and a 1 ms periodic timer.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace mrv
{

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    /// Fraction of the day elapsed, as a time-of-day value (0.5 = noon).
    double DayFraction() const
    {
        return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
    }
    /// "HH:MM:SS".
    std::string TimeText() const
    {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour % 100, minute % 100, second % 100);
        return text;
    }
    /// "DD.MM.YYYY".
    std::string DateText() const
    {
        char text[32];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day % 100, month % 100, year % 10000);
        return text;
    }
};

/// A running periodic timer; destroying it stops it.
class PeriodicTimer
{
  public:
    virtual ~PeriodicTimer() = default;
};

class Clock
{
  public:
    virtual ~Clock() = default;

    /// Milliseconds since an arbitrary start (GetTickCount).
    virtual uint64_t TickCountMs() = 0;
    /// CPU time-stamp counter (RDTSC serialised).
    virtual uint64_t ReadTsc() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    /// The message loop's pause between messages. On a real clock the same as
    /// sleeping; a simulated clock lets a running worker move time instead.
    virtual void IdleMs(uint32_t ms) { SleepMs(ms); }
    virtual LocalDateTime Now() = 0;
    /// Calls `tick` every millisecond on a timer thread until the result is destroyed.
    virtual std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()> tick) = 0;
};

} // namespace mrv
