#include "platform/linux/linux_clock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <thread>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define MRV_HAVE_TSC 1
#endif

namespace mrv::linux_platform
{

namespace
{

/// Ticks `tick` on its own thread from a timerfd; an eventfd wakes it to stop.
class TimerfdPeriodic : public PeriodicTimer
{
  public:
    TimerfdPeriodic(int timer_fd, int stop_fd, std::function<void()> tick)
        : timer_fd_(timer_fd), stop_fd_(stop_fd), tick_(std::move(tick))
    {
        thread_ = std::thread([this] { Run(); });
    }

    ~TimerfdPeriodic() override
    {
        stopping_.store(true, std::memory_order_relaxed);
        const uint64_t one = 1;
        while (write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
        close(timer_fd_);
        close(stop_fd_);
    }

  private:
    void Run()
    {
        pollfd fds[2] = {{timer_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
        while (!stopping_.load(std::memory_order_relaxed)) {
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            uint64_t expirations = 0;
            if (read(timer_fd_, &expirations, sizeof expirations) != sizeof expirations) continue;
            // Like the multimedia timer, ticks missed while the thread was late
            // are delivered (a bounded number, so a long stall cannot flood).
            if (expirations > 100) expirations = 100;
            for (uint64_t i = 0; i < expirations && !stopping_.load(std::memory_order_relaxed); ++i)
                tick_();
        }
    }

    int timer_fd_;
    int stop_fd_;
    std::function<void()> tick_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

/// Used only where no timerfd can be had (seccomp, old kernels): sleeps to
/// the next absolute millisecond.
class SleepingPeriodic : public PeriodicTimer
{
  public:
    explicit SleepingPeriodic(std::function<void()> tick) : tick_(std::move(tick))
    {
        thread_ = std::thread([this] {
            auto next = std::chrono::steady_clock::now();
            while (!stopping_.load(std::memory_order_relaxed)) {
                next += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(next);
                if (!stopping_.load(std::memory_order_relaxed)) tick_();
            }
        });
    }
    ~SleepingPeriodic() override
    {
        stopping_.store(true, std::memory_order_relaxed);
        thread_.join();
    }

  private:
    std::function<void()> tick_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace

uint64_t LinuxClock::TickCountMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint64_t LinuxClock::ReadTsc()
{
#ifdef MRV_HAVE_TSC
    // The fences keep the read from drifting across the timed instructions.
    _mm_lfence();
    const uint64_t value = __rdtsc();
    _mm_lfence();
    return value;
#else
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
#endif
}

void LinuxClock::SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

LocalDateTime LinuxClock::Now()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    const time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &parts);
    LocalDateTime now;
    now.year = parts.tm_year + 1900;
    now.month = parts.tm_mon + 1;
    now.day = parts.tm_mday;
    now.hour = parts.tm_hour;
    now.minute = parts.tm_min;
    // A leap second (60) is shown as the last second of the minute.
    now.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
    now.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return now;
}

std::unique_ptr<PeriodicTimer> LinuxClock::StartPeriodic1ms(std::function<void()> tick)
{
    const int timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (timer_fd >= 0) {
        const int stop_fd = eventfd(0, EFD_CLOEXEC);
        itimerspec period{};
        period.it_interval.tv_nsec = 1000000;
        period.it_value.tv_nsec = 1000000;
        if (stop_fd >= 0 && timerfd_settime(timer_fd, 0, &period, nullptr) == 0)
            return std::make_unique<TimerfdPeriodic>(timer_fd, stop_fd, std::move(tick));
        if (stop_fd >= 0) close(stop_fd);
        close(timer_fd);
    }
    return std::make_unique<SleepingPeriodic>(std::move(tick));
}

} // namespace mrv::linux_platform
