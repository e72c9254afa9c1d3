// The "View buffer" window: its source by mode and tab, the poll, the frozen
// copy and its paging, going back online when the window loses the focus, the
// remembered position, and a poll that races a worker filling the buffer.

#include "views_fixture.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace mrv::test
{
namespace
{

TEST_F(ViewsTest, SourceFollowsTheModeAndTheActiveTab)
{
    Start();
    THeFm& w = p().hefm;
    fm().KeyDown(form::Key::F8);
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.Caption(), "View buffer");
    EXPECT_EQ(w.HexBufSw.ItemIndex(), BufferViewer::kHdd);
    EXPECT_EQ(w.HVBl.Caption(), " 4");
    EXPECT_TRUE(w.HeVTimer.Active());
    w.Close();
    EXPECT_FALSE(w.HeVTimer.Active());

    fm().MainPage.SetActivePageIndex(2);
    fm().HexEditBtn.Click();
    EXPECT_EQ(w.HexBufSw.ItemIndex(), BufferViewer::kPioTransfer);
    EXPECT_EQ(w.HVBl.Caption(), " 32");
    EXPECT_EQ(w.HexeditIn.Max(), 31);
}

TEST_F(ViewsTest, PollShowsTheBufferWhenItChanges)
{
    Start();
    Write(77, Table({{0x80, 0x07, 1, 2}}));
    TakePassport();
    fm().KeyDown(form::Key::F8);
    p().pio.ReadSector(77);
    fixture->Run(150);
    EXPECT_EQ(p().hefm.HexV.Data()[446], 0x80);
    EXPECT_EQ(p().hefm.HexV.Data()[510], 0x55);
    EXPECT_TRUE(p().hefm.HexV.ReadOnly());
    EXPECT_FALSE(p().hefm.HexV.EditByte(0, 1));
}

TEST_F(ViewsTest, OfflinePagesThroughTheWholeApiBuffer)
{
    Start("", true, 1);
    THeFm& w = p().hefm;
    uint8_t* api = p().state.ApiBuffer.get();
    api[65534 * 512] = 0xA5;
    api[3 * 512 + 1] = 0x5A;
    fm().KeyDown(form::Key::F8);
    EXPECT_EQ(w.HexBufSw.ItemIndex(), BufferViewer::kApiCopier);
    EXPECT_EQ(w.HVBl.Caption(), " 65535");

    w.HVPauseBtn.Click();
    EXPECT_FALSE(p().buffer_viewer.Online());
    EXPECT_EQ(w.HVPauseBtn.Caption(), "Online");
    EXPECT_EQ(w.HVPLed.Brush(), form::colours::kRed);
    EXPECT_FALSE(w.HeVTimer.Active());
    EXPECT_FALSE(w.HexBufSw.Enabled());
    EXPECT_TRUE(w.HexeditIn.Enabled());
    EXPECT_EQ(w.Focused(), &w.HexeditIn);
    EXPECT_EQ(w.HexeditIn.Min(), 0);
    EXPECT_EQ(w.HexeditIn.Max(), 65534);

    // The copy is frozen: later changes of the buffer do not show.
    api[3 * 512 + 1] = 0;
    w.HexeditIn.SetValue(3);
    EXPECT_EQ(w.HexV.Data()[1], 0x5A);
    w.HexeditIn.SetValue(65534);
    EXPECT_EQ(w.HexV.Data()[0], 0xA5);
    w.HexeditIn.SetValue(70000);
    EXPECT_EQ(w.HexeditIn.Value(), 65534);

    w.HVPauseBtn.Click();
    EXPECT_TRUE(p().buffer_viewer.Online());
    EXPECT_EQ(w.HVPauseBtn.Caption(), "Offline");
    EXPECT_EQ(w.HVPLed.Brush(), form::colours::kLime);
    EXPECT_TRUE(w.HeVTimer.Active());
    EXPECT_TRUE(w.HexBufSw.Enabled());
    EXPECT_FALSE(w.HexeditIn.Enabled());
}

TEST_F(ViewsTest, LeavingTheWindowWhileOfflineGoesBackOnline)
{
    Start();
    THeFm& w = p().hefm;
    fm().KeyDown(form::Key::F8);
    w.HVPauseBtn.Click();
    ASSERT_FALSE(p().buffer_viewer.Online());
    w.Deactivate();
    EXPECT_TRUE(p().buffer_viewer.Online());
    EXPECT_TRUE(w.HeVTimer.Active());
    EXPECT_EQ(w.HVPauseBtn.Caption(), "Offline");
    // Online, leaving changes nothing.
    w.Deactivate();
    EXPECT_TRUE(p().buffer_viewer.Online());
}

TEST_F(ViewsTest, PositionAndSizeAreRememberedBetweenOpenings)
{
    Start();
    THeFm& w = p().hefm;
    fm().KeyDown(form::Key::F8);
    EXPECT_EQ(w.Geometry(), (form::Bounds{20, 20, 520, 530}));
    w.SetBounds(300, 200, 640, 400);
    w.Resized();
    EXPECT_EQ(w.HexV.Geometry(), (form::Bounds{0, THeFm::kStripHeight, 640, 400 - THeFm::kStripHeight}));
    w.Close();
    w.SetBounds(0, 0, 10, 10); // whatever happens to the hidden window
    fm().KeyDown(form::Key::F8);
    EXPECT_EQ(w.Geometry(), (form::Bounds{300, 200, 640, 400}));
}

TEST_F(ViewsTest, PollWhileAWorkerFillsTheBuffer)
{
    Start();
    fm().MainPage.SetActivePageIndex(2);
    fm().KeyDown(form::Key::F8);
    ASSERT_EQ(p().hefm.HexBufSw.ItemIndex(), BufferViewer::kPioTransfer);
    std::atomic<bool> stop{false};
    SharedState& st = p().state;
    // Stands for the scan worker's transfers into the buffer.
    std::thread worker([&] {
        for (uint8_t round = 1; !stop; ++round) {
            std::lock_guard lock(st.BufferLock);
            std::memset(st.WideBuffer.Bytes(), round, st.WideBuffer.Size());
        }
    });
    for (int i = 0; i < 200; ++i)
        p().buffer_viewer.HeVTimerTimer();
    p().hefm.HVPauseBtn.Click();
    stop = true;
    worker.join();
    // A frozen sector is never a mix of two transfers.
    const auto& shown = p().hefm.HexV.Data();
    for (uint8_t byte : shown)
        EXPECT_EQ(byte, shown[0]);
}

} // namespace
} // namespace mrv::test
