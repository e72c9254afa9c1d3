// What the scan does with a failed block on the virtual PC: remap, erase,
// restore in both modes, the defectoscope's search, long writing and the
// write check, and that no sector of the range is left out after an action
// in any direction.

#include "scan/defect_actions.h"
#include "scan_lab.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mrv::test
{
namespace
{

class DefectTest : public ScanTest
{
  protected:
    void Action(DefectAction action) { fm().ScRemapGroup.SetItemIndex(static_cast<int>(action)); }
    /// Fills sectors with a text that names them.
    void Fill(uint64_t first, uint64_t last)
    {
        for (uint64_t lba = first; lba <= last; ++lba) {
            std::array<uint8_t, 512> data{};
            const std::string text = "sector " + std::to_string(lba) + " ";
            for (size_t i = 0; i < data.size(); ++i)
                data[i] = static_cast<uint8_t>(text[i % text.size()]);
            drive().Media().Write(lba, data.data());
        }
    }
    std::string Text(uint64_t lba, size_t bytes = 16)
    {
        return {reinterpret_cast<const char*>(drive().Media().Sector(lba)), bytes};
    }
    bool Zeros(uint64_t lba)
    {
        const uint8_t* data = drive().Media().Sector(lba);
        return std::all_of(data, data + 512, [](uint8_t b) { return b == 0; });
    }
    void Scan()
    {
        fm().ScanStartBtn.Click();
        RunToEnd();
    }
    /// Every sector of [first, last] reached the media at least once.
    void ExpectAllVisited(uint64_t first, uint64_t last, const std::string& what)
    {
        for (uint64_t lba = first; lba <= last; ++lba)
            ASSERT_GE(drive().AccessCount(lba), 1u) << what << ": sector " << lba << " was never scanned";
    }
};

TEST_F(DefectTest, RemapOfSectorTenRewritesItAndGoesOnRightAfterIt)
{
    Start("Pending=10");
    Range("0", "767");
    Action(DefectAction::Remap);
    drive().WatchAccesses(0, 768);
    Scan();
    ASSERT_GE(shown->blocks.size(), 2u);
    EXPECT_EQ(shown->blocks[0].mark, 'R');
    EXPECT_EQ(shown->blocks[1].lba, 11u) << "the next block starts after the remapped sector";
    for (uint64_t lba = 0; lba < 10; ++lba)
        EXPECT_GE(drive().AccessCount(lba), 2u) << "sector " << lba << " read by the block and by the remap";
    EXPECT_EQ(Text(10, 16), "REMAP!!!REMAP!!!");
    EXPECT_EQ(drive().Media().Sector(10)[511], '!');
    EXPECT_EQ(drive().Defects().ReallocatedCount(), 1u);
    EXPECT_EQ(drive().Defects().PendingCount(), 0u);
    EXPECT_TRUE(Logged("LBA 10 try REMAP... complete"));
    EXPECT_TRUE(p().scan.state.LayoutLost);
    ExpectAllVisited(0, 767, "forward");
}

TEST_F(DefectTest, RemapThatCannotWriteSaysError)
{
    Start("Unreadable=300\nWriteFail=300");
    Range("0", "511");
    Action(DefectAction::Remap);
    Scan();
    EXPECT_TRUE(Logged("LBA 300 try REMAP... Error"));
    EXPECT_FALSE(Logged("try REMAP... complete"));
    EXPECT_EQ(shown->blocks[1].mark, 'R');
    EXPECT_TRUE(Logged("***** Scan results: ")) << "the scan goes on and ends";
}

TEST_F(DefectTest, EveryDirectionScansEverySectorAfterARemap)
{
    // Two pending sectors in one block: a walk that skipped the rest of the
    // block after the first remap would leave the second one pending.
    for (const char* name : {"ImgREV", "ImgBTF", "ImgFWD"}) {
        SCOPED_TRACE(name);
        fixture.reset();
        Start("Pending=1000,1100,2047,5");
        form::Image* image = name == std::string("ImgREV")   ? &fm().ImgREV
                             : name == std::string("ImgBTF") ? &fm().ImgBTF
                                                             : &fm().ImgFWD;
        image->OnClick();
        Range("0", "2047");
        Action(DefectAction::Remap);
        drive().WatchAccesses(0, 2048);
        Scan();
        ExpectAllVisited(0, 2047, image->Name());
        EXPECT_EQ(drive().Defects().PendingCount(), 0u);
        EXPECT_EQ(drive().Defects().ReallocatedCount(), 4u);
        for (const auto& b : shown->blocks)
            ASSERT_LE(b.lba + b.block_size, 2048u) << "a block reached beyond the range";
    }
}

TEST_F(DefectTest, EraseWritesZerosOnlyInTheBlockAndVerifiesItOnce)
{
    Start("Pending=600\nUnreadable=1500");
    Range("256", "1791");
    Fill(250, 1800);
    Action(DefectAction::Erase);
    Scan();
    // 600 lies in the block at 512, 1500 in the one at 1280.
    for (uint64_t lba = 512; lba < 768; ++lba)
        ASSERT_TRUE(Zeros(lba)) << lba;
    EXPECT_EQ(Text(511, 10), "sector 511");
    EXPECT_EQ(Text(768, 10), "sector 768");
    EXPECT_EQ(Text(1279, 11), "sector 1279");
    EXPECT_EQ(Text(1536, 11), "sector 1536");
    EXPECT_TRUE(Logged("Block 512 try Erase 256 sectors(512..767)... complete"));
    EXPECT_TRUE(Logged("Block 1280 try Erase 256 sectors(1280..1535)... Fail"))
        << "an unreadable sector stays so after a write";
    ASSERT_EQ(shown->blocks.size(), 7u);
    EXPECT_EQ(shown->blocks[1].mark, 'W');
    EXPECT_EQ(shown->blocks[4].mark, 'x');
    EXPECT_EQ(shown->blocks[2].lba, 768u) << "an erase does not move the scan";
    EXPECT_EQ(drive().Defects().ReallocatedCount(), 1u);
}

TEST_F(DefectTest, EraseFailsWhenAWriteIsRefusedThoughTheVerifyPasses)
{
    // 700 takes no write but reads; a verify of the block alone would pass.
    for (const bool api : {false, true}) {
        SCOPED_TRACE(api ? "API" : "PIO");
        Start("Pending=600\nWriteFail=700", api ? "[Setup]\nAPI Enable=0\n[API]\nLast API device=1\n" : "");
        if (api) fm().PasspBtn.Click();
        Range("512", "1023");
        Action(DefectAction::Erase);
        Scan();
        EXPECT_TRUE(Logged("Block 512 try Erase 256 sectors(512..767)... Fail")) << LogText();
        ASSERT_FALSE(shown->blocks.empty());
        EXPECT_EQ(shown->blocks[0].mark, 'x');
    }
}

TEST_F(DefectTest, DefectoscopeStopsAtTheFirstSectorAboveHalfTheTimeout)
{
    // On a solid-state disk a sector's time is its extra latency: 10 ms is
    // 100 units (below 125), 20 ms is 200 units.
    Start("Type=ssd\nSlow=1000:10,1100:20,1200:300");
    Range("1000", "1511");
    fm().ScDftChk.SetChecked(true);
    EXPECT_EQ(fm().ScanTimeEdit.Text(), "250");
    Scan();
    EXPECT_TRUE(Logged("Sector 1100: timeout "));
    EXPECT_FALSE(Logged("Sector 1000:"));
    ASSERT_GE(shown->blocks.size(), 2u);
    EXPECT_EQ(shown->blocks[0].mark, 'N');
    EXPECT_EQ(shown->blocks[1].lba, 1101u);
    EXPECT_EQ(shown->ErrorCount(), 2u) << "the 300 ms sector is found in the next block";
    EXPECT_TRUE(Logged("Sector 1200: timeout "));
    EXPECT_FALSE(Logged("Block 1000")) << "the defectoscope skips the common part's log line";
}

TEST_F(DefectTest, DefectoscopeNamesTheDrivesErrorNotTheResetsCode)
{
    Start("Unreadable=1030");
    Range("1024", "1279");
    fm().ScDftChk.SetChecked(true);
    Scan();
    EXPECT_TRUE(Logged("Sector 1030: Error: UNCR"));
    EXPECT_EQ(shown->blocks[0].mark, 'N');
}

TEST_F(DefectTest, PioRestoreRewritesWhatTheLongReadGave)
{
    Start("Pending=5000");
    Fill(4990, 5030);
    Range("4864", "5375");
    Action(DefectAction::Restore);
    Scan();
    EXPECT_TRUE(Logged("LBA 5000 try Read-long 15 sectors... OK"));
    EXPECT_EQ(Text(5000, 11), "sector 5000") << "the long read's data, not a pattern";
    EXPECT_EQ(Text(5014, 11), "sector 5014");
    EXPECT_EQ(drive().Defects().PendingCount(), 0u);
    ASSERT_GE(shown->blocks.size(), 2u);
    EXPECT_EQ(shown->blocks[0].mark, 'L');
    EXPECT_EQ(shown->blocks[1].lba, 5001u);
}

TEST_F(DefectTest, PioRestoreOnADriveRefusingReadLongWritesNothing)
{
    Start("Pending=5000\nReadLong=0");
    Fill(4990, 5030);
    fm().ReadLongCountEdit.SetValue(4);
    Range("4864", "5375");
    Action(DefectAction::Restore);
    drive().WatchAccesses(5000, 4);
    Scan();
    EXPECT_TRUE(Logged("LBA 5000 try Read-long 4 sectors... Error"));
    EXPECT_FALSE(Logged("sectors... OK"));
    EXPECT_EQ(shown->blocks[0].mark, 'x');
    EXPECT_EQ(drive().Defects().PendingCount(), 1u);
    EXPECT_EQ(Text(5001, 11), "sector 5001") << "a refused long read leaves the sector alone";
}

TEST_F(DefectTest, PioRestoreAboveTwentyEightBitsDoesNothingMore)
{
    sectors = 268436000;
    Start("Unreadable=268435500");
    Range("268435455", "268435710");
    Action(DefectAction::Restore);
    Scan();
    EXPECT_FALSE(Logged("Read-long"));
    ASSERT_FALSE(shown->blocks.empty());
    for (const auto& b : shown->blocks)
        EXPECT_EQ(std::string("LTx+").find(b.mark), std::string::npos);
}

TEST_F(DefectTest, ApiRestoreRewritesTheBlockOrSaysFail)
{
    Start("Unreadable=3000\nInterfaceCrc=3", "[Setup]\nAPI Enable=0\n[API]\nLast API device=1\n");
    ASSERT_EQ(p().state.access_mode.load(), AccessMode::Api);
    fm().PasspBtn.Click();
    Range("0", "3071", "256");
    fm().ScanRWGrp.SetItemIndex(1);
    Action(DefectAction::Restore);
    Scan();
    EXPECT_TRUE(Logged("Block 2816 try RESTORE... Fail"));
    EXPECT_TRUE(Logged("try RESTORE... OK")) << "a block that failed on the cable reads again";
    const std::string marks = Marks();
    EXPECT_NE(marks.find('+'), std::string::npos);
    EXPECT_EQ(marks[11], 'x');
}

TEST_F(DefectTest, LongWritingZerosEverySectorThroughLongMode)
{
    Start();
    Fill(0, 600);
    Range("0", "511");
    fm().ScanRWGrp.SetItemIndex(2);
    fm().EnLwChk.SetChecked(true);
    fixture->dialogs.yes_no_answers = {true, true};
    Scan();
    EXPECT_TRUE(Logged("Starting Long-Writing, LBA=0..511"));
    for (uint64_t lba = 0; lba < 512; ++lba)
        ASSERT_TRUE(Zeros(lba)) << lba;
    EXPECT_EQ(Text(512, 10), "sector 512");
    EXPECT_EQ(shown->ErrorCount(), 0u);
}

TEST_F(DefectTest, LongWritingOnADriveRefusingItFailsEachBlock)
{
    Start("ReadLong=0");
    Range("0", "511");
    fm().ScanRWGrp.SetItemIndex(2);
    fm().EnLwChk.SetChecked(true);
    fixture->dialogs.yes_no_answers = {true, true};
    Scan();
    EXPECT_EQ(shown->ErrorCount(), 3u) << "0..255, 256..510 and 511";
}

TEST_F(DefectTest, WriteCheckReportsADistortedSector)
{
    Start("Distort=300", "[Setup]\nAPI Enable=0\n[API]\nLast API device=1\n");
    fm().PasspBtn.Click();
    Range("0", "767", "256");
    fm().ScanRWGrp.SetItemIndex(2);
    fm().DDDChk.SetChecked(true);
    fixture->dialogs.yes_no_answers = {true, true};
    Scan();
    EXPECT_TRUE(Logged("Block 256 - data distortion! Writen 55AAh, read "));
    EXPECT_EQ(shown->ErrorCount(), 1u);
}

TEST_F(DefectTest, BreakInsideTheLoopLeavesTheBlockAlone)
{
    Start("Pending=10");
    Range("0", "767");
    Action(DefectAction::Remap);
    fm().EnaBrkInCyclChk.SetChecked(true);
    // The user stops the scan while the failed block is being handled.
    shown->on_failed = [this] { p().ui.Post([this] { fm().BreakAllBtn.Click(); }); };
    fm().ScanStartBtn.Click();
    RunToEnd();
    EXPECT_TRUE(Logged("Command interrupted by user!"));
    EXPECT_FALSE(Logged("try REMAR"));
    EXPECT_EQ(drive().Defects().PendingCount(), 1u);
    EXPECT_EQ(fm().DftMeter.Position(), 0);
}

} // namespace
} // namespace mrv::test
