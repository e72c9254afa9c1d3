// Class limits per timer mode, the timing base at start, the class of a time
// on a limit, and the error marks.

#include "scan/scan_control.h"
#include "scan/scan_timing.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

TEST(ScanTiming, ClassLimitsPerMode)
{
    auto api = ComputeClassLimits(true, ScanTimer::TickPolling, 5, 5, 1);
    EXPECT_EQ(std::vector<uint16_t>(api.limit, api.limit + 5), (std::vector<uint16_t>{5, 20, 50, 200, 600}));
    EXPECT_EQ(api.divisor, 1u);
    auto polling = ComputeClassLimits(false, ScanTimer::TickPolling, 0, 5, 2);
    EXPECT_EQ(std::vector<uint16_t>(polling.limit, polling.limit + 5),
              (std::vector<uint16_t>{100, 400, 1000, 2000, 12000}));
    EXPECT_EQ(polling.divisor, 10u);
    auto mm = ComputeClassLimits(false, ScanTimer::MmTimer, 6, 5, 1);
    EXPECT_EQ(std::vector<uint16_t>(mm.limit, mm.limit + 5), (std::vector<uint16_t>{5, 20, 50, 200, 600}));
    auto huge = ComputeClassLimits(false, ScanTimer::TickPolling, 6, 65535, 2);
    EXPECT_EQ(huge.limit[4], 65535) << "limited to 16 bits";
}

TEST(ScanTiming, TimeOnALimitBelongsToTheNextClass)
{
    ClassLimits limits;
    EXPECT_EQ(TimingClassOf(0, limits), 1);
    EXPECT_EQ(TimingClassOf(4, limits), 1);
    EXPECT_EQ(TimingClassOf(5, limits), 2);
    EXPECT_EQ(TimingClassOf(599, limits), 5);
    EXPECT_EQ(TimingClassOf(600, limits), 6);
    EXPECT_EQ(TimingClassOf(uint64_t{1} << 40, limits), 6) << "compared as 64-bit";
}

TEST(ScanTiming, TimingBaseAtStart)
{
    TimingBaseInputs in;
    in.identified_base = 9;
    in.block_size = 256;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 9);
    in.block_size = 512;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 18);
    in.verify = false;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 10) << "non-verify scans use 5";
    in.api_removable = true;
    in.lba_count = 2880;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 36);
    in = {};
    in.identified_base = 4;
    in.block_size = 1;
    in.solid_state = true;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 1) << "4 / 3, at least 1";
    in.block_size = 65535;
    in.identified_base = 18;
    in.solid_state = false;
    EXPECT_EQ(ScanTimingBaseAtStart(in), 2304);
}

TEST(ScanTiming, ErrorMarksAndApiErrors)
{
    EXPECT_EQ(ErrorMarkOf(0x40), 'x');
    EXPECT_EQ(ErrorMarkOf(0x04), '!');
    EXPECT_EQ(ErrorMarkOf(0x49), '.');
    EXPECT_EQ(ErrorMarkOf(0x81), 'D');
    EXPECT_EQ(ErrorMarkOf(0), 'T') << "a timed-out block";
    EXPECT_EQ(ErrorMarkOf(0x1234), 'T');
    EXPECT_EQ(StatusOfApiError(23), 0x40);
    EXPECT_EQ(StatusOfApiError(1117), 0x04);
    EXPECT_EQ(StatusOfApiError(1785), 0x02);
    EXPECT_EQ(StatusOfApiError(1122), 0x01);
    EXPECT_EQ(StatusOfApiError(31), 31);
    // A failure must never read as a good block.
    EXPECT_NE(StatusOfApiError(0), 0);
    EXPECT_NE(StatusOfApiError(0x10000), 0);
}

TEST(ScanTiming, LabelsAndBoxes)
{
    EXPECT_EQ(DurationText(600), "600");
    EXPECT_EQ(DurationText(998), "998");
    EXPECT_EQ(DurationText(1200), "1.2s");
    EXPECT_EQ(ScanControl::ParseTimeout("never"), -1);
    EXPECT_EQ(ScanControl::ParseTimeout("0"), 1);
    EXPECT_EQ(ScanControl::ParseTimeout("1o0 ms"), 10);
    EXPECT_EQ(ScanControl::ParseTimeout("99999999999999"), 0x7FFFFFFF);
    EXPECT_EQ(ScanControl::ParseBlockSize("", false), 1u);
    EXPECT_EQ(ScanControl::ParseBlockSize("0", false), 0u);
    EXPECT_EQ(ScanControl::ParseBlockSize("70000", false), 65535u);
    EXPECT_EQ(ScanControl::ParseBlockSize("1024", true), 256u);
    EXPECT_EQ(ScanControl::ParseRandomTime("0:10"), 600000u);
    EXPECT_EQ(ScanControl::ParseRandomTime("02:24:00"), 8640000u);
    EXPECT_FALSE(ScanControl::ParseRandomTime("ten"));
    EXPECT_FALSE(ScanControl::ParseRandomTime("25:00"));
}

} // namespace
} // namespace mrv
