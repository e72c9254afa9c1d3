// Surface scans of a real block device that goes while it is scanned: a loop
// device whose image is cut short under the scan, or that is detached and
// loses its medium; and a device that goes between the listing and the
// user's pick. Each failed block is logged, the scan ends with its worker
// joined and its counters adding up, nothing of the image changes, and the
// program goes on with a clear line. Needs root and working loop devices;
// elsewhere the tests skip and say why.

#include "loop_program.h"
#include "support/recording_tally.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace mrv::test
{
namespace
{

using linux_test::LoopImage;

constexpr uint64_t kSectors = 32768; // 16 MiB
// The passport of a device without ATA commands offers blocks of up to 256.
constexpr uint32_t kBlock = 256;
// Not on a block boundary: one block ends past the new end.
constexpr uint64_t kCutSectors = 20488;

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 11 + i / 512);
    return bytes;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

/// Cuts the image to `sectors` and has the kernel read the size of the loop
/// device `node` over it again.
bool CutImage(const LoopImage& loop, const std::string& node, uint64_t sectors, std::string& output)
{
    std::filesystem::resize_file(loop.image(), sectors * 512);
    return linux_test::Run("losetup -c " + node, output);
}

class LoopScan : public LoopProgram
{
  protected:
    /// Starts the program, takes the passport of `loop` and shows the "Tests" tab.
    void StartOn(const LoopImage& loop)
    {
        Start();
        auto tally = std::make_unique<RecordingTally>(
            [this](const std::string& line, int level) { p().LogLine(line, false, level); });
        shown = tally.get();
        p().scan.SetPresentation(std::move(tally));
        row = RowOf(loop);
        ASSERT_GE(row, 0) << loop.name() << " is not listed";
        Select(row);
        ASSERT_TRUE(fx->Logged("Capacity: " + std::to_string(kSectors) + " LBAs")) << LogText();
        fm().MainPage.SetActivePageIndex(2);
    }
    /// Starts a read-only scan of the whole device and pauses it at once,
    /// before it gets far: the device is then changed under the paused scan.
    /// The device answers at the page cache's speed, so on a loaded machine
    /// the scan may be past the cut before the pause reaches it: such a scan
    /// is let to end and started again.
    void StartPaused(int mode)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            paused_at = 0;
            fx->log.clear();
            shown->blocks.clear();
            fm().StartLbaEdit.SetText("0");
            fm().EndLbaEdit.SetText(std::to_string(kSectors - 1));
            fm().ScBlockSizeBox.SetText(std::to_string(kBlock));
            fm().ScanRWGrp.SetItemIndex(mode);
            fm().ScanStartBtn.Click();
            ASSERT_TRUE(p().scan_worker->Running()) << LogText();
            ASSERT_EQ(fm().ScBlockSizeBox.Text(), std::to_string(kBlock));
            fm().PauseBtn.Click();
            // Parked between blocks: every block before this one is done.
            paused_at = static_cast<uint64_t>(p().scan.state.CurrentLba);
            if (p().scan_worker->Running() && paused_at < kCutSectors - kBlock) return;
            if (p().scan_worker->Running()) {
                ASSERT_NO_FATAL_FAILURE(ContinueToEnd());
            }
        }
        FAIL() << "the scan got past the cut before it could be paused, three times";
    }
    /// Lets the scan go on to its end, within a real-time limit (the device
    /// is real; the program's clock is not).
    void ContinueToEnd()
    {
        fm().PauseBtn.Click();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (p().scan_worker->Running() && std::chrono::steady_clock::now() < limit) {
            fx->Run(20);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(p().scan_worker->Running()) << "the scan hangs";
        EXPECT_EQ(fm().ScanStartBtn.Caption(), "Start");
    }
    /// Every sector of the device in exactly one block, in order; the blocks
    /// that reach past `good_sectors` failed as sectors not found, with a log
    /// line each, the others did not; the counters and the summary agree.
    void ExpectBlocksFailedFrom(uint64_t good_sectors)
    {
        uint64_t next = 0;
        uint32_t failed = 0;
        uint32_t good = 0;
        for (const BlockResult& block : shown->blocks) {
            ASSERT_EQ(block.lba, next);
            next += block.block_size;
            const std::string line = "Block " + std::to_string(block.lba) + " ";
            if (next <= good_sectors) {
                EXPECT_EQ(block.status, 0) << "block " << block.lba;
                EXPECT_FALSE(fx->Logged(line)) << line;
                ++good;
            } else {
                // The sectors are no longer there, whatever failed before.
                EXPECT_EQ(block.status, 0x10) << "block " << block.lba;
                EXPECT_EQ(block.mark, 'S') << "block " << block.lba;
                EXPECT_TRUE(fx->Logged(line + "Error: IDNF")) << line;
                ++failed;
            }
        }
        EXPECT_EQ(next, kSectors);
        EXPECT_EQ(shown->ErrorCount(), failed);
        uint64_t classed = 0;
        for (int c = 1; c <= 6; ++c)
            classed += shown->ClassCount(c);
        EXPECT_EQ(classed, good);
        EXPECT_TRUE(fx->Logged("errors - " + std::to_string(failed) + " *****")) << LogText();
    }

    /// "Start" on the "Tests" tab fails, the log says `why`, no scan runs,
    /// and the button can be pressed again.
    void ExpectScanRefused(const std::string& why)
    {
        fx->log.clear();
        fm().ScanStartBtn.Click();
        EXPECT_TRUE(fx->Logged(why)) << LogText();
        EXPECT_FALSE(p().scan_worker->Running());
        EXPECT_EQ(fm().ScanStartBtn.Caption(), "Start");
        EXPECT_TRUE(fm().ScanStartBtn.Enabled());
    }

    RecordingTally* shown = nullptr;
    int row = -1;
    uint64_t paused_at = 0;
};

TEST_F(LoopScan, ImageCutShortUnderAVerifyScan)
{
    const auto contents = Pattern(kSectors * 512);
    std::string why_not;
    LoopImage loop(contents, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    ASSERT_NO_FATAL_FAILURE(StartOn(loop));
    ASSERT_NO_FATAL_FAILURE(StartPaused(0));

    std::string output;
    ASSERT_TRUE(CutImage(loop, loop.device(), kCutSectors, output)) << output;
    ASSERT_NO_FATAL_FAILURE(ContinueToEnd());
    // The block that reaches past the new end fails with the ones after it.
    ExpectBlocksFailedFrom(kCutSectors / kBlock * kBlock);

    // The device is still there, smaller: the passport says so.
    Passport();
    EXPECT_TRUE(fx->Logged("Capacity: " + std::to_string(kCutSectors) + " LBAs")) << LogText();
    loop.Detach();
    const auto after = ReadFile(loop.image());
    ASSERT_EQ(after.size(), kCutSectors * 512);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), contents.begin())) << "the scan changed the image";
}

TEST_F(LoopScan, DeviceDetachedAndEmptiedUnderAReadScan)
{
    const auto contents = Pattern(kSectors * 512);
    std::string why_not;
    LoopImage loop(contents, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    ASSERT_NO_FATAL_FAILURE(StartOn(loop));
    ASSERT_NO_FATAL_FAILURE(StartPaused(1));

    // Detached while the scan holds it, the device lives on until the scan
    // lets it go; its medium then goes as well.
    const std::string node = loop.device();
    const std::string name = loop.name();
    loop.Detach();
    std::string output;
    ASSERT_TRUE(linux_test::Run("losetup " + node, output)) << node << " went at once: " << output;
    ASSERT_TRUE(CutImage(loop, node, 0, output)) << output;
    ASSERT_NO_FATAL_FAILURE(ContinueToEnd());
    ExpectBlocksFailedFrom(paused_at);

    // Let go, the device is gone; the passport and a new scan say so.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (linux_test::Run("losetup " + node, output) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string why = "Unable to open physical drive #" + std::to_string(row) + ": " + name +
                            " has gone since the device list was read";
    Passport();
    EXPECT_TRUE(fx->Logged(why)) << LogText();
    EXPECT_TRUE(fx->Logged("Get drive passport: Drive error!"));
    ExpectScanRefused(why);
}

TEST_F(LoopScan, DeviceGoneBetweenTheListAndThePick)
{
    std::string why_not;
    LoopImage loop(kSectors * 512, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    Start();
    const int listed = RowOf(loop);
    ASSERT_GE(listed, 0) << loop.name() << " is not listed";
    const std::string name = loop.name();
    loop.Detach();

    const std::string why = "Unable to open physical drive #" + std::to_string(listed) + ": " + name +
                            " has gone since the device list was read";
    Select(listed);
    EXPECT_TRUE(fx->Logged(why)) << LogText();
    EXPECT_FALSE(fx->Logged("Capacity:"));
    Passport();
    EXPECT_TRUE(fx->Logged(why)) << LogText();
    EXPECT_TRUE(fx->Logged("Get drive passport: Drive error!"));
    fm().MainPage.SetActivePageIndex(2);
    ExpectScanRefused(why);

    // Read again, the list no longer offers it.
    fm().ApiList.ClickColumn(0);
    EXPECT_EQ(linux_test::PhysicalNumberOf(pc.devices, name), -1);
}

TEST_F(LoopScan, DeviceGoneBetweenTheStartsPassportAndItsOpen)
{
    std::string why_not;
    LoopImage loop(kSectors * 512, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    ASSERT_NO_FATAL_FAILURE(StartOn(loop));
    const std::string name = loop.name();
    // The heads' recalibration comes between the two.
    auto recalibrate = p().scan.Recalibrate;
    p().scan.Recalibrate = [&] {
        loop.Detach();
        if (recalibrate) recalibrate();
    };
    ExpectScanRefused("[API] Unable to open physical drive #" + std::to_string(row) + ": " + name +
                      " has gone since the device list was read");
    EXPECT_TRUE(fx->Logged("Get passport... OK")) << "the passport came before the device went";
}

} // namespace
} // namespace mrv::test
