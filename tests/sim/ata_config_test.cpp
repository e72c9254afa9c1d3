// IDENTIFY, SET FEATURES, max address, power modes, resets and the value entry.

#include "ata_host.h"

namespace mrv::sim::test
{
namespace
{

const char* kLab = R"(
[Channel Secondary]
Master=hdd
PowerAdaptor=1
[Drive hdd]
Model=WDC WD5000AAKX-00ERMA0
Serial=WD-WCC2EVL12345
Firmware=15.01H15
Sectors=976773168
PhysicalSectorSize=4096
CacheKb=16384
EraseMinutes=112
AamValue=128
SpinUpMs=5000
)";

std::string Text(const std::vector<uint16_t>& w, int first, int count)
{
    std::string s;
    for (int i = first; i < first + count; ++i) {
        s += static_cast<char>(w[i] >> 8);
        s += static_cast<char>(w[i] & 0xFF);
    }
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

class AtaConfig : public HostedDriveTest
{
  protected:
    AtaConfig() : HostedDriveTest(kLab) {}
    uint64_t Count48(const std::vector<uint16_t>& w)
    {
        return w[100] | static_cast<uint64_t>(w[101]) << 16 | static_cast<uint64_t>(w[102]) << 32;
    }
};

TEST_F(AtaConfig, IdentifyDescribesTheDrive)
{
    const auto w = host->Identify();
    ASSERT_EQ(w.size(), 256u);
    EXPECT_EQ(Text(w, 27, 20), "WDC WD5000AAKX-00ERMA0");
    EXPECT_EQ(Text(w, 10, 10), "WD-WCC2EVL12345");
    EXPECT_EQ(Text(w, 23, 4), "15.01H15");
    EXPECT_EQ(w[1], 16383);
    EXPECT_EQ(w[3], 16);
    EXPECT_EQ(w[6], 63);
    EXPECT_EQ(w[60] | w[61] << 16, 0x0FFFFFFF);
    EXPECT_EQ(Count48(w), 976773168u);
    EXPECT_EQ(w[21], 32768);
    EXPECT_NE(w[49] & 0x0200, 0);      // LBA
    EXPECT_EQ(w[83] & 0x0E08, 0x0E08); // 48-bit, AAM, DCO, APM
    EXPECT_EQ(w[82] & 0x0463, 0x0463); // SMART, security, caches, HPA
    EXPECT_EQ(w[85] & 0x0061, 0x0061); // SMART on, caches on
    EXPECT_EQ(w[88] & 0x7F, 0x7F);     // UDMA 0-6
    EXPECT_EQ(w[88] >> 8, 0x40);       // UDMA 6 selected
    EXPECT_EQ(w[63] & 0x07, 0x07);
    EXPECT_EQ((w[89] & 0x7FFF) * 2, 112);
    EXPECT_EQ(w[94] & 0xFF, 128);
    EXPECT_EQ(w[106], 0x6003); // 8 logical per physical
    EXPECT_EQ(w[128], 0x0001);
    EXPECT_EQ(w[217], 7200);
    EXPECT_NE(w[76] & 0x0004, 0); // SATA II
    EXPECT_EQ(w[206] & 1, 1);
    EXPECT_EQ(w[255] & 0xFF, 0xA5);
    uint8_t sum = 0;
    for (uint16_t v : w)
        sum = static_cast<uint8_t>(sum + (v & 0xFF) + (v >> 8));
    EXPECT_EQ(sum, 0);
}

TEST_F(AtaConfig, SsdIdentifiesWithRotationOneAndTrim)
{
    auto ssd =
        MakeLab("[Channel Primary]\nMaster=s\n[Drive s]\nType=ssd\nSectors=1000000\nSectorSize=4096\n");
    Host h(*ssd, 0x1F0, 0x3F6);
    const auto w = h.Identify();
    ASSERT_EQ(w.size(), 256u);
    EXPECT_EQ(w[217], 1);
    EXPECT_EQ(w[169] & 1, 1);
    EXPECT_EQ(w[117] | w[118] << 16, 2048); // 4096-byte sectors in words
    EXPECT_NE(w[106] & 0x1000, 0);
}

TEST_F(AtaConfig, SetFeaturesSwitchesCachesAamAndTransferMode)
{
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0x82));
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0x55));
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0xFE, 0x42));
    auto w = host->Identify();
    EXPECT_EQ(w[85] & 0x0060, 0);
    EXPECT_EQ(w[94] & 0xFF, 0xFE);
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0xC2));
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0x22, 0x03)); // MWDMA 2
    w = host->Identify();
    EXPECT_EQ(w[94] & 0xFF, 0);
    EXPECT_EQ(w[86] & 0x0200, 0);
    EXPECT_EQ(w[63] >> 8, 0x04);
    EXPECT_EQ(w[88] >> 8, 0);
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0x0C, 0x03));  // PIO 4
    EXPECT_FALSE(host->NonData28(0xEF, 0, 0x47, 0x03)); // UDMA 7 does not exist
    EXPECT_FALSE(host->NonData28(0xEF, 0, 0, 0x99));
    EXPECT_EQ(host->Error(), 0x04);
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0x02));
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0xAA));
    EXPECT_TRUE(drive->WriteCacheOn());
    EXPECT_TRUE(drive->LookAheadOn());
}

TEST_F(AtaConfig, ReadNativeMaxIn28And48BitForms)
{
    EXPECT_TRUE(host->NonData28(0xF8, 0, 0, 0));
    EXPECT_EQ(host->Lba28(), 0x0FFFFFFEu); // a 48-bit drive answers the 28-bit ceiling
    host->Task48(0x27, 0, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Lba48(), 976773167u);
}

TEST_F(AtaConfig, SetMaxMustFollowReadNativeMaxAndVolatileLimitsVanishAtPowerCycle)
{
    host->Task48(0x37, 1000000 - 1, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x04); // not preceded by READ NATIVE MAX EXT
    host->Task48(0x27, 0, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task48(0x37, 1000000 - 1, 0); // volatile
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x01, 0);
    EXPECT_EQ(Count48(host->Identify()), 1000000u);
    EXPECT_TRUE(host->Read(1000000, 1, true).empty());
    EXPECT_EQ(host->Error(), 0x10);
    lab->PowerCycle();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(Count48(host->Identify()), 976773168u);
}

TEST_F(AtaConfig, PermanentSetMaxSurvivesPowerCycleAndASecondOneNeedsIt)
{
    host->Task48(0x27, 0, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task48(0x37, 500000 - 1, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x01, 0);
    host->Task48(0x27, 0, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task48(0x37, 600000 - 1, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x10); // needs a power cycle first
    lab->PowerCycle();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(Count48(host->Identify()), 500000u);
    host->Task48(0x27, 0, 0);
    ASSERT_TRUE(host->WaitNotBusy());
    host->Task48(0x37, 976773168, 1);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x10); // beyond the native size
}

TEST_F(AtaConfig, StandbyStopsTheSpindleAndTheNextReadSpinsItUp)
{
    host->Task28(0xE5, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Reg(2), 0xFF);
    EXPECT_TRUE(host->NonData28(0xE0));
    host->Task28(0xE5, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Reg(2), 0x00);
    const uint64_t t0 = lab->Time().PeekNs();
    EXPECT_EQ(host->Read(0, 1).size(), 512u);
    EXPECT_GE(lab->Time().PeekNs() - t0, 5000000000u);
    host->Task28(0xE5, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Reg(2), 0xFF);
}

TEST_F(AtaConfig, PowerAdaptorMakesTheDriveVanishAndReturnBusy)
{
    PortBus& bus = lab->Ports();
    EXPECT_EQ(bus.InByte(0x186), 1);
    bus.OutByte(0x186, 0);
    EXPECT_EQ(bus.InByte(0x186), 0);
    EXPECT_EQ(host->Status(), 0xFF);
    EXPECT_EQ(host->AltStatus(), 0xFF);
    EXPECT_FALSE(drive->Powered());
    bus.OutByte(0x186, 1);
    EXPECT_EQ(bus.InByte(0x186), 1);
    EXPECT_EQ(host->AltStatus() & 0x80, 0x80);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0xD8, 0x50);
}

TEST_F(AtaConfig, ChannelsWithoutDevicesOrAdaptorFloat)
{
    PortBus& bus = lab->Ports();
    EXPECT_EQ(bus.InByte(0x1F7), 0xFF); // no primary channel in this lab
    EXPECT_EQ(bus.InByte(0x206), 0xFF); // no adaptor there
    Host slave(*lab, 0x170, 0x376, true);
    slave.Out(6, 0xB0);
    EXPECT_EQ(slave.Status(), 0xFF);
    slave.Out(2, 0x55);
    EXPECT_EQ(slave.Reg(2), 0xFF);
}

TEST_F(AtaConfig, SoftResetResetsBothDevicesAndSelectsTheMaster)
{
    host->Task28(0x20, 0, 2);
    ASSERT_TRUE(host->WaitDrq());
    host->Control(0x04);
    EXPECT_EQ(host->AltStatus() & 0x80, 0x80);
    host->Control(0x00);
    EXPECT_EQ(host->AltStatus() & 0x80, 0x80);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x08, 0); // the pending transfer is gone
    EXPECT_EQ(host->Reg(6) & 0x10, 0);
    EXPECT_EQ(host->Error(), 0x01);
}

TEST_F(AtaConfig, ExecuteRunsCommandsAsValues)
{
    auto run = [](AtaDrive& target, AtaCommand c, uint8_t* data, size_t length) {
        c.data = data;
        c.data_length = length;
        return target.Execute(c);
    };
    const AtaCommand id = MakeAtaCommand(0xEC, 0, 0, 0, 0xA0, false, AtaProtocol::PioIn);
    std::vector<uint8_t> data(512);
    AtaResult r = run(*drive, id, data.data(), data.size());
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.transferred, 512u);
    EXPECT_EQ(data[510], 0xA5);

    const AtaCommand write = MakeAtaCommand(0x34, 0, 2, 0x12345678ull, 0xE0, true, AtaProtocol::PioOut);
    auto payload = Pattern(1024, 3);
    r = run(*drive, write, payload.data(), payload.size());
    ASSERT_TRUE(r.Ok());
    const AtaCommand read = MakeAtaCommand(0x24, 0, 2, 0x12345678ull, 0xE0, true, AtaProtocol::PioIn);
    std::vector<uint8_t> back(1024);
    r = run(*drive, read, back.data(), back.size());
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(back, payload);

    // A 256-sector read of an SSD costs about its transfer time, not a millisecond per sector.
    auto ssd = MakeLab("[Channel Primary]\nMaster=s\n[Drive s]\nType=ssd\nSectors=100000\n");
    const AtaCommand many = MakeAtaCommand(0x24, 0, 256, 0, 0xE0, true, AtaProtocol::PioIn);
    std::vector<uint8_t> big(256 * 512);
    const uint64_t t0 = ssd->Time().PeekNs();
    ASSERT_TRUE(run(*ssd->Drive("s"), many, big.data(), big.size()).Ok());
    EXPECT_LT(ssd->Time().PeekNs() - t0, 20000000u);

    const AtaCommand status = MakeAtaCommand(0xB0, 0xDA, 0, 0xC24F00, 0xA0, false, AtaProtocol::NonData);
    r = drive->Execute(status);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ((r.lba >> 8) & 0xFFFF, 0xC24Fu);

    const AtaCommand bad = MakeAtaCommand(0x24, 0, 1, 976773168, 0xE0, true, AtaProtocol::PioIn);
    r = run(*drive, bad, back.data(), 512);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.error, 0x10);
    EXPECT_EQ(r.lba, 976773168u);
}

TEST_F(AtaConfig, SequentialReadsWithoutLookAheadCostARevolutionEach)
{
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0x55));
    ASSERT_EQ(host->Read(1, 1).size(), 512u);
    const uint64_t t0 = lab->Time().PeekNs();
    for (int i = 2; i < 102; ++i)
        ASSERT_EQ(host->Read(static_cast<uint64_t>(i), 1).size(), 512u);
    const double per_read_ms = static_cast<double>(lab->Time().PeekNs() - t0) / 100 / 1e6;
    EXPECT_NEAR(per_read_ms, 60000.0 / 7200, 0.2);
    // With look-ahead the same reads stream from the buffer.
    EXPECT_TRUE(host->NonData28(0xEF, 0, 0, 0xAA));
    ASSERT_EQ(host->Read(200, 1).size(), 512u);
    const uint64_t t1 = lab->Time().PeekNs();
    for (int i = 201; i < 301; ++i)
        ASSERT_EQ(host->Read(static_cast<uint64_t>(i), 1).size(), 512u);
    EXPECT_LT(static_cast<double>(lab->Time().PeekNs() - t1) / 100 / 1e6, 0.5);
}

TEST_F(AtaConfig, IdentifyFromStandbySpinsTheDiskUp)
{
    ASSERT_TRUE(host->NonData28(0xE0));
    ASSERT_TRUE(drive->Standby());
    const uint64_t t0 = lab->Time().PeekNs();
    ASSERT_EQ(host->Identify().size(), 256u);
    EXPECT_FALSE(drive->Standby());
    EXPECT_GE(lab->Time().PeekNs() - t0, 4000ull * 1000000); // SpinUpMs
    // Spinning already: no wait.
    const uint64_t t1 = lab->Time().PeekNs();
    ASSERT_EQ(host->Identify().size(), 256u);
    EXPECT_LT(lab->Time().PeekNs() - t1, 10ull * 1000000);
}

TEST(AtaChannel, SoftResetReachesMasterAndSlave)
{
    auto lab =
        MakeLab("[Channel Primary]\nMaster=a\nSlave=b\n[Drive a]\nSectors=1000\n[Drive b]\nSectors=2000\n"
                "Stuck=5\n");
    Host master(*lab, 0x1F0, 0x3F6);
    Host slave(*lab, 0x1F0, 0x3F6, true);
    slave.Task28(0x40, 5, 1);
    EXPECT_FALSE(slave.WaitNotBusy(500));
    master.Out(6, 0xA0);
    EXPECT_EQ(master.Status() & 0xD8, 0x50); // the master is not held by its neighbour
    master.SoftReset();
    ASSERT_TRUE(master.WaitNotBusy());
    EXPECT_FALSE(lab->Drive("b")->Stuck());
    slave.Out(6, 0xB0);
    EXPECT_EQ(slave.Status() & 0xD8, 0x50);
    EXPECT_EQ(slave.Reg(2), 1);
    EXPECT_EQ(slave.Error(), 0x01);
    EXPECT_EQ(slave.Identify()[60], 2000);
}

TEST(AtaChannel, ChsAddressingAndDeviceConfigurationIdentify)
{
    auto lab = MakeLab("[Channel Primary]\nMaster=a\n[Drive a]\nSectors=1000000\n");
    Host h(*lab, 0x1F0, 0x3F6);
    lab->Drive("a")->Media().Write(63 * 16 + 2, Pattern(512, 4).data()); // cylinder 1, head 0, sector 3
    h.Out(6, 0xA0);
    h.Out(2, 1);
    h.Out(3, 3);
    h.Out(4, 1);
    h.Out(5, 0);
    h.Out(7, 0x20);
    ASSERT_TRUE(h.WaitDrq());
    EXPECT_EQ(h.ReadBlock(), Pattern(512, 4));
    h.Task28(0xB1, 0, 0, 0xC2, 0xA0);
    ASSERT_TRUE(h.WaitDrq());
    const auto dco = h.ReadBlock();
    EXPECT_EQ(dco[6] | dco[7] << 8 | dco[8] << 16, 999999);
    EXPECT_EQ(dco[510], 0xA5);
    EXPECT_TRUE(h.NonData28(0xB1, 0, 0, 0xC0));  // restore: nothing hidden
    EXPECT_FALSE(h.NonData28(0xB1, 0, 0, 0xC3)); // changes are not offered
}

} // namespace
} // namespace mrv::sim::test
