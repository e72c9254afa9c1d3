#include "sim/sim_clock.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace mrv::sim
{

namespace
{

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr uint64_t kMsNs = 1000000;

// How long virtual time must stand still (in wall time) before an idle
// message loop concludes that no worker is moving it.
constexpr auto kIdleStandstill = std::chrono::milliseconds(5);

// How long (in wall time) a message loop that saw another thread move time
// keeps watching for it. A worker the system takes off the processor for a
// while stands still too; without this memory the loop would then race time
// ahead by a millisecond a pause until the worker is back.
constexpr auto kMoverMemory = std::chrono::milliseconds(50);

// What a message loop's thread knows of who moves time: where its last pause
// ended, how much it moved time itself since, and whether it is leaving time
// to somebody else.
struct IdleState {
    const SimClock* clock = nullptr;
    uint64_t pause_end_ns = 0;
    uint64_t own_ns_since = 0;
    bool watching = false;
    std::chrono::steady_clock::time_point others_seen{};
};
thread_local IdleState idle_state;

} // namespace

// A timer thread. In real mode it sleeps until each next millisecond of the
// steady clock. In virtual mode it fires once for every virtual millisecond
// boundary that time crosses (missed ticks are coalesced, as an overloaded
// system's multimedia timer would); when virtual time stands still for a
// millisecond of wall time, the timer thread moves it on by one millisecond
// itself, so that a worker that sleeps until the next tick is never stranded.
class SimPeriodicTimer : public PeriodicTimer
{
  public:
    SimPeriodicTimer(SimClock& clock, std::function<void()> tick) : clock_(clock), tick_(std::move(tick))
    {
        clock_.timers_running_.fetch_add(1);
        thread_ = std::thread([this] { Run(); });
    }
    ~SimPeriodicTimer() override
    {
        stop_.store(true);
        clock_.timer_cv_.notify_all();
        thread_.join();
        clock_.timers_running_.fetch_sub(1);
    }

  private:
    void Run()
    {
        if (clock_.mode_ == ClockMode::Real) {
            auto next = std::chrono::steady_clock::now();
            while (!stop_.load()) {
                next += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(next);
                if (stop_.load()) break;
                tick_();
            }
            return;
        }
        uint64_t next = (clock_.PeekNs() / kMsNs + 1) * kMsNs;
        while (!stop_.load()) {
            {
                std::unique_lock<std::mutex> lock(clock_.timer_mutex_);
                clock_.timer_cv_.wait_for(lock, std::chrono::milliseconds(1),
                                          [&] { return stop_.load() || clock_.PeekNs() >= next; });
            }
            if (stop_.load()) break;
            uint64_t now = clock_.PeekNs();
            if (now < next) {
                clock_.Advance(next - now);
                now = next;
            }
            tick_();
            next = (now / kMsNs + 1) * kMsNs;
        }
    }

    SimClock& clock_;
    std::function<void()> tick_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

SimClock::SimClock(ClockMode mode, uint32_t cpu_mhz, LocalDateTime start)
    : mode_(mode), cpu_mhz_(cpu_mhz == 0 ? 1 : cpu_mhz), start_(start), real_origin_ns_(SteadyNs())
{
}

SimClock::~SimClock() = default;

LocalDateTime SimClock::DefaultStart()
{
    LocalDateTime t;
    t.year = 2018;
    t.month = 7;
    t.day = 12;
    t.hour = 12;
    return t;
}

LocalDateTime SimClock::LocalNow()
{
    static std::mutex mutex; // std::localtime shares one result buffer
    std::lock_guard<std::mutex> lock(mutex);
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const std::tm* tm = std::localtime(&t);
    LocalDateTime out;
    if (tm == nullptr) return DefaultStart();
    out.year = tm->tm_year + 1900;
    out.month = tm->tm_mon + 1;
    out.day = tm->tm_mday;
    out.hour = tm->tm_hour;
    out.minute = tm->tm_min;
    out.second = tm->tm_sec;
    out.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return out;
}

uint64_t SimClock::PeekNs() const
{
    if (mode_ == ClockMode::Real) return static_cast<uint64_t>(SteadyNs() - real_origin_ns_);
    return virtual_ns_.load(std::memory_order_relaxed);
}

void SimClock::Advance(uint64_t ns)
{
    if (mode_ == ClockMode::Real) return;
    AdvanceBy(ns);
}

uint64_t SimClock::AdvanceBy(uint64_t ns)
{
    const uint64_t before = virtual_ns_.fetch_add(ns, std::memory_order_relaxed);
    if (timers_running_.load(std::memory_order_relaxed) > 0 && (before / kMsNs != (before + ns) / kMsNs))
        timer_cv_.notify_all();
    return before + ns;
}

uint64_t SimClock::NowNsAdvancing()
{
    if (mode_ == ClockMode::Real) return PeekNs();
    return AdvanceOwn(quantum_ns_.load(std::memory_order_relaxed));
}

namespace
{
thread_local uint64_t thread_own_ns = 0;
} // namespace

uint64_t SimClock::ThreadOwnNs()
{
    return thread_own_ns;
}

uint64_t SimClock::AdvanceOwn(uint64_t ns)
{
    thread_own_ns += ns;
    if (idle_state.clock == this) idle_state.own_ns_since += ns;
    return AdvanceBy(ns);
}

uint64_t SimClock::TickCountMs()
{
    return NowNsAdvancing() / kMsNs;
}

uint64_t SimClock::ReadTsc()
{
    uint64_t ns = NowNsAdvancing();
    // ns * MHz / 1000 without overflow for centuries of virtual time.
    return (ns / 1000) * cpu_mhz_ + (ns % 1000) * cpu_mhz_ / 1000;
}

void SimClock::SleepMs(uint32_t ms)
{
    if (mode_ == ClockMode::Real) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    AdvanceOwn(static_cast<uint64_t>(ms) * kMsNs);
    // Let other threads (a worker, a timer thread) run as a real sleep would.
    std::this_thread::yield();
}

void SimClock::IdleMs(uint32_t ms)
{
    if (mode_ == ClockMode::Real) {
        SleepMs(ms);
        return;
    }
    IdleState& idle = idle_state;
    if (idle.clock != this) idle = IdleState{this, PeekNs(), 0, false, {}};
    // Time that passed since the last pause and was not this thread's doing
    // was moved by another thread: from now on, watch it. A thread seen moving
    // it a moment ago may only be off the processor: watch for it again.
    const auto pause_start = std::chrono::steady_clock::now();
    if (PeekNs() - idle.pause_end_ns > idle.own_ns_since) {
        idle.watching = true;
        idle.others_seen = pause_start;
    } else if (pause_start - idle.others_seen < kMoverMemory) {
        idle.watching = true;
    }
    if (!idle.watching) {
        AdvanceBy(static_cast<uint64_t>(ms) * kMsNs);
        std::this_thread::yield();
    } else {
        // Wait, in wall time, for the others to carry time past the end of
        // the pause. Should they stop (a worker that ended, or one that waits
        // for this thread), take the rest of the pause on this thread's
        // account and move time again from here on.
        const uint64_t target = PeekNs() + static_cast<uint64_t>(ms) * kMsNs;
        uint64_t seen = PeekNs();
        auto still_since = std::chrono::steady_clock::now();
        while (seen < target) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            const uint64_t now = PeekNs();
            const auto wall = std::chrono::steady_clock::now();
            if (now != seen) {
                seen = now;
                still_since = wall;
                idle.others_seen = wall;
            } else if (wall - still_since >= kIdleStandstill) {
                AdvanceBy(target - now);
                idle.watching = false;
                break;
            }
        }
    }
    idle.pause_end_ns = PeekNs();
    idle.own_ns_since = 0;
}

LocalDateTime SimClock::Now()
{
    using namespace std::chrono;
    const sys_days day0 = year_month_day{year{start_.year}, month{static_cast<unsigned>(start_.month)},
                                         day{static_cast<unsigned>(start_.day)}};
    const milliseconds start_ms = hours(start_.hour) + minutes(start_.minute) + seconds(start_.second) +
                                  milliseconds(start_.millisecond);
    const sys_time<milliseconds> t = day0 + start_ms + duration_cast<milliseconds>(nanoseconds(PeekNs()));
    const sys_days d = floor<days>(t);
    const year_month_day ymd{d};
    hh_mm_ss<milliseconds> hms{t - d};
    LocalDateTime out;
    out.year = static_cast<int>(ymd.year());
    out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    out.hour = static_cast<int>(hms.hours().count());
    out.minute = static_cast<int>(hms.minutes().count());
    out.second = static_cast<int>(hms.seconds().count());
    out.millisecond = static_cast<int>(hms.subseconds().count());
    return out;
}

std::unique_ptr<PeriodicTimer> SimClock::StartPeriodic1ms(std::function<void()> tick)
{
    return std::make_unique<SimPeriodicTimer>(*this, std::move(tick));
}

} // namespace mrv::sim
