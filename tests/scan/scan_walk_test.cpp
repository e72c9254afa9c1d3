// The walks' block sequences, their tails, and the jumps at the range's edges.

#include "scan/scan_walk.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace mrv
{
namespace
{

using Blocks = std::vector<std::pair<uint64_t, uint32_t>>;

/// Runs a walk to its end and lists the blocks it issued.
Blocks Walk(ScanDirection direction, uint64_t start, uint64_t end, uint32_t block_size)
{
    ScanState s;
    s.StartLba = start;
    s.EndLba = end;
    s.BlockSize = block_size;
    s.Direction = direction;
    BeginWalk(s);
    RandomDraw draw(1);
    Blocks blocks;
    while (PlaceNextBlock(s, draw)) {
        blocks.emplace_back(s.CurrentLba, s.BlockSize);
        if (blocks.size() > 100000 || !AdvanceAfterBlock(s, 0)) break;
    }
    return blocks;
}

/// How often each sector of [start, end] was covered.
std::vector<int> Coverage(const Blocks& blocks, uint64_t start, uint64_t end)
{
    std::vector<int> count(end - start + 1, 0);
    for (auto [lba, size] : blocks)
        for (uint64_t i = lba; i < lba + size; ++i) {
            EXPECT_GE(i, start);
            EXPECT_LE(i, end);
            if (i >= start && i <= end) ++count[i - start];
        }
    return count;
}

TEST(ScanWalk, ForwardTailIsOneShorterBlockThenTheLastSector)
{
    EXPECT_EQ(Walk(ScanDirection::Forward, 0, 300, 256), (Blocks{{0, 256}, {256, 44}, {300, 1}}));
    EXPECT_EQ(Walk(ScanDirection::Forward, 0, 511, 256), (Blocks{{0, 256}, {256, 255}, {511, 1}}));
}

TEST(ScanWalk, ReverseEndsWithTheRemainderAsOneBlock)
{
    EXPECT_EQ(Walk(ScanDirection::Reverse, 0, 1023, 256),
              (Blocks{{768, 256}, {512, 256}, {256, 256}, {0, 256}}));
    EXPECT_EQ(Walk(ScanDirection::Reverse, 0, 1000, 256),
              (Blocks{{745, 256}, {489, 256}, {233, 256}, {0, 233}}));
}

TEST(ScanWalk, OneSectorRangeIsOneBlock)
{
    for (auto direction : {ScanDirection::Forward, ScanDirection::Reverse, ScanDirection::Butterfly})
        EXPECT_EQ(Walk(direction, 5000, 5000, 256), (Blocks{{5000, 1}})) << int(direction);
}

TEST(ScanWalk, RangeShorterThanTheBlockShrinksTheBlock)
{
    EXPECT_EQ(Walk(ScanDirection::Forward, 0, 100, 256), (Blocks{{0, 100}, {100, 1}}));
}

TEST(ScanWalk, EverySectorOnceInEveryOrderedDirection)
{
    // Ranges that end on and off block boundaries, near the top of a 2^32
    // drive, and with blocks of one sector.
    const struct {
        uint64_t start, end;
        uint32_t block;
    } cases[] = {{0, 1023, 256},
                 {0, 1000, 256},
                 {7, 7 + 4096, 256},
                 {0, 299, 1},
                 {4294967000, 4294967295, 64},
                 {10, 12, 256},
                 {0, 65535 * 3 + 17, 65535}};
    for (const auto& c : cases) {
        for (auto direction : {ScanDirection::Forward, ScanDirection::Reverse, ScanDirection::Butterfly}) {
            const auto count = Coverage(Walk(direction, c.start, c.end, c.block), c.start, c.end);
            for (size_t i = 0; i < count.size(); ++i)
                ASSERT_EQ(count[i], 1) << "direction " << int(direction) << " range " << c.start << ".."
                                       << c.end << " block " << c.block << " sector " << c.start + i;
        }
    }
}

TEST(ScanWalk, ButterflyAlternatesFromBothEnds)
{
    EXPECT_EQ(Walk(ScanDirection::Butterfly, 0, 1023, 256),
              (Blocks{{0, 256}, {768, 256}, {256, 256}, {512, 256}}));
}

TEST(ScanWalk, RandomDrawsReachTheWholeOf_a_64BitRange)
{
    ScanState s;
    s.StartLba = 0;
    s.EndLba = (uint64_t{1} << 40) - 1;
    s.BlockSize = 256;
    s.Direction = ScanDirection::Random;
    BeginWalk(s);
    s.RandomEndMs = 1000;
    RandomDraw draw(42);
    int above_32_bits = 0;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(PlaceNextBlock(s, draw));
        ASSERT_LE(s.CurrentLba + s.BlockSize - 1, s.EndLba);
        if (s.CurrentLba >> 32) ++above_32_bits;
        ASSERT_TRUE(AdvanceAfterBlock(s, 999));
    }
    // Uniform over 2^40 sectors: all but about one in 256 draws lie above 2^32.
    EXPECT_GT(above_32_bits, 950);
    EXPECT_FALSE(AdvanceAfterBlock(s, 1000)) << "the random walk ends at its time";
}

TEST(ScanWalk, RandomDrawsDifferWithinOneScan)
{
    RandomDraw draw(7);
    std::vector<uint64_t> seen;
    for (int i = 0; i < 50; ++i)
        seen.push_back(draw.Below(1000000));
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 45);
    EXPECT_EQ(draw.Below(0), 0u);
}

TEST(ScanWalk, JumpsStopAtTheEdges)
{
    ScanState s;
    s.StartLba = 1000;
    s.EndLba = 2000;
    s.BlockSize = 10;
    s.Direction = ScanDirection::Forward;
    BeginWalk(s);
    s.CurrentLba = 1950;
    JumpForward(s, 50); // 1950 + 50 + 10 passes the end: ignored
    EXPECT_EQ(s.CurrentLba, 1950u);
    JumpForward(s, 40);
    EXPECT_EQ(s.CurrentLba, 1990u);
    s.CurrentLba = 1020;
    JumpBack(s, 50); // stops at the start
    EXPECT_EQ(s.CurrentLba, 1000u);
    s.StartLba = 0;
    s.CurrentLba = 20;
    JumpBack(s, 50); // no wrap below LBA 0
    EXPECT_EQ(s.CurrentLba, 0u);

    s.Direction = ScanDirection::Butterfly;
    s.StartLba = 1000;
    BeginWalk(s);
    JumpBack(s, 50); // the low end is at the start: nothing to go back to
    EXPECT_EQ(s.ButterflyLow, 1000u);
    JumpForward(s, 600); // the ends pass each other: the walk is over
    RandomDraw draw(1);
    EXPECT_FALSE(PlaceNextBlock(s, draw));
}

} // namespace
} // namespace mrv
