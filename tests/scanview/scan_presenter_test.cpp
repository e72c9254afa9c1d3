// The presenter on a started program: the grid, counters and their log lines,
// the readouts and title by direction, the graph's scale, error marks and
// replay, the hints and pop-up menu, the double click, the lamps and the blink.

#include "scanview/scan_range.h"
#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace mrv::test
{
namespace
{

ScanStart Range(uint64_t start, uint64_t end, uint32_t block,
                ScanDirection direction = ScanDirection::Forward)
{
    ScanStart s = ScanRange(start, end, block, direction);
    s.speed_samples = 3;
    s.model = "MORVANTA TEST DRIVE";
    return s;
}

/// Blocks of `size` sectors from `lba`, each finishing `us_per_block` after the last.
std::vector<BlockResult> Blocks(uint64_t lba, uint32_t size, int count, uint64_t us_per_block,
                                char mark = '1', ScanDirection direction = ScanDirection::Forward)
{
    std::vector<BlockResult> out;
    for (int i = 0; i < count; ++i) {
        BlockResult b;
        b.lba = direction == ScanDirection::Reverse ? lba - static_cast<uint64_t>(i) * size
                                                    : lba + static_cast<uint64_t>(i) * size;
        b.block_size = size;
        b.direction = direction;
        b.mark = mark;
        b.fast = mark == '1' || mark == '2';
        b.finished_us = 1'000'000 + static_cast<uint64_t>(i + 1) * us_per_block;
        out.push_back(b);
    }
    return out;
}

struct Presenter {
    Presenter()
    {
        f.Start();
        f.log.clear();
    }
    ScanPresenter& view() { return f.impl().scan_view; }
    TFm& fm() { return f.fm(); }
    void Show(const std::vector<BlockResult>& blocks)
    {
        for (const auto& b : blocks)
            view().ShowBlock(b);
    }

    TestPlatform pc;
    ProgramFixture f{pc.platform};
};

TEST(ScanPresenter, GridFillsRowByRowAndScrolls)
{
    Presenter p;
    p.fm().Grid.SetWidth(1000);
    p.view().Begin(Range(0, 100000, 1));
    EXPECT_EQ(p.fm().Grid.ColCount(), 88);
    auto blocks = Blocks(0, 1, 90, 10);
    blocks[5].mark = 'x';
    p.Show(blocks);
    EXPECT_EQ(p.fm().Grid.RowCount(), 2u);
    EXPECT_EQ(p.fm().Grid.Mark(0, 5), 'x');
    EXPECT_EQ(p.fm().Grid.Mark(0, 87), '1');
    EXPECT_EQ(p.fm().Grid.Mark(1, 1), '1');
    EXPECT_EQ(p.fm().Grid.Mark(1, 2), 0);
    // The 88th block completes the first row and opens the second.
    p.view().Begin(Range(0, 100000, 1));
    p.Show(Blocks(0, 1, 88, 10));
    EXPECT_EQ(p.fm().Grid.RowCount(), 2u);
    EXPECT_EQ(p.fm().Grid.UsedCells(), 88u);
}

TEST(ScanPresenter, OnlyTickedClassesAreLoggedAndCounted)
{
    Presenter p;
    TFm& fm = p.fm();
    fm.ErLogBx50.SetChecked(false);
    fm.ErLogBx200.SetChecked(false);
    fm.ErLogBx600.SetChecked(false);
    fm.ErLogBxbig.SetChecked(true);
    p.view().Begin(Range(0, 1000, 1));
    BlockResult b;
    for (int c = 1; c <= 6; ++c) {
        b.lba = static_cast<uint64_t>(c) * 100;
        b.time = static_cast<uint64_t>(c) * 1000;
        p.view().CountGoodBlock(c, b, 10, false);
    }
    ASSERT_EQ(p.f.log.size(), 1u);
    EXPECT_EQ(p.f.log[0].text, "Block start at 600 = 600 ms");
    EXPECT_EQ(p.f.log[0].level, 4);
    EXPECT_EQ(p.view().WarningCount(), 1u);
    EXPECT_EQ(fm.Tim6Lab.Caption(), "1");
    EXPECT_EQ(fm.Tim1Lab.Caption(), "1");
    // The defectoscope counts but does not log.
    p.view().CountGoodBlock(6, b, 10, true);
    EXPECT_EQ(p.f.log.size(), 1u);
    EXPECT_EQ(fm.Tim6Lab.Caption(), "2");

    p.view().CountFailedBlock(b);
    EXPECT_EQ(fm.ErLab.Caption(), "1");
    EXPECT_TRUE(p.view().LogFailedBlocks());
    fm.ErLogBxErr.SetChecked(false);
    EXPECT_FALSE(p.view().LogFailedBlocks());

    fm.ScanClrListBtn.Click();
    EXPECT_EQ(p.view().ErrorCount(), 0u);
    EXPECT_EQ(p.view().WarningCount(), 0u);
    EXPECT_EQ(p.view().ClassCount(6), 0u);
    for (form::Label* l : {&fm.Tim1Lab, &fm.Tim6Lab, &fm.ErLab})
        EXPECT_EQ(l->Caption(), "0");
}

TEST(ScanPresenter, DefaultLogBoxesAndLimitLabels)
{
    Presenter p;
    TFm& fm = p.fm();
    EXPECT_FALSE(fm.ErLogBx50.Checked());
    EXPECT_FALSE(fm.ErLogBx200.Checked());
    EXPECT_TRUE(fm.ErLogBx600.Checked());
    EXPECT_TRUE(fm.ErLogBxbig.Checked());
    EXPECT_TRUE(fm.ErLogBxErr.Checked());
    const uint16_t limits[5] = {50, 200, 500, 2000, 12000};
    p.view().ShowClassLimits(limits, 10);
    EXPECT_EQ(fm.scTim5.Caption(), "5");
    EXPECT_EQ(fm.scTim200.Caption(), "200");
    EXPECT_EQ(fm.scTim600.Caption(), "1.2s");
}

TEST(ScanPresenter, ForwardReadoutsSpeedAndTitle)
{
    Presenter p;
    TFm& fm = p.fm();
    p.view().Begin(Range(0, 10000, 100));
    EXPECT_EQ(fm.ScanPercentLed.Caption(), " 0");
    EXPECT_EQ(fm.SpeedLed.Caption(), " sensing");
    // Slow blocks (not fast) update the LBA every time; a sample every 4 blocks.
    auto blocks = Blocks(0, 100, 5, 1000, '3');
    p.Show(blocks);
    EXPECT_EQ(fm.LbaOut.Caption(), "400");
    // The window opened at the first block's end: 3 blocks of 100 sectors in 3 ms.
    EXPECT_EQ(fm.SpeedLed.Caption(), " " + std::to_string(300 * 512 / 3));
    EXPECT_EQ(fm.ScanPercentLed.Caption(), " 4.0");
    EXPECT_EQ(p.f.program->ApplicationTitle(), "4.0%  Scan");
    EXPECT_EQ(fm.ScanMbLed.Caption(), " 0");
    EXPECT_EQ(fm.ScTimeLed.Caption(), "00:00:00");
    p.view().ShowFullProgress();
    EXPECT_EQ(fm.ScanPercentLed.Caption(), " 100");
    EXPECT_EQ(p.f.program->ApplicationTitle(), "100%  Scan");
    p.view().ShowResults({9999, "no warnings, no errors"});
    EXPECT_EQ(fm.LbaOut.Caption(), "9999");
    EXPECT_EQ(fm.AdjScaleLabel.Caption(), "MORVANTA TEST DRIVE");
    EXPECT_FALSE(fm.AdjPercentLabel.Visible());
}

TEST(ScanPresenter, FastBlocksShowEveryTwelfthLba)
{
    Presenter p;
    p.view().Begin(Range(0, 100000, 1));
    p.Show(Blocks(0, 1, 11, 10, '1'));
    EXPECT_EQ(p.fm().LbaOut.Caption(), "0"); // as the form starts
    p.Show(Blocks(11, 1, 1, 10, '1'));
    EXPECT_EQ(p.fm().LbaOut.Caption(), "11");
    p.Show(Blocks(12, 1, 1, 10, '4'));
    EXPECT_EQ(p.fm().LbaOut.Caption(), "12");
}

TEST(ScanPresenter, RandomShowsNaAndMovesTheBar)
{
    Presenter p;
    p.view().Begin(Range(0, 999, 1, ScanDirection::Random));
    p.Show(Blocks(500, 1, 1, 10, '1', ScanDirection::Random));
    EXPECT_EQ(p.fm().ScanPercentLed.Caption(), " n/a");
    EXPECT_EQ(p.fm().TrackBar.Position(), 10);
    EXPECT_EQ(p.fm().LbaOut.Caption(), "500");
    EXPECT_EQ(p.f.program->ApplicationTitle(), "RND scan");
    // Random cells do not map to LBAs and have no menu.
    p.fm().Grid.HoverCell(0, 0);
    EXPECT_EQ(p.fm().Grid.Hint(), "Unknown");
    EXPECT_EQ(p.fm().Grid.Popup(), nullptr);
}

TEST(ScanPresenter, ButterflyShowsBothPositions)
{
    Presenter p;
    p.view().Begin(Range(0, 2000, 10, ScanDirection::Butterfly));
    BlockResult b;
    b.direction = ScanDirection::Butterfly;
    b.block_size = 10;
    b.butterfly_low = 500;
    b.butterfly_high = 1500;
    b.butterfly_mid = 1000;
    p.view().ShowBlock(b);
    EXPECT_EQ(p.fm().LbaOut.Caption(), "510");
    EXPECT_EQ(p.fm().LbaOut1.Caption(), "1509");
    EXPECT_EQ(p.fm().ScanPercentLed.Caption(), " 50.0");
}

TEST(ScanPresenter, HoverHintsAndMenuForward)
{
    Presenter p;
    TFm& fm = p.fm();
    p.view().Begin(Range(0, 300, 256));
    const int columns = fm.Grid.ColCount();
    fm.Grid.HoverCell(0, 1);
    EXPECT_EQ(fm.Grid.Hint(), "256-300");
    fm.Grid.HoverCell(0, 2);
    EXPECT_EQ(fm.Grid.Hint(), "");
    fm.Grid.HoverCell(-1, 0);
    EXPECT_EQ(fm.Grid.Hint(), "Out of range");
    fm.Grid.HoverCell(1, 0); // beyond the range on the next row
    EXPECT_EQ(fm.Grid.Hint(), "");
    (void)columns;

    fm.Grid.HoverCell(0, 1);
    ASSERT_EQ(fm.Grid.Popup(), &fm.GridMenu);
    fm.GridMenu.Open();
    EXPECT_EQ(fm.GridMenu.Items()[0].caption, "Set 256 as Start LBA");
    EXPECT_EQ(fm.GridMenu.Items()[1].caption, "Set 300 as End LBA");
    EXPECT_TRUE(fm.GridMenu.Choose(0));
    EXPECT_EQ(fm.StartLbaEdit.Text(), "256");
    EXPECT_TRUE(fm.GridMenu.Choose(1));
    EXPECT_EQ(fm.EndLbaEdit.Text(), "300");
    EXPECT_FALSE(p.f.Logged("Direction changed"));

    p.view().SetLayoutLost();
    fm.Grid.HoverCell(0, 0);
    EXPECT_EQ(fm.Grid.Hint(), "Unknown");
    fm.GridMenu.Open();
    EXPECT_FALSE(fm.GridMenu.Choose(0));
    EXPECT_FALSE(fm.GridMenu.Choose(1));
}

TEST(ScanPresenter, ReverseHintsAndTheEndItemTurnsTheScanForward)
{
    Presenter p;
    TFm& fm = p.fm();
    int turned = 0;
    p.view().OnDirectionToForward = [&] { ++turned; };
    p.view().Begin(Range(100, 1000, 256, ScanDirection::Reverse));
    fm.Grid.HoverCell(0, 0);
    EXPECT_EQ(fm.Grid.Hint(), "1000-745");
    fm.Grid.HoverCell(0, 3);
    EXPECT_EQ(fm.Grid.Hint(), "232-100");
    fm.GridMenu.Open();
    EXPECT_EQ(fm.GridMenu.Items()[0].caption, "Set 100 as Start LBA");
    EXPECT_EQ(fm.GridMenu.Items()[1].caption, "Set 232 as End LBA");
    EXPECT_TRUE(fm.GridMenu.Choose(1));
    EXPECT_EQ(fm.EndLbaEdit.Text(), "232");
    ASSERT_FALSE(p.f.log.empty());
    EXPECT_EQ(p.f.log.back().text, "Direction changed to FORVARD scan");
    EXPECT_EQ(p.f.log.back().level, 1);
    EXPECT_EQ(turned, 1);
    // The scan runs forward now: a second choice only sets the edit.
    fm.GridMenu.Open();
    EXPECT_TRUE(fm.GridMenu.Choose(1));
    EXPECT_EQ(turned, 1);
    EXPECT_EQ(p.f.log.size(), 1u);
}

TEST(ScanPresenter, DoubleClickTogglesWidthsAndLosesTheLayoutDuringAScan)
{
    Presenter p;
    TFm& fm = p.fm();
    const int narrow = fm.GridPanel.Geometry().width;
    const int columns = fm.Grid.ColCount();
    p.view().Begin(Range(0, 100000, 1));
    p.Show(Blocks(0, 1, 30, 10));
    fm.Grid.DoubleClick();
    EXPECT_NE(fm.GridPanel.Geometry().width, narrow);
    EXPECT_EQ(fm.Grid.ColCount(), form::BlockGrid::ColumnsForWidth(fm.Grid.Geometry().width));
    EXPECT_GT(fm.Grid.ColCount(), columns);
    EXPECT_TRUE(p.view().LayoutLost());
    // The marks stay in block order, and the next block follows the last.
    p.Show(Blocks(30, 1, 1, 10, '5'));
    EXPECT_EQ(fm.Grid.MarkAt(30), '5');
    fm.Grid.DoubleClick();
    EXPECT_EQ(fm.GridPanel.Geometry().width, narrow);
    EXPECT_EQ(fm.Grid.ColCount(), columns);
}

TEST(ScanPresenter, GraphFindsItsScaleThenRescalesAndReplaysErrors)
{
    Presenter p;
    TFm& fm = p.fm();
    // 381 × 10 sectors: 10 blocks of 1 sector per column; a sample every 4 blocks.
    p.view().Begin(Range(0, 3810, 1));
    EXPECT_EQ(fm.GfMasEdit.Value(), 10);
    EXPECT_EQ(fm.Gl6.Caption(), "98 (Mb/s)");
    EXPECT_EQ(p.view().Graph().BlocksPerColumn(), 10u);
    // 1 sector = 512 bytes per 10 µs: 51200 bytes/ms.
    p.Show(Blocks(0, 1, 10, 10));
    EXPECT_FALSE(p.view().Graph().ScaleFixed());
    EXPECT_EQ(fm.AdjPercentLabel.Caption(), "50 %");
    p.Show(Blocks(10, 1, 10, 10));
    EXPECT_TRUE(p.view().Graph().ScaleFixed());
    EXPECT_EQ(fm.GfMasEdit.Value(), static_cast<int>(675000 / 51200));
    EXPECT_EQ(p.view().Graph().Threshold(), 51200u + 51200u / 4);
    EXPECT_EQ(fm.AdjScaleLabel.Caption(), "MORVANTA TEST DRIVE");
    EXPECT_EQ(p.view().Graph().History(0), 5120);
    const int y = p.view().Graph().SpeedY(51200);
    EXPECT_EQ(fm.GF.PixelAt(1, y), form::colours::kLime);

    // A failed block marks its column red and −1 in the history.
    p.view().CountFailedBlock(BlockResult{});
    EXPECT_EQ(p.view().Graph().History(2), -1);
    EXPECT_EQ(fm.GF.PixelAt(2, ScanGraph::kBaseLine), form::colours::kRed);

    // Twice as fast: the scale follows the new speed and the history is replayed.
    auto fast = Blocks(20, 1, 12, 5);
    for (auto& b : fast)
        b.finished_us += 1000;
    p.Show(fast);
    EXPECT_EQ(fm.GfMasEdit.Value(), static_cast<int>(675000 / 102400));
    EXPECT_EQ(p.view().Graph().History(2), -1);
    EXPECT_EQ(fm.GF.PixelAt(2, ScanGraph::kBaseLine), form::colours::kRed);
    EXPECT_EQ(fm.GF.PixelAt(1, p.view().Graph().SpeedY(51200)), form::colours::kLime);

    // The spinner redraws at the chosen scale.
    fm.GfMasEdit.SetValue(100);
    EXPECT_EQ(fm.Gl6.Caption(), "9.8 (Mb/s)");
    EXPECT_EQ(fm.Gl0.Caption(), "1.4");
    EXPECT_EQ(fm.GF.PixelAt(1, p.view().Graph().SpeedY(51200)), form::colours::kLime);
}

TEST(ScanPresenter, ColumnsDrawnBeforeTheFirstSampleSurviveARescale)
{
    Presenter p;
    TFm& fm = p.fm();
    ScanStart start = Range(0, 3810, 1);
    start.speed_samples = 25; // the first speed comes after column 0 ends
    p.view().Begin(start);
    p.Show(Blocks(0, 1, 100, 10));
    EXPECT_GT(p.view().Graph().History(0), 0);
    const int y = p.view().Graph().SpeedY(51200);
    EXPECT_EQ(fm.GF.PixelAt(5, y), form::colours::kLime);
    // Much faster blocks rescale and replay from column 0 on.
    auto fast = Blocks(100, 1, 60, 1);
    for (auto& b : fast)
        b.finished_us += 1000;
    p.Show(fast);
    EXPECT_NE(fm.GfMasEdit.Value(), static_cast<int>(675000 / 51200));
    EXPECT_EQ(fm.GF.PixelAt(5, p.view().Graph().SpeedY(51200)), form::colours::kLime);
}

TEST(ScanPresenter, GridLinesSwitchAndGraphOnlyView)
{
    Presenter p;
    TFm& fm = p.fm();
    fm.GridLinesChk.SetChecked(false);
    EXPECT_FALSE(fm.Grid.GridLines());
    fm.GridLinesChk.SetChecked(true);
    EXPECT_TRUE(fm.Grid.GridLines());
    fm.DisGridChk.SetChecked(false);
    EXPECT_FALSE(fm.Grid.Visible());
    EXPECT_TRUE(fm.GfMasEdit.Visible());
    EXPECT_TRUE(fm.AdjScaleLabel.Visible());
    p.view().Begin(Range(0, 3810 * 2048, 2048));
    fm.GF.MouseMove(381, 0);
    EXPECT_EQ(fm.GfYLab.Caption(), "99.5 MB/s");
    EXPECT_EQ(fm.GfXLab.Caption(), std::to_string(381ull * (3810 * 2048 / 381) / 2042) + " MB");
    fm.DisGridChk.SetChecked(true);
    EXPECT_TRUE(fm.Grid.Visible());
    EXPECT_FALSE(fm.GfMasEdit.Visible());
}

TEST(ScanPresenter, LampsFollowTheDataPhaseAndThePauseKeyBlinks)
{
    Presenter p;
    TFm& fm = p.fm();
    p.view().Begin(Range(0, 1000, 1));
    p.view().data_phase.Set(DataPhase::Read);
    p.f.Run(150);
    EXPECT_EQ(fm.RdInd.Brush(), form::colours::kLime);
    EXPECT_EQ(fm.WrInd.Brush(), form::colours::kGray);
    p.view().data_phase.Set(DataPhase::Write);
    p.f.Run(150);
    EXPECT_EQ(fm.RdInd.Brush(), form::colours::kGray);
    EXPECT_EQ(fm.WrInd.Brush(), form::colours::kRed);

    // The worker flips the flag while the lamps' timer reads it.
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop.load()) {
            DataPhaseScope read(p.view().data_phase, DataPhase::Read);
            std::this_thread::yield();
        }
    });
    p.f.Run(300);
    stop = true;
    worker.join();
    p.f.Run(150);
    EXPECT_EQ(fm.RdInd.Brush(), form::colours::kGray);

    p.view().SetPaused(true);
    bool blue = false;
    for (int i = 0; i < 120 && !blue; ++i) {
        p.f.Run(10);
        blue = fm.PauseBtn.BackColour() == form::colours::kBlue;
    }
    EXPECT_TRUE(blue);
    p.view().SetPaused(false);
    EXPECT_EQ(fm.PauseBtn.BackColour(), form::colours::kBtnFace);
    EXPECT_FALSE(fm.PauseBlinkTimer.Active());

    fm.DontBlinkChk.SetChecked(true);
    p.view().SetPaused(true);
    EXPECT_FALSE(fm.PauseBlinkTimer.Active());

    p.view().ShowResults({0, "no warnings, no errors"});
    EXPECT_EQ(fm.WrInd.Brush(), form::colours::kGray);
    EXPECT_FALSE(fm.RdWrTimer.Active());
}

TEST(ScanPresenter, StartTimeShownOnClick)
{
    Presenter p;
    TFm& fm = p.fm();
    p.view().Begin(Range(0, 1000, 1));
    fm.ScTimeLed.OnClick();
    EXPECT_EQ(fm.ScTimeLed.Caption(), "Start:");
    p.f.Run(1100);
    EXPECT_EQ(fm.ScTimeLed.Caption().size(), 8u);
    EXPECT_NE(fm.ScTimeLed.Caption(), "Start:");
    p.f.Run(2100);
    EXPECT_EQ(fm.ScTimeLed.Caption(), "00:00:00");
}

/// What the user sees after a run of records.
std::vector<std::string> Snapshot(Presenter& p)
{
    TFm& fm = p.fm();
    std::vector<std::string> out;
    for (uint64_t i = 0; i < fm.Grid.UsedCells(); ++i)
        out.push_back(std::string(1, fm.Grid.MarkAt(i)));
    for (form::Label* l : {&fm.LbaOut, &fm.SpeedLed, &fm.ScanMbLed, &fm.ScanPercentLed, &fm.ScTimeLed,
                           &fm.Tim1Lab, &fm.Tim5Lab, &fm.ErLab, &fm.Gl6})
        out.push_back(l->Caption());
    out.push_back(std::to_string(fm.GfMasEdit.Value()));
    for (int c = 0; c < 30; ++c)
        out.push_back(std::to_string(p.view().Graph().History(c)));
    for (uint32_t px : fm.GF.Pixels())
        out.push_back(std::to_string(px));
    out.push_back(p.f.program->ApplicationTitle());
    return out;
}

TEST(ScanPresenter, BatchAppliedLateEqualsOneByOne)
{
    // Mixed speeds, slow blocks and failures over several graph columns.
    std::vector<BlockResult> blocks;
    uint64_t t = 0;
    for (int i = 0; i < 300; ++i) {
        BlockResult b;
        b.lba = static_cast<uint64_t>(i) * 4;
        b.block_size = 4;
        b.mark = i % 37 == 0 ? 'x' : (i % 11 == 0 ? '5' : '1');
        b.status = b.mark == 'x' ? 0x40 : 0;
        b.fast = b.mark == '1';
        b.time = b.mark == '5' ? 3000 : 10;
        t += i < 150 ? 20 : 9;
        b.finished_us = t;
        blocks.push_back(b);
    }
    auto apply = [](Presenter& p, const BlockResult& b) {
        if (b.status) {
            p.view().CountFailedBlock(b);
        } else {
            p.view().CountGoodBlock(b.mark - '0', b, 10, false);
        }
        p.view().ShowBlock(b);
    };
    Presenter one, batch;
    one.view().Begin(Range(0, 1200, 4));
    batch.view().Begin(Range(0, 1200, 4));
    for (const auto& b : blocks) {
        apply(one, b);
        one.f.Run(1);
    }
    batch.f.Run(200);
    for (const auto& b : blocks)
        apply(batch, b);
    EXPECT_EQ(Snapshot(one), Snapshot(batch));
    std::vector<std::string> one_log, batch_log;
    EXPECT_EQ(one.f.LoggedTexts(), batch.f.LoggedTexts());
    EXPECT_EQ(one.view().WarningCount(), batch.view().WarningCount());
}

} // namespace
} // namespace mrv::test
