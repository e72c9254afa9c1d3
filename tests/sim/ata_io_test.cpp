// Reads, writes, verifies and seeks through the task-file ports.

#include "ata_host.h"

#include <atomic>
#include <thread>

namespace mrv::sim::test
{
namespace
{

const char* kLab = R"(
[Channel Secondary]
Master=hdd
Slave=small
[Drive hdd]
Sectors=600000000
Unreadable=1000
Pending=2000-2001
Slow=3000:400
Stuck=4000
WriteFail=5000
UncDelayMs=700
[Drive small]
Sectors=100000
Lba48=0
Sata=0
)";

class AtaIo : public HostedDriveTest
{
  protected:
    AtaIo() : HostedDriveTest(kLab) {}
};

TEST_F(AtaIo, IdleDriveShowsReadyAndSeekComplete)
{
    EXPECT_EQ(host->Status() & 0xD8, 0x50);
}

TEST_F(AtaIo, WrittenSectorsReadBackIn28And48BitForms)
{
    const auto data = Pattern(3 * 512, 5);
    ASSERT_TRUE(host->Write(100, data));
    EXPECT_EQ(host->Read(100, 3), data);
    EXPECT_EQ(host->Read(100, 3, true), data);
    const uint64_t high = 0x12345678ull; // beyond 28 bits
    ASSERT_TRUE(host->Write(high, data, true));
    EXPECT_EQ(host->Read(high, 3, true), data);
    EXPECT_EQ(std::vector<uint8_t>(drive->Media().Sector(high), drive->Media().Sector(high) + 512),
              std::vector<uint8_t>(data.begin(), data.begin() + 512));
}

TEST_F(AtaIo, DataRequestComesPerSectorOfAMultiSectorRead)
{
    host->Task28(0x20, 0, 4);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(host->WaitDrq()) << i;
        host->ReadBlock();
    }
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x08, 0);
}

TEST_F(AtaIo, DwordStringTransfersMoveTheSameData)
{
    const auto data = Pattern(512, 9);
    ASSERT_TRUE(host->Write(7, data));
    host->Task28(0x20, 7, 1);
    ASSERT_TRUE(host->WaitDrq());
    std::vector<uint32_t> dw(128);
    lab->Ports().InDwords(0x170, dw.data(), 128);
    EXPECT_EQ(0, std::memcmp(dw.data(), data.data(), 512));
}

TEST_F(AtaIo, AddressBeyondMaximumEndsInIdnfWithTheAddress)
{
    host->Task28(0x20, 0x0FFFFFFF, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x01, 0x01);
    EXPECT_EQ(host->Error(), 0x10);
    host->Task48(0x24, 600000000, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x10);
    EXPECT_EQ(host->Lba48(), 600000000u);
}

TEST_F(AtaIo, UnreadableSectorGivesUncAtItsAddressAfterRetries)
{
    const uint64_t t0 = lab->Time().PeekNs();
    host->Task28(0x20, 998, 4);
    ASSERT_TRUE(host->WaitDrq());
    host->ReadBlock();
    ASSERT_TRUE(host->WaitDrq());
    host->ReadBlock();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x09, 0x01);
    EXPECT_EQ(host->Error(), 0x40);
    EXPECT_EQ(host->Lba28(), 1000u);
    EXPECT_GE(lab->Time().PeekNs() - t0, 700000000u);
    // Verify stops at the same sector.
    host->Task28(0x40, 990, 20);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x40);
    EXPECT_EQ(host->Lba28(), 1000u);
    // Writing does not heal a damaged surface.
    ASSERT_TRUE(host->Write(1000, Pattern(512, 1)));
    EXPECT_TRUE(host->Read(1000, 1).empty());
}

TEST_F(AtaIo, WritingAPendingSectorReallocatesIt)
{
    EXPECT_TRUE(host->Read(2000, 1).empty());
    EXPECT_EQ(drive->Live().pending, 2u);
    ASSERT_TRUE(host->Write(2000, Pattern(512, 3)));
    EXPECT_EQ(host->Read(2000, 1), Pattern(512, 3));
    const SmartLive live = drive->Live();
    EXPECT_EQ(live.pending, 1u);
    EXPECT_EQ(live.reallocated, 1u);
}

TEST_F(AtaIo, SlowSectorReadsAfterItsDelay)
{
    const uint64_t t0 = lab->Time().PeekNs();
    EXPECT_EQ(host->Read(3000, 1).size(), 512u);
    EXPECT_GE(lab->Time().PeekNs() - t0, 400000000u);
}

TEST_F(AtaIo, StuckSectorHoldsBusyUntilSoftReset)
{
    host->Task28(0x40, 3990, 20);
    EXPECT_FALSE(host->WaitNotBusy(3000));
    EXPECT_TRUE(drive->Stuck());
    host->SoftReset();
    ASSERT_TRUE(host->WaitNotBusy());
    // The diagnostic signature.
    EXPECT_EQ(host->Reg(2), 1);
    EXPECT_EQ(host->Reg(3), 1);
    EXPECT_EQ(host->Reg(4), 0);
    EXPECT_EQ(host->Reg(5), 0);
    EXPECT_EQ(host->Error(), 0x01);
    EXPECT_EQ(host->Status() & 0xD8, 0x50);
}

TEST_F(AtaIo, WriteFailingSectorEndsInDeviceFault)
{
    EXPECT_FALSE(host->Write(5000, Pattern(512, 1)));
    EXPECT_EQ(host->Status() & 0x21, 0x21);
    EXPECT_EQ(host->Error(), 0x04);
    EXPECT_EQ(host->Lba28(), 5000u);
    EXPECT_EQ(host->Read(5000, 1).size(), 512u); // reading it is fine
}

TEST_F(AtaIo, SeekAndRecalibrateSucceedWithinRangeOnly)
{
    EXPECT_TRUE(host->NonData28(0x70, 500000));
    EXPECT_TRUE(host->NonData28(0x10));
    EXPECT_FALSE(host->NonData28(0x70, 0x0FFFFFFF));
    EXPECT_EQ(host->Error(), 0x10);
}

TEST_F(AtaIo, UnknownOpcodeAborts)
{
    for (uint8_t op : {0x00, 0x25, 0xC8, 0xFF}) {
        host->Task28(op, 0, 1);
        ASSERT_TRUE(host->WaitNotBusy());
        EXPECT_EQ(host->Status() & 0x01, 0x01) << int(op);
        EXPECT_EQ(host->Error(), 0x04) << int(op);
    }
}

TEST_F(AtaIo, SlaveAnswersOnlyWhenSelectedAnd48BitIsRefusedByA28BitDrive)
{
    Host slave(*lab, 0x170, 0x376, true);
    ASSERT_TRUE(slave.Write(10, Pattern(512, 77)));
    EXPECT_EQ(lab->Drive("small")->Media().Sector(10)[0], Pattern(512, 77)[0]);
    EXPECT_EQ(drive->Media().Sector(10)[0], 0);
    slave.Task48(0x24, 10, 1);
    ASSERT_TRUE(slave.WaitNotBusy());
    EXPECT_EQ(slave.Error(), 0x04);
}

TEST_F(AtaIo, HobSelectsThePreviousBytes)
{
    host->Task48(0x42, 0x0000AB0000CDull, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Out(2, 0x12);
    host->Out(2, 0x34);
    EXPECT_EQ(host->Reg(2), 0x34);
    host->Control(0x80);
    EXPECT_EQ(host->Reg(2), 0x12);
    host->Control(0x00);
    EXPECT_EQ(host->Reg(2), 0x34);
}

TEST_F(AtaIo, ReadBufferReturnsWhatWriteBufferStored)
{
    host->Task28(0xE8, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitDrq());
    host->WriteBlock(Pattern(512, 0x55));
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task28(0xE4, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitDrq());
    EXPECT_EQ(host->ReadBlock(), Pattern(512, 0x55));
}

TEST_F(AtaIo, ReadLongAndWriteLongTurnASectorBadAndGoodAgain)
{
    ASSERT_TRUE(host->Write(600, Pattern(512, 8)));
    host->Task28(0x22, 600, 1);
    ASSERT_TRUE(host->WaitDrq());
    auto longsec = host->ReadBlock(520);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x01, 0);
    EXPECT_EQ(std::vector<uint8_t>(longsec.begin(), longsec.begin() + 512), Pattern(512, 8));
    // Spoil the check bytes: the sector becomes uncorrectable.
    auto spoiled = longsec;
    spoiled[515] ^= 0xFF;
    host->Task28(0x32, 600, 1);
    ASSERT_TRUE(host->WaitDrq());
    host->WriteBlock(spoiled);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_TRUE(host->Read(600, 1).empty());
    EXPECT_EQ(host->Error(), 0x40);
    // Long read still returns the data; a long write of good bytes heals it.
    host->Task28(0x22, 600, 1);
    ASSERT_TRUE(host->WaitDrq());
    EXPECT_EQ(host->ReadBlock(520), spoiled);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task28(0x32, 600, 1);
    ASSERT_TRUE(host->WaitDrq());
    host->WriteBlock(longsec);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Read(600, 1), Pattern(512, 8));
    // Zero data with zero check bytes is a good sector (the long-writing scan relies on it).
    host->Task28(0x32, 601, 1);
    ASSERT_TRUE(host->WaitDrq());
    host->WriteBlock(std::vector<uint8_t>(520, 0));
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Read(601, 1), std::vector<uint8_t>(512, 0));
}

TEST_F(AtaIo, ReadLongOfAPendingSectorWorksAndARewriteRemapsIt)
{
    host->Task28(0x23, 2001, 1);
    ASSERT_TRUE(host->WaitDrq());
    auto longsec = host->ReadBlock(520);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x01, 0);
    ASSERT_TRUE(host->Write(2001, std::vector<uint8_t>(longsec.begin(), longsec.begin() + 512)));
    EXPECT_EQ(host->Read(2001, 1).size(), 512u);
    // A damaged surface cannot even be read in long mode.
    host->Task28(0x22, 1000, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x40);
}

TEST_F(AtaIo, LargestDriveSeeksAcrossItsWholeRange)
{
    auto big = MakeLab("[Channel Primary]\nMaster=d\n[Drive d]\nSectors=0xFFFFFFFFFFFF\nRpm=20000\n"
                       "OuterMBps=10000\nInnerMBps=1\n");
    Host h(*big, 0x1F0, 0x3F6);
    const auto data = Pattern(512, 2);
    ASSERT_TRUE(h.Write(0xFFFFFFFFFFFEull, data, true));
    EXPECT_EQ(h.Read(0xFFFFFFFFFFFEull, 1, true), data);
    EXPECT_EQ(h.Read(0, 1, true).size(), 512u);
}

TEST_F(AtaIo, InterfaceCrcDriveFailsEveryNthTransfer)
{
    auto crc = MakeLab("[Channel Primary]\nMaster=d\n[Drive d]\nSectors=1000\nInterfaceCrc=2\n");
    Host h(*crc, 0x1F0, 0x3F6);
    EXPECT_EQ(h.Read(0, 1).size(), 512u);
    EXPECT_TRUE(h.Read(0, 1).empty());
    EXPECT_EQ(h.Error(), 0x84);
    EXPECT_EQ(crc->Drive("d")->Live().crc_errors, 1u);
}

TEST_F(AtaIo, IndicatorReadsDuringAWorkersTransfersKeepTheDataIntact)
{
    // The register LEDs poll alternate status and error while a worker moves sectors.
    const auto data = Pattern(16 * 512, 21);
    ASSERT_TRUE(host->Write(64, data));
    std::atomic<bool> done{false};
    std::thread indicator([&] {
        while (!done.load()) {
            lab->Ports().InByte(0x376);
            lab->Ports().InByte(0x171);
        }
    });
    bool same = true;
    for (int i = 0; i < 50 && same; ++i)
        same = host->Read(64, 16) == data;
    done.store(true);
    indicator.join();
    EXPECT_TRUE(same);
}

} // namespace
} // namespace mrv::sim::test
