// The four cache buttons: the drive's state afterwards, the log lines of each
// route and the passport refresh of PIO mode.

#include "config/cache_switches.h"
#include "pio/pio_fixture.h"
#include "sim/ata_drive.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

const char* kPioLab = "[Pci]\nDefault=0\n[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=1000000\n";

std::string ApiLab(const std::string& via)
{
    return "[System]\nKernel=Linux 6.1.0 x64\n[PortAccess]\nDriverFile=0\nRestrict=refuse\n[Pci]\nDefault=0\n"
           "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=1000000\nOsNumber=1\nOsVia=" +
           via + "\n";
}

std::string CacheRow(LabProgram& lab)
{
    for (int i = 0; i < lab.fm().Psp.RowCount(); ++i)
        if (lab.fm().Psp.Cell(i, 1) == "CACHE:") return lab.fm().Psp.Cell(i, 2);
    return {};
}

TEST(CacheSwitches, PioButtonsSwitchTheDriveAndRefreshThePassport)
{
    LabProgram lab(kPioLab);
    sim::AtaDrive* drive = lab.lab->Drives().front().get();
    lab.fm().PasspBtn.Click();
    lab.fm().RzBitBtn40.Click();
    EXPECT_TRUE(lab.Logged("Write cache OFF command... OK"));
    EXPECT_FALSE(drive->WriteCacheOn());
    EXPECT_EQ(CacheRow(lab), "8192k; L/A=ON; Wr=OFF; ");
    lab.fm().CacheOFFbtn.Click();
    EXPECT_TRUE(lab.Logged("Look ahead OFF command... OK"));
    EXPECT_FALSE(drive->LookAheadOn());
    EXPECT_EQ(CacheRow(lab), "8192k; L/A=OFF; Wr=OFF; ");
    lab.fm().RzBitBtn41.Click();
    lab.fm().RdCacheBtn.Click();
    EXPECT_TRUE(lab.Logged("Write cache ON command... OK"));
    EXPECT_TRUE(lab.Logged("Look ahead ON command... OK"));
    EXPECT_TRUE(drive->WriteCacheOn());
    EXPECT_TRUE(drive->LookAheadOn());
    EXPECT_EQ(CacheRow(lab), "8192k; L/A=ON; Wr=ON; ");
}

TEST(CacheSwitches, PioFailureStillReadsThePassport)
{
    LabProgram lab("[Pci]\nDefault=0\n[Channel Secondary]\n");
    const size_t from = lab.LogSize();
    lab.fm().RzBitBtn41.Click();
    const auto lines = lab.LogSince(from);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, "Write cache ON command... Error");
    EXPECT_TRUE(lines[1].replaced);
    EXPECT_EQ(lines[1].level, 4);
    EXPECT_TRUE(lab.Logged("Get drive passport"));
}

TEST(CacheSwitches, ApiRoutesAndTheirLines)
{
    // The IDE pass-through of a SATA port answers: the start line stays alone.
    LabProgram sata(ApiLab("sata"));
    sata.p().state.ApiDeviceIndex = 1;
    const size_t from = sata.LogSize();
    sata.fm().RzBitBtn40.Click();
    const auto lines = sata.LogSince(from);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Write cache OFF command...");
    EXPECT_FALSE(sata.lab->Drives().front()->WriteCacheOn());

    // A USB bridge takes ATA pass-through only, which reports its result.
    LabProgram usb(ApiLab("usb"));
    usb.p().state.ApiDeviceIndex = 1;
    usb.fm().CacheOFFbtn.Click();
    EXPECT_TRUE(usb.Logged("Look ahead OFF command... OK"));
    EXPECT_FALSE(usb.lab->Drives().front()->LookAheadOn());

    // A SCSI-only bridge carries no ATA command at all.
    LabProgram scsi(ApiLab("scsi"));
    scsi.p().state.ApiDeviceIndex = 1;
    scsi.fm().RdCacheBtn.Click();
    EXPECT_TRUE(scsi.Logged("Look ahead ON command... Error"));
    EXPECT_FALSE(scsi.Logged("Get drive passport"));
}

} // namespace
} // namespace mrv::test
