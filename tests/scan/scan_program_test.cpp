// The scan on the virtual PC through the "Tests" tab: the start's rules for
// the range and the block size, the marks of slow, unreadable and stuck
// sectors, pause, break and the loop test.

#include "app/program_impl.h"
#include "scan/scan_tally.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "support/program_fixture.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrv::test
{
namespace
{

constexpr uint64_t kSectors = 1000000;

/// A tally that also remembers every block it was shown.
class RecordingTally : public ScanTally
{
  public:
    using ScanTally::ScanTally;
    void ShowBlock(const BlockResult& block) override
    {
        ScanTally::ShowBlock(block);
        blocks.push_back(block);
    }
    std::vector<BlockResult> blocks;
};

class ScanTest : public ::testing::Test
{
  protected:
    void Start(const std::string& drive_keys = "", const std::string& ini = "")
    {
        std::string text = "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nModel=MORVANTA SCAN DISK\n"
                           "Serial=SC0001\nFirmware=1.0\nSectors=" +
                           std::to_string(kSectors) + "\nOsNumber=1\nOsVia=sata\n" + drive_keys + "\n";
        std::string error;
        lab = sim::LoadLabFromText(text, ".", error);
        ASSERT_TRUE(lab) << error;
        platform.emplace(lab->AsPlatform());
        fixture = std::make_unique<ProgramFixture>(*platform);
        if (!ini.empty()) std::ofstream(fixture->home() / "mrv40.ini") << ini;
        fixture->Start();
        auto tally = std::make_unique<RecordingTally>(
            [this](const std::string& line, int level) { p().LogLine(line, false, level); });
        shown = tally.get();
        p().scan.SetPresentation(std::move(tally));
        fm().MainPage.SetActivePageIndex(2);
        fm().PasspBtn.Click();
    }

    ProgramImpl& p() { return fixture->impl(); }
    TFm& fm() { return fixture->fm(); }

    void Range(const std::string& start, const std::string& end, const std::string& block = "256")
    {
        fm().StartLbaEdit.SetText(start);
        fm().EndLbaEdit.SetText(end);
        fm().ScBlockSizeBox.SetText(block);
    }
    /// Lets the scan run until its worker has ended (or `ms` of virtual time).
    void RunToEnd(uint32_t ms = 600000)
    {
        for (uint32_t t = 0; t < ms && p().scan_worker->Running(); t += 20)
            fixture->Run(20);
        ASSERT_FALSE(p().scan_worker->Running());
    }
    bool Logged(const std::string& text) const { return fixture->Logged(text); }
    std::string LogText() const
    {
        std::string text;
        for (const auto& line : fixture->LoggedTexts())
            text += line + "\n";
        return text;
    }
    std::string Marks() const
    {
        std::string marks;
        for (const auto& b : shown->blocks)
            marks += b.mark;
        return marks;
    }

    std::unique_ptr<sim::LabPc> lab;
    std::optional<Platform> platform;
    std::unique_ptr<ProgramFixture> fixture;
    RecordingTally* shown = nullptr;
};

TEST_F(ScanTest, StartAboveEndIsOneBlockAtTheStart)
{
    Start();
    Range("5000", "100");
    fm().ScanStartBtn.Click();
    EXPECT_EQ(fm().ScanStartBtn.Caption(), "Stop");
    RunToEnd();
    ASSERT_EQ(shown->blocks.size(), 1u);
    EXPECT_EQ(shown->blocks[0].lba, 5000u);
    EXPECT_EQ(shown->blocks[0].block_size, 1u);
    EXPECT_EQ(fm().EndLbaEdit.Text(), "5000");
    EXPECT_TRUE(Logged("***** Scan results: no warnings, no errors *****"));
    EXPECT_EQ(fm().ScanStartBtn.Caption(), "Start");
    EXPECT_TRUE(fm().ScBlockSizeBox.Enabled());
}

TEST_F(ScanTest, EndBeyondTheDriveEndsOnItsLastSector)
{
    Start();
    fm().AutoSizeSC.SetChecked(false);
    Range("999000", "5000000", "0");
    fm().ScanStartBtn.Click();
    EXPECT_EQ(fm().EndLbaEdit.Text(), std::to_string(kSectors - 1));
    EXPECT_EQ(fm().ScBlockSizeBox.Text(), "1") << "a block size of 0 becomes 1";
    RunToEnd();
    ASSERT_FALSE(shown->blocks.empty());
    const BlockResult& last = shown->blocks.back();
    EXPECT_EQ(last.lba + last.block_size - 1, kSectors - 1);
    EXPECT_EQ(shown->blocks.size(), 1000u);
}

TEST_F(ScanTest, PercentOfTheDrive)
{
    Start();
    Range("0", "50%", "256");
    fm().ScanStartBtn.Click();
    EXPECT_EQ(fm().EndLbaEdit.Text(), "500000");
    fm().BreakAllBtn.Click();
    RunToEnd();
}

TEST_F(ScanTest, SlowAndUnreadableBlocksGetTheirMarksAndCounts)
{
    Start("Slow=1000:250\nUnreadable=2100");
    Range("0", "2559");
    fm().ScanStartBtn.Click();
    RunToEnd();
    // Blocks of 256: 1000 lies in the fourth, 2100 in the ninth; 250 ms
    // falls between the 200 and 600 ms limits.
    const std::string marks = Marks();
    ASSERT_EQ(marks.size(), 11u);
    EXPECT_EQ(marks[3], '5');
    EXPECT_EQ(marks[8], 'x');
    EXPECT_EQ(std::count(marks.begin(), marks.end(), '5'), 1);
    EXPECT_TRUE(Logged("Block start at 768 = "));
    EXPECT_TRUE(Logged("Block 2048 Error: UNCR"));
    EXPECT_TRUE(Logged("***** Scan results: Warnings - 1, errors - 1 *****")) << LogText();
    EXPECT_EQ(shown->ClassCount(5), 1u);
    EXPECT_EQ(shown->ErrorCount(), 1u);
}

TEST_F(ScanTest, StuckSectorTimesOutResetsAndTheScanGoesOn)
{
    Start("Stuck=600");
    Range("0", "1279");
    fm().ScanTimeEdit.SetText("100");
    fm().ScanStartBtn.Click();
    RunToEnd();
    ASSERT_EQ(shown->blocks.size(), 6u);
    EXPECT_EQ(Marks()[2], 'T');
    EXPECT_EQ(shown->blocks[3].lba, 768u) << "the scan goes on after the reset";
    EXPECT_EQ(shown->blocks[3].status, 0);
    // Tick polling counts 100 µs passes: a 100 ms time-out is 1000 passes.
    EXPECT_EQ(shown->blocks[2].time, 1000u);
    EXPECT_TRUE(Logged("Block 512 Timeout"));
}

TEST_F(ScanTest, NeverDisablesTheTimeout)
{
    Start("Stuck=600");
    Range("0", "1279");
    fm().ScanTimeEdit.SetText("never");
    fm().ScanStartBtn.Click();
    fixture->Run(3000);
    EXPECT_TRUE(p().scan_worker->Running()) << "the stuck drive keeps the worker waiting";
    EXPECT_EQ(shown->blocks.size(), 2u);
    fm().ScanStartBtn.Click(); // "Stop" breaks
    EXPECT_FALSE(p().scan_worker->Running());
    EXPECT_TRUE(Logged("Command interrupted by user!"));
    EXPECT_TRUE(Logged("***** Scan results: no warnings, no errors *****"));
}

TEST_F(ScanTest, PauseHoldsTheWorkerAndContinueGoesOn)
{
    Start();
    Range("0", "999999", "256");
    fm().ScanStartBtn.Click();
    fixture->Run(100);
    fm().PauseBtn.Click();
    EXPECT_EQ(fm().PauseBtn.Caption(), "Continue");
    EXPECT_TRUE(p().scan_worker->Suspended());
    fixture->Run(100);
    const size_t paused_at = shown->blocks.size();
    fixture->Run(500);
    EXPECT_EQ(shown->blocks.size(), paused_at);
    fm().PauseBtn.Click();
    EXPECT_TRUE(Logged("Surface scan paused"));
    EXPECT_TRUE(Logged("Surface scan resumption"));
    RunToEnd();
    EXPECT_EQ(shown->blocks.size(), 3908u) << "3906 full blocks, 63 sectors, the last sector";
}

TEST_F(ScanTest, FourthBreakTicksBreakingInternalLoops)
{
    Start();
    for (int i = 0; i < 4; ++i)
        fm().BreakAllBtn.Click();
    ASSERT_EQ(fixture->dialogs.asked.size(), 1u);
    EXPECT_NE(fixture->dialogs.asked[0].find("четыре раза"), std::string::npos);
    EXPECT_TRUE(fm().EnaBrkInCyclChk.Checked());
    EXPECT_TRUE(p().state.BreakLoops);
}

TEST_F(ScanTest, LoopTestStartsItsSecondPass)
{
    Start();
    Range("0", "2559");
    fm().EndScanVarBox.SetItemIndex(2);
    fm().ScanStartBtn.Click();
    EXPECT_TRUE(Logged("Starting surface scan, LBA=0..2559, sequential access, timeout 10000ms. Try 1"));
    for (int i = 0; i < 500 && !Logged(". Try 2"); ++i)
        fixture->Run(20);
    EXPECT_TRUE(Logged("Starting surface scan, LBA=0..2559, sequential access, timeout 10000ms. Try 2"));
    EXPECT_FALSE(Logged("***** Scan results")) << "a loop pass ends without a summary";
    fm().ScanStartBtn.Click();
    EXPECT_FALSE(p().scan_worker->Running());
    EXPECT_GE(shown->blocks.size(), 10u);
}

TEST_F(ScanTest, ReverseAndButterflyCoverTheRangeOnce)
{
    Start();
    for (auto* image : {&fm().ImgREV, &fm().ImgBTF}) {
        shown->blocks.clear();
        image->OnClick();
        Range("100", "5000", "256");
        fm().ScanStartBtn.Click();
        RunToEnd();
        std::vector<int> count(4901, 0);
        for (const auto& b : shown->blocks)
            for (uint64_t i = b.lba; i < b.lba + b.block_size; ++i)
                ++count.at(i - 100);
        for (size_t i = 0; i < count.size(); ++i)
            ASSERT_EQ(count[i], 1) << image->Name() << " sector " << 100 + i;
    }
    EXPECT_EQ(fm().ImgBTF.Caption(), "BTF_ON");
    EXPECT_EQ(fm().ImgREV.Caption(), "REV_OFF");
}

TEST_F(ScanTest, DirectionChangeDuringAScanIsLogged)
{
    Start();
    Range("0", "999999");
    fm().ScanStartBtn.Click();
    fixture->Run(20);
    fm().ImgREV.OnClick();
    EXPECT_TRUE(Logged("Direction changed to REVERSE scan"));
    EXPECT_TRUE(p().scan.state.LayoutLost);
    fm().ScanStartBtn.Click();
}

TEST_F(ScanTest, WriteScanNeedsBothAnswers)
{
    Start();
    Range("10", "20");
    fm().ScanRWGrp.SetItemIndex(2);
    fixture->dialogs.yes_no_answers = {true, false};
    fm().ScanStartBtn.Click();
    EXPECT_FALSE(p().scan_worker->Running()) << "declined";
    EXPECT_EQ(fm().ScanStartBtn.Caption(), "Start");
    EXPECT_TRUE(fm().ScanStartBtn.Enabled());
    ASSERT_GE(fixture->dialogs.asked.size(), 2u);
    EXPECT_NE(fixture->dialogs.asked.back().find("User data will be lost!"), std::string::npos);
}

TEST_F(ScanTest, ApiReadScanOfThePhysicalDrive)
{
    Start("Unreadable=3000", "[Setup]\nAPI Enable=0\n[API]\nLast API device=1\n");
    ASSERT_EQ(p().state.access_mode.load(), AccessMode::Api);
    fm().PasspBtn.Click();
    Range("0", "4095", "256");
    fm().ScanRWGrp.SetItemIndex(1);
    fm().ScanStartBtn.Click();
    EXPECT_TRUE(Logged("Starting Reading, LBA=0..4095, sequential access, timeout 10000ms"));
    RunToEnd();
    EXPECT_EQ(shown->blocks.size(), 17u);
    EXPECT_EQ(shown->blocks[11].mark, 'x') << "LBA 3000 is in the block at 2816";
    EXPECT_TRUE(Logged("***** Scan results: Warnings - 0, errors - 1 *****")) << LogText();
}

} // namespace
} // namespace mrv::test
