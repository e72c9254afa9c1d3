// RHPA, HPA and the track bar on the virtual PC, in PIO mode through the task
// file and in API mode through the pass-through routes: what the drive is left
// with, what reached its registers, and the sizes that are never sent.

#include "config/host_protected_area.h"
#include "pio/pio_fixture.h"
#include "sim/ata_drive.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

constexpr uint64_t kNative = 976773168;
constexpr uint16_t kBase = 0x170;

std::string PioLab(const std::string& extra = {})
{
    return "[Pci]\nDefault=0\n[Channel Secondary]\nMaster=hdd\nPowerAdaptor=1\n[Drive hdd]\nSectors=" +
           std::to_string(kNative) + "\n" + extra;
}

std::string ApiLab(const std::string& via, const std::string& extra = {})
{
    return "[System]\nKernel=Linux 6.1.0 x64\n[PortAccess]\nDriverFile=0\nRestrict=refuse\n[Pci]\nDefault=0\n"
           "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=" +
           std::to_string(kNative) + "\nOsNumber=1\nOsVia=" + via + "\n" + extra;
}

class Hpa : public ::testing::Test
{
  protected:
    void Open(const std::string& lab_text, bool api = false)
    {
        lab = std::make_unique<LabProgram>(lab_text);
        ASSERT_TRUE(lab->lab);
        drive = lab->lab->Drives().front().get();
        if (api) {
            ASSERT_EQ(lab->p().state.access_mode, AccessMode::Api);
            lab->p().state.ApiDeviceIndex = 1;
        }
        fm().PasspBtn.Click();
        ASSERT_TRUE(lab->Logged("Model:"));
    }
    void SetMax(const std::string& text, bool temporary = false)
    {
        fm().HPATpChk.SetChecked(temporary);
        fm().L1.SetText(text);
        fm().HpaBtn.Click();
    }
    /// Command-register writes since the last Clear().
    std::vector<uint32_t> Commands() { return lab->bus->WritesTo(kBase + 7); }
    /// The count register as the drive saw it when `command` was written.
    uint32_t CountAt(uint8_t command)
    {
        uint32_t count = 0xFFFF;
        for (const auto& a : lab->bus->Accesses()) {
            if (!a.write) continue;
            if (a.port == kBase + 2) count = a.value;
            if (a.port == kBase + 7 && a.value == command) return count;
        }
        return 0xFFFF;
    }
    void PowerCycle()
    {
        lab->lab->PowerCycle();
        lab->fixture->Run(5000);
    }
    TFm& fm() { return lab->fm(); }
    std::unique_ptr<LabProgram> lab;
    sim::AtaDrive* drive = nullptr;
};

TEST_F(Hpa, PermanentSurvivesAPowerCycleTemporaryDoesNot)
{
    Open(PioLab());
    SetMax("100000000");
    EXPECT_TRUE(lab->Logged("Set HPA Command, Max LBA=100000000 (48828 Mb), permanent"));
    EXPECT_EQ(drive->MaxSectors(), 100000000u);
    EXPECT_EQ(lab->p().state.passport.LbaCount, 100000000); // the passport was read again
    EXPECT_EQ(fm().EndLbaEdit.Text(), "99999999");
    PowerCycle();
    EXPECT_EQ(drive->MaxSectors(), 100000000u);

    SetMax("50 Gb", true);
    EXPECT_TRUE(lab->Logged("Set HPA Command, Max LBA=104857600 (51200 Mb), temporarily"));
    EXPECT_EQ(drive->MaxSectors(), 104857600u);
    PowerCycle();
    EXPECT_EQ(drive->MaxSectors(), 100000000u);
}

TEST_F(Hpa, TempBitAndTheReadNativeMaxJustBefore)
{
    Open(PioLab());
    for (bool temporary : {true, false}) {
        lab->bus->Clear();
        SetMax("900000000", temporary);
        // The 48-bit pair, READ NATIVE MAX first, then the passport.
        const std::vector<uint32_t> commands = Commands();
        ASSERT_GE(commands.size(), 3u);
        EXPECT_EQ(std::vector<uint32_t>(commands.begin(), commands.begin() + 3),
                  (std::vector<uint32_t>{0x27, 0x37, 0xEC}));
        EXPECT_EQ(CountAt(0x37), temporary ? 0u : 1u);
        PowerCycle();
    }
}

TEST_F(Hpa, TwentyEightBitSizeIsCappedAfterTheLogLine)
{
    Open(PioLab());
    fm().biglbaChk.SetChecked(false);
    lab->bus->Clear();
    SetMax("300000000", true);
    EXPECT_TRUE(lab->Logged("Set HPA Command, Max LBA=300000000 (146484 Mb), temporarily"));
    EXPECT_EQ(Commands().front(), 0xF8u);
    EXPECT_EQ(Commands()[1], 0xF9u);
    EXPECT_EQ(drive->MaxSectors(), 268435455u); // SET MAX of LBA 0FFFFFFEh
}

TEST_F(Hpa, SizesThatCannotBeSentSendNothing)
{
    Open(PioLab());
    for (const char* text : {"99999999999T", "281474976710657", "0", "Mb"}) {
        SCOPED_TRACE(text);
        lab->bus->Clear();
        const size_t from = lab->LogSize();
        SetMax(text);
        EXPECT_TRUE(Commands().empty());
        const auto lines = lab->LogSince(from);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().level, 4);
        EXPECT_NE(lines.back().text.find("nothing sent"), std::string::npos);
        EXPECT_EQ(drive->MaxSectors(), kNative);
    }
}

TEST_F(Hpa, DriveRefusalsGiveTheirLines)
{
    Open(PioLab());
    SetMax("976773169"); // one beyond the medium
    EXPECT_TRUE(lab->Logged("HPA error! Wrong LBA parameters or need power-restart!"));
    EXPECT_EQ(drive->MaxSectors(), kNative);

    Open(PioLab("Hpa=0\n"));
    SetMax("1000");
    EXPECT_TRUE(lab->Logged("HPA Error!  Error: ABRT. Press 'EXT Passport' key and try again, or else try "
                            "restart HDD"));
    fm().NHPABtn.Click();
    EXPECT_TRUE(lab->Logged("Get native size... command aborted"));
}

TEST_F(Hpa, RhpaPreparesTheNativeSizeAndTheTrackBarWalksIt)
{
    Open(PioLab("MaxSectors=500000000\n"));
    fm().NHPABtn.Click();
    EXPECT_TRUE(lab->Logged("Get native size...OK, 976773168 LBAs (476940 Mb)"));
    EXPECT_EQ(fm().L1.Text(), "976773168");
    EXPECT_EQ(fm().HpaTrack.Position(), 400);

    const int64_t step = static_cast<int64_t>(kNative / 400);
    EXPECT_EQ(lab->p().state.passport.HpaTrackStep, step);
    fm().HpaTrack.SetPosition(200);
    EXPECT_EQ(fm().L1.Text(), std::to_string(step * 200));
    fm().HpaMbBox.SetChecked(true);
    fm().HpaTrack.SetPosition(399);
    EXPECT_EQ(fm().L1.Text(), std::to_string(step * 399 / 2048) + " Mb");
    fm().HpaMbBox.SetChecked(false);
    fm().HpaTrack.SetPosition(400); // the end is the native size, not 400 steps
    EXPECT_EQ(fm().L1.Text(), "976773168");

    fm().HpaBtn.Click();
    EXPECT_EQ(drive->MaxSectors(), kNative);
    EXPECT_EQ(lab->p().state.passport.LbaCount, static_cast<int64_t>(kNative));
}

TEST_F(Hpa, ApiModeOverASataPortAndAUsbBridge)
{
    for (const char* via : {"sata", "usb"}) {
        SCOPED_TRACE(via);
        Open(ApiLab(via), true);
        fm().NHPABtn.Click();
        EXPECT_TRUE(lab->Logged("Get native size...OK, 976773168 LBAs (476940 Mb)"));
        SetMax("200000000", true);
        EXPECT_EQ(drive->MaxSectors(), 200000000u);
        EXPECT_EQ(lab->p().state.passport.LbaCount, 200000000);
        SetMax("976773168", true);
        EXPECT_EQ(drive->MaxSectors(), kNative);
    }
}

TEST_F(Hpa, ApiModeWithoutAnAtaRouteChangesNothing)
{
    Open(ApiLab("scsi"), true);
    fm().NHPABtn.Click();
    EXPECT_TRUE(lab->Logged("Get native size... command aborted"));
    SetMax("1000");
    EXPECT_TRUE(lab->Logged("HPA Error!  Timeout. Press 'EXT Passport' key"));
    EXPECT_EQ(drive->MaxSectors(), kNative);
}

} // namespace
} // namespace mrv::test
