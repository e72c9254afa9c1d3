// The task-file protocol against the emulated drive on the secondary channel.

#include "pio_fixture.h"

namespace mrv::test
{
namespace
{

const char* kLab = R"(
[Channel Secondary]
Master=hdd
[Drive hdd]
Model=PIO TEST DISK
Sectors=600000000
WriteFail=5000
Stuck=7000
)";

class AtaPioTest : public ::testing::Test
{
  protected:
    LabProgram lp{kLab};
    AtaPio& pio() { return lp.p().pio; }
    SharedState& st() { return lp.p().state; }
    RecordingBus& bus() { return *lp.bus; }
};

TEST_F(AtaPioTest, StartsInPioModeOnTheSecondaryChannelWithTimeouts)
{
    EXPECT_EQ(st().access_mode, AccessMode::Pio);
    EXPECT_TRUE(st().DriverOpen);
    EXPECT_EQ(st().BasePort, 0x170);
    EXPECT_EQ(st().AltPort, 0x376);
    // "G.T.C.  (Alt)": milliseconds.
    EXPECT_FALSE(st().UseCpuCounter);
    EXPECT_EQ(st().BusyTimeout, 15000u);
    EXPECT_EQ(st().DrqTimeout, 100u);
    EXPECT_EQ(lp.fm().BusyValLab.Caption(), "15 s");
    EXPECT_EQ(lp.fm().DrqValLab.Caption(), "100ms");
}

TEST_F(AtaPioTest, TimeoutsFollowTheSlidersAndTheTimerChoice)
{
    TFm& fm = lp.fm();
    fm.AtaTimerRg.SetItemIndex(0);
    EXPECT_TRUE(st().UseCpuCounter);
    const uint64_t ticks = st().TicksPerUnit;
    EXPECT_EQ(st().BusyTimeout, 150000u * ticks);
    fm.DrqTrk.SetPosition(3);
    EXPECT_EQ(st().DrqTimeout, 300u * ticks);
    EXPECT_EQ(fm.DrqValLab.Caption(), "30ms");
    fm.RdyTrk.SetPosition(7);
    EXPECT_EQ(st().ReadyTimeout, 70000u * ticks);
    EXPECT_EQ(fm.RdyValLab.Caption(), "7 s");
    fm.AtaTimerRg.SetItemIndex(1);
    EXPECT_EQ(st().ReadyTimeout, 7000u);
    EXPECT_EQ(st().DrqTimeout, 30u);
}

TEST_F(AtaPioTest, AltStatusPollsBusyThereButDataRequestAtTheStatusRegister)
{
    ASSERT_TRUE(lp.fm().AltStChk.Checked());
    ASSERT_EQ(st().StatusPort, 0x376);
    ASSERT_NE(pio().WaitNotBusy(), -1);
    ASSERT_TRUE(pio().IssueBlockCommand(1, 0x20, 100));
    bus().Clear();
    ASSERT_NE(pio().WaitNotBusy(), -1);
    EXPECT_GT(bus().ReadsOf(0x376), 0);
    EXPECT_EQ(bus().ReadsOf(0x177), 0);
    bus().Clear();
    ASSERT_TRUE(pio().WaitDataRequest());
    EXPECT_GT(bus().ReadsOf(0x177), 0);
    EXPECT_EQ(bus().ReadsOf(0x376), 0);
    EXPECT_TRUE(pio().PioReadSector());
}

TEST_F(AtaPioTest, SeekIn48BitModeGoesOutAsVerifyExtWithPreviousBytesFirst)
{
    lp.fm().biglbaChk.SetChecked(true);
    ASSERT_TRUE(st().Use48Bit);
    bus().Clear();
    ASSERT_TRUE(pio().IssueBlockCommand(1, 0x70, 0x0012345678ull));
    EXPECT_EQ(bus().WritesTo(0x177), std::vector<uint32_t>{0x42});
    EXPECT_EQ(bus().WritesTo(0x173), (std::vector<uint32_t>{0x12, 0x78}));
    EXPECT_EQ(bus().WritesTo(0x174), (std::vector<uint32_t>{0x00, 0x56}));
    EXPECT_EQ(bus().WritesTo(0x175), (std::vector<uint32_t>{0x00, 0x34}));
    EXPECT_EQ(bus().WritesTo(0x172), (std::vector<uint32_t>{0x00, 0x01}));
    std::vector<uint16_t> order;
    for (const auto& a : bus().Accesses())
        if (a.write) order.push_back(a.port);
    EXPECT_EQ(order, (std::vector<uint16_t>{0x176, 0x171, 0x172, 0x173, 0x174, 0x175, 0x171, 0x172, 0x173,
                                            0x174, 0x175, 0x177}));
    EXPECT_NE(pio().WaitNotBusy(), -1);
    EXPECT_EQ(pio().ReadErrorRegister(), 0);
}

TEST_F(AtaPioTest, Read28BitBeyondItsRangeIsRefusedWithoutTouchingThePorts)
{
    ASSERT_FALSE(st().Use48Bit);
    auto& clock = lp.lab->Time();
    const uint64_t before = clock.PeekNs();
    bus().Clear();
    EXPECT_FALSE(pio().IssueBlockCommand(1, 0x20, 0x10000000));
    EXPECT_TRUE(bus().Accesses().empty());
    EXPECT_TRUE(st().LbaOutOfRange);
    EXPECT_GE(clock.PeekNs() - before, 500000000u);
    // The last 28-bit address still goes out.
    EXPECT_TRUE(pio().IssueBlockCommand(1, 0x40, 0x0FFFFFFF));
    EXPECT_EQ(bus().WritesTo(0x176).back(), 0xEFu);
    EXPECT_NE(pio().WaitNotBusy(), -1);
}

TEST_F(AtaPioTest, SectorsWrittenReadBackInBothAddressModes)
{
    SectorWords& buffer = st().SectorBuffer;
    for (size_t i = 0; i < 256; ++i)
        buffer.SetWord(i, static_cast<uint16_t>(i * 7 + 1));
    ASSERT_TRUE(pio().WriteSector(100));
    buffer.Clear();
    ASSERT_TRUE(pio().ReadSector(100));
    EXPECT_EQ(buffer.Word(255), 255 * 7 + 1);
    lp.fm().biglbaChk.SetChecked(true);
    const uint64_t high = 0x12345678;
    ASSERT_TRUE(pio().WriteSector(high));
    EXPECT_EQ(lp.lab->Drive("hdd")->Media().Sector(high)[2], 8);
    st().AuxSectorBuffer.Clear();
    ASSERT_TRUE(pio().ReadSectorAux(high));
    EXPECT_EQ(st().AuxSectorBuffer.Word(1), 8);
}

TEST_F(AtaPioTest, WriteTheDriveRejectsIsReportedAsFailure)
{
    for (size_t i = 0; i < 256; ++i)
        st().SectorBuffer.SetWord(i, 0xA5A5);
    EXPECT_FALSE(pio().WriteSector(5000));
    // Beyond the drive's capacity: IDNF instead of a data phase.
    lp.fm().biglbaChk.SetChecked(true);
    EXPECT_FALSE(pio().WriteSector(600000000 + 10));
    // The drive is usable afterwards.
    EXPECT_TRUE(pio().WriteSector(5001));
}

TEST_F(AtaPioTest, NativeMaxAddressReadsBackThroughHob)
{
    lp.fm().biglbaChk.SetChecked(true);
    ASSERT_NE(pio().WaitNotBusy(), -1);
    ASSERT_TRUE(pio().IssueBlockCommand(1, 0xF8, 0));
    ASSERT_NE(pio().WaitNotBusy(), -1);
    bus().Clear();
    EXPECT_EQ(pio().ReadTaskFileLba(), 600000000u - 1);
    EXPECT_EQ(bus().WritesTo(0x376), (std::vector<uint32_t>{0x80, 0x00}));
}

TEST_F(AtaPioTest, NonDataCommandAndAbortedCommand)
{
    // IDLE IMMEDIATE is accepted; an unknown opcode is aborted.
    EXPECT_TRUE(pio().AtaNonDataCommand({.device = 0xA0, .command = 0xE1}).Ok());
    const AtaResult aborted = pio().AtaNonDataCommand({.device = 0xA0, .command = 0x01});
    EXPECT_FALSE(aborted.Ok());
    EXPECT_EQ(aborted.error, 0x04);
    EXPECT_EQ(pio().ReadErrorRegister(), 0x04);
}

TEST_F(AtaPioTest, ExecuteRunsAPioInCommandAsAValue)
{
    uint8_t data[512] = {};
    const AtaResult identify =
        pio().Execute(AtaCommand::PioIn({.count = 1, .device = 0xA0, .command = 0xEC}, data, sizeof data));
    ASSERT_TRUE(identify.Ok());
    EXPECT_EQ(identify.transferred, 512u);
    // Model text: words 27 on, high byte first.
    EXPECT_EQ(data[54 + 1], 'P');
    EXPECT_EQ(data[54], 'I');
    EXPECT_EQ(identify.status & 0xD9, 0x50);
}

TEST_F(AtaPioTest, ReadinessWaitLogsAndProbesTheChannel)
{
    size_t from = lp.LogSize();
    EXPECT_TRUE(pio().AwaitDriveReady());
    auto lines = lp.LogSince(from);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Waiting of readiness...");
    EXPECT_EQ(lines[1].text, "Waiting of readiness... Drive is ready");
    EXPECT_TRUE(lines[1].replaced);
    EXPECT_TRUE(pio().ProbeChannel());
    EXPECT_TRUE(pio().IsDriveReady());
    EXPECT_FALSE(pio().IsDriveBusy());
    EXPECT_FALSE(pio().IsDriveFaulted());
}

TEST_F(AtaPioTest, DrdyBoxSkipsTheWaitAndTheProbe)
{
    lp.fm().DrdyChk.SetChecked(true);
    size_t from = lp.LogSize();
    bus().Clear();
    EXPECT_TRUE(pio().ProbeChannel());
    EXPECT_TRUE(pio().AwaitDriveReady());
    EXPECT_TRUE(lp.LogSince(from).empty());
    EXPECT_TRUE(bus().WritesTo(0x172).empty());
    EXPECT_TRUE(bus().WritesTo(0x176).empty());
}

TEST_F(AtaPioTest, StuckDriveTimesOutAndClosingEndsTheWaitAtOnce)
{
    lp.fm().BusyTrk.SetPosition(1);
    ASSERT_NE(pio().WaitNotBusy(), -1);
    ASSERT_TRUE(pio().IssueBlockCommand(1, 0x20, 7000));
    EXPECT_EQ(pio().WaitNotBusy(), -1);
    EXPECT_TRUE(pio().IsDriveBusy());
    st().AppClosing = true;
    bus().Clear();
    EXPECT_EQ(pio().WaitNotBusy(), 1);
    EXPECT_TRUE(bus().Accesses().empty());
    EXPECT_FALSE(pio().WaitDriveReady(0));
    st().AppClosing = false;
    // Break requests end the unlimited wait only when the option allows it.
    lp.fm().EnaBrkInCyclChk.SetChecked(true);
    st().BreakRequested = true;
    EXPECT_FALSE(pio().WaitDriveReady(0));
    st().BreakRequested = false;
    EXPECT_FALSE(pio().WaitDriveReady(50));
}

TEST_F(AtaPioTest, FortyEightBitBoxLogsItsState)
{
    TFm& fm = lp.fm();
    int rebuilt = 0;
    pio().OnAddressModeChanged = [&] { ++rebuilt; };
    size_t from = lp.LogSize();
    fm.biglbaChk.SetChecked(true);
    st().passport.LbaCount = 1000;
    fm.biglbaChk.SetChecked(false);
    st().passport.LbaCount = 600000000;
    fm.biglbaChk.SetChecked(true);
    fm.biglbaChk.SetChecked(false);
    auto lines = lp.LogSince(from);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "48bit access enabled");
    EXPECT_EQ(lines[1].text, "48bit access disabled");
    EXPECT_EQ(lines[1].level, 1);
    EXPECT_EQ(lines[3].text, "[Warning!] Max LBA adres=600000000, but 48bit access disabled!?");
    EXPECT_EQ(lines[3].level, 4);
    EXPECT_FALSE(st().Use48Bit);
    EXPECT_EQ(rebuilt, 4);
}

} // namespace
} // namespace mrv::test
