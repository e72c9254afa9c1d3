// The seek test's arithmetic and the shared busy waits: where accesses go,
// the limit's units and edge, the average's text and the acoustic readout.

#include "mechanics/seek_rules.h"
#include "platform/clock.h"
#include "scan/drive_wait.h"
#include "scan/scan_walk.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace mrv::test
{
namespace
{

TEST(SeekRules, DrawsCoverTheRangeWithoutItsEnd)
{
    RandomDraw draw(7);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(DrawSeekLba(0, 1, draw), 0u) << "range 0..1: every access at LBA 0";
    EXPECT_EQ(DrawSeekLba(500, 500, draw), 500u);
    EXPECT_EQ(DrawSeekLba(500, 20, draw), 500u);
    // A drive beyond 2^32 sectors: positions above the low 32 bits occur.
    const uint64_t end = uint64_t{6} << 32;
    bool high = false;
    for (int i = 0; i < 200; ++i) {
        const uint64_t lba = DrawSeekLba(1000, end, draw);
        ASSERT_GE(lba, 1000u);
        ASSERT_LT(lba, end);
        high = high || lba > UINT32_MAX;
    }
    EXPECT_TRUE(high);
}

TEST(SeekRules, SeekCarriesTwentyEightBits)
{
    EXPECT_EQ(SeekCommandLba(268435456), 268435455u);
    EXPECT_EQ(SeekCommandLba(uint64_t{1} << 40), 268435455u);
    EXPECT_EQ(SeekCommandLba(268435455), 268435455u);
    EXPECT_EQ(SeekCommandLba(12345), 12345u);
}

TEST(SeekRules, LimitInTheWaitsUnits)
{
    EXPECT_EQ(SeekLimitUnits("250", true), 2500u);
    EXPECT_EQ(SeekLimitUnits("250", false), 250u);
    EXPECT_EQ(SeekLimitUnits("0", false), 1u);
    EXPECT_EQ(SeekLimitUnits("999999999999999999999", false), 50000u);
    EXPECT_EQ(SeekLimitUnits("", true), 2500u);
    EXPECT_EQ(SeekLimitUnits(" 300 ms", false), 300u);
}

TEST(SeekRules, AverageOfSixtyFourAccessesWithOneDecimal)
{
    EXPECT_EQ(SeekAverageText(64 * 123, true), "12.3") << "12.3 ms in 100 us units";
    EXPECT_EQ(SeekAverageText(64 * 12, false), "12.0") << "milliseconds";
    EXPECT_EQ(SeekAverageText(0, true), "0.0");
    EXPECT_EQ(SeekAverageText(64ull * 2500000, false), "2500000.0");
}

TEST(SeekRules, AcousticReadout)
{
    EXPECT_EQ(AamReadout(128, 0xFE), "MIN");
    EXPECT_EQ(AamReadout(128, 0x80), "MIN");
    EXPECT_EQ(AamReadout(128, 0x00), "OFF");
    EXPECT_EQ(AamReadout(0, 0xFE), "OFF");
    EXPECT_EQ(AamReadout(254, 0x00), "MAX");
    EXPECT_EQ(AamReadout(200, 0xFE), "200");
}

/// A counter that moves one tick per read; the timer is driven by the test.
class StepClock : public Clock
{
  public:
    uint64_t TickCountMs() override { return tsc_ / 1000; }
    uint64_t ReadTsc() override { return ++tsc_; }
    void SleepMs(uint32_t) override {}
    LocalDateTime Now() override { return {}; }
    std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()> tick) override
    {
        tick_ = std::move(tick);
        return std::make_unique<PeriodicTimer>();
    }
    std::function<void()> tick_;

  private:
    std::atomic<uint64_t> tsc_{0};
};

/// Busy for the first `passes` looks.
auto BusyFor(int passes)
{
    return [left = passes]() mutable { return left-- > 0; };
}

TEST(DriveWait, PollingEndsOnceTheCountPassesTheLimit)
{
    StepClock clock;
    const auto never = [] { return false; };
    WaitOutcome out = PollWhileBusy(clock, 5, BusyFor(2500), never, 2500);
    EXPECT_EQ(out.units, 2500u);
    EXPECT_FALSE(out.timed_out) << "2500 units is the limit itself";
    out = PollWhileBusy(clock, 5, BusyFor(2501), never, 2500);
    EXPECT_EQ(out.units, 2501u);
    EXPECT_TRUE(out.timed_out);
    out = PollWhileBusy(clock, 5, BusyFor(100000), never, kNoWaitLimit);
    EXPECT_EQ(out.units, 100000u);
    EXPECT_FALSE(out.timed_out);
    int looks = 0;
    out = PollWhileBusy(
        clock, 5, BusyFor(1000), [&] { return ++looks == 10; }, 2500);
    EXPECT_TRUE(out.aborted);
    EXPECT_EQ(out.units, 10u);
}

WaitOutcome TimedWait(int busy_ticks, uint64_t limit)
{
    StepClock clock;
    TimerWait wait(clock, BusyFor(busy_ticks));
    wait.Start();
    std::thread timer([&] {
        while (!wait.Waiting())
            std::this_thread::yield();
        // The timer thread ticks until the worker has been woken.
        while (wait.Waiting())
            clock.tick_();
    });
    const WaitOutcome out = wait.Wait(limit, [] { return false; });
    timer.join();
    return out;
}

TEST(DriveWait, TimerCountsBusyTicksUpToTheLimit)
{
    WaitOutcome out = TimedWait(250, 250);
    EXPECT_EQ(out.units, 250u);
    EXPECT_FALSE(out.timed_out);
    out = TimedWait(100000, 250);
    EXPECT_EQ(out.units, 251u);
    EXPECT_TRUE(out.timed_out);
    out = TimedWait(0, 250);
    EXPECT_EQ(out.units, 0u);
}

} // namespace
} // namespace mrv::test
