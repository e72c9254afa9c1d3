// The readouts' arithmetic: speed, remaining time, percent and megabytes by
// direction, the random bar, the class-limit and axis labels, and the LBAs a
// grid cell stands for in either layout.

#include "scan/view/scan_readouts.h"
#include "scanview/scan_range.h"

#include <gtest/gtest.h>

namespace mrv::scanview
{
namespace
{

ScanStart Range(uint64_t start, uint64_t end, uint32_t block,
                ScanDirection direction = ScanDirection::Forward)
{
    return test::ScanRange(start, end, block, direction);
}

BlockResult At(uint64_t lba, ScanDirection direction = ScanDirection::Forward)
{
    BlockResult b;
    b.lba = lba;
    b.direction = direction;
    return b;
}

TEST(ScanReadouts, SpeedCountsEveryBlockOfTheWindow)
{
    // 26 blocks of 256 sectors in 30 ms.
    EXPECT_EQ(SpeedBytesPerMs(26 * 256, 1, 512, 30000), 113595u);
    // Large blocks with one block per sample still measure the drive, not the block size.
    EXPECT_EQ(SpeedBytesPerMs(65535, 1, 512, 250000), 134215u);
    // No measurable time does not divide by zero.
    EXPECT_EQ(SpeedBytesPerMs(1, 1, 512, 0), 512000u);
    EXPECT_EQ(SpeedBytesPerMs(8, 1, 4096, 1000), 32768u);
}

TEST(ScanReadouts, RemainingTimeByDirection)
{
    const ScanStart s = Range(1000, 2'001'000, 256);
    EXPECT_EQ(RemainingSeconds(s, At(1'000'000), 100000), 1'001'000u / 200001);
    ScanStart rev = s;
    rev.direction = ScanDirection::Reverse;
    EXPECT_EQ(RemainingSeconds(rev, At(1'000'000, ScanDirection::Reverse), 100000), 999'000u / 200001);
    EXPECT_EQ(RemainingSeconds(s, At(5, ScanDirection::Random), 100000), 0u);
    BlockResult b = At(0, ScanDirection::Butterfly);
    b.butterfly_low = 1000;
    b.butterfly_mid = 1'001'000;
    EXPECT_EQ(RemainingSeconds(s, b, 1000), 1'000'000u / 1001);
    // A position past the end, and no speed yet.
    EXPECT_EQ(RemainingSeconds(s, At(3'000'000), 100000), 0u);
    EXPECT_EQ(RemainingSeconds(s, At(1000), 0), 2'000'000u);
    EXPECT_EQ(ClockText(0), "00:00:00");
    EXPECT_EQ(ClockText(3 * 3600 + 25 * 60 + 7), "03:25:07");
    EXPECT_EQ(ClockText(123 * 3600 + 59), "123:00:59");
}

TEST(ScanReadouts, PercentAndMegabytesByDirection)
{
    ScanStart s = Range(0, 1000, 10);
    s.sectors_per_mb = 2048;
    EXPECT_EQ(PercentText(s, At(0)), "0.0");
    EXPECT_EQ(PercentText(s, At(500)), "50.0");
    EXPECT_EQ(PercentText(s, At(125)), "12.5");
    EXPECT_EQ(PercentText(s, At(250, ScanDirection::Reverse)), "75.0");
    EXPECT_FALSE(PercentText(s, At(250, ScanDirection::Random)));
    EXPECT_EQ(Megabytes(s, At(2048 * 7 + 5)), 7u);

    // The butterfly percent counts from the range's start, not from LBA 0.
    ScanStart high = Range(1'000'000, 1'000'200, 10, ScanDirection::Butterfly);
    high.sectors_per_mb = 2048;
    BlockResult b = At(0, ScanDirection::Butterfly);
    b.butterfly_low = 1'000'000;
    b.butterfly_mid = 1'000'100;
    EXPECT_EQ(PercentText(high, b), "0.0");
    b.butterfly_low = 1'000'050;
    EXPECT_EQ(PercentText(high, b), "50.0");
    b.butterfly_low = 4096;
    EXPECT_EQ(Megabytes(high, b), 4u);
}

TEST(ScanReadouts, RandomBarSpansTheRange)
{
    const ScanStart s = Range(0, 999, 1, ScanDirection::Random);
    EXPECT_EQ(RandomBarPosition(s, At(0)), 0);
    EXPECT_EQ(RandomBarPosition(s, At(500)), 10);
    EXPECT_EQ(RandomBarPosition(s, At(999)), 19);
    const ScanStart huge = Range(0, UINT64_MAX - 1, 1, ScanDirection::Random);
    EXPECT_EQ(RandomBarPosition(huge, At(UINT64_MAX / 2)), 9);
}

TEST(ScanReadouts, LimitAndAxisLabels)
{
    EXPECT_EQ(LimitText(50, 10), "5");
    EXPECT_EQ(LimitText(600, 1), "600");
    EXPECT_EQ(LimitText(12000, 10), "1.2s");
    EXPECT_EQ(LimitText(20, 0), "20");
    EXPECT_EQ(AxisText(7, 10), "98");
    EXPECT_EQ(AxisText(1, 10), "14");
    EXPECT_EQ(AxisText(1, 100), "1.4");
    EXPECT_EQ(AxisText(7, 100), "9.8");
    EXPECT_EQ(AxisText(7, 3), "326");
    EXPECT_EQ(AxisText(1, 65535), "0.0");
}

TEST(ScanReadouts, CellBlocksForwardAndReverseWithClipping)
{
    // 0..300 in blocks of 256: a full block, then the clipped tail.
    const ScanStart fwd = Range(0, 300, 256);
    auto cell = CellBlockOf(fwd, 0);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->first, 0u);
    EXPECT_EQ(cell->last, 255u);
    cell = CellBlockOf(fwd, 1);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->first, 256u);
    EXPECT_EQ(cell->last, 300u);
    EXPECT_FALSE(CellBlockOf(fwd, 2));
    EXPECT_FALSE(CellBlockOf(fwd, UINT64_MAX));

    // Reverse counts down from the end; the last cell is clipped at the start.
    const ScanStart rev = Range(100, 1000, 256, ScanDirection::Reverse);
    cell = CellBlockOf(rev, 0);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->first, 1000u);
    EXPECT_EQ(cell->last, 745u);
    cell = CellBlockOf(rev, 3);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->first, 232u);
    EXPECT_EQ(cell->last, 100u);
    EXPECT_FALSE(CellBlockOf(rev, 4));

    // A range that ends on the drive's last addressable sector.
    const ScanStart top = Range(UINT64_MAX - 10, UINT64_MAX, 8);
    cell = CellBlockOf(top, 1);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->first, UINT64_MAX - 2);
    EXPECT_EQ(cell->last, UINT64_MAX);
}

} // namespace
} // namespace mrv::scanview
