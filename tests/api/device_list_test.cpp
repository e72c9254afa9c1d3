// The device list and the API/PIO switch on the virtual PC's OS devices.

#include "access/access_mode_switch.h"
#include "api_fixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace mrv::test
{
namespace
{

using sim::OsPersonality;

sim::DriveConfig Model(const std::string& model, uint64_t sectors = 2000000)
{
    sim::DriveConfig c;
    c.model = model;
    c.native_sectors = sectors;
    return c;
}

TEST_F(ApiTest, MissingNumberBetweenDrivesIsListedDisconnected)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Model("FIRST DISK"));
    pc.AddPhysical(2, OsPersonality::SataPort, Model("THIRD DISK"));
    Start();
    SwitchToApi();
    ASSERT_EQ(fm().ApiList.RowCount(), 3);
    EXPECT_EQ(Cell(0, kApiNumber), "0");
    EXPECT_EQ(Cell(0, kApiSize), "1 Gb");
    EXPECT_EQ(Cell(0, kApiNote), "FIRST DISK");
    EXPECT_EQ(Cell(0, kApiKind), "1");
    EXPECT_EQ(Cell(1, kApiNumber), "1");
    EXPECT_EQ(Cell(1, kApiSize), "  -");
    EXPECT_EQ(Cell(1, kApiNote), "Disconnected drive");
    EXPECT_EQ(Cell(1, kApiKind), "x");
    EXPECT_EQ(Cell(2, kApiNote), "THIRD DISK");
    EXPECT_EQ(p().state.ApiHighestDevice, 2);
    EXPECT_EQ(fm().ApiDevSpin.Max(), 2);
    // Note colours by kind.
    EXPECT_EQ(fm().ApiList.CellColour(0, kApiNote), form::Colour::FromColorRef(0xDF0000));
    EXPECT_EQ(fm().ApiList.CellColour(1, kApiNote), form::Colour::FromColorRef(0x0000FF));
}

TEST_F(ApiTest, PersonalitiesGiveTheirNotesAndKinds)
{
    sim::DriveConfig big = Model("BIG SECTOR DISK", 500000);
    big.logical_sector_size = 4096;
    big.physical_sector_size = 4096;
    pc.AddPhysical(0, OsPersonality::SataPort, big);
    pc.AddPhysical(1, OsPersonality::UsbSat, Model("USB DISK"));
    pc.AddPhysical(2, OsPersonality::VirtualDisk, Model("VDISK"), false, 32);
    pc.AddPhysical(3, OsPersonality::ScsiBridge, Model("SCSI DISK"), true);
    Start();
    SwitchToApi();
    ASSERT_EQ(fm().ApiList.RowCount(), 4);
    EXPECT_EQ(Cell(0, kApiNote), "BIG SECTOR DISK, sector=4096 B");
    EXPECT_EQ(Cell(0, kApiSize), "2 Gb");
    EXPECT_EQ(Cell(0, kApiKind), "1");
    // Behind USB the legacy SMART request fails: the inquiry names the drive.
    EXPECT_EQ(Cell(1, kApiNote), "USB-SATAUSB DISK        1.00");
    EXPECT_EQ(Cell(1, kApiKind), "0");
    EXPECT_EQ(Cell(2, kApiNote), "Virtual drive");
    EXPECT_EQ(Cell(2, kApiKind), "0");
    EXPECT_EQ(Cell(3, kApiNote), "Removable SCSI    SCSI DISK       1.00");
    EXPECT_EQ(fm().ApiList.CellColour(2, kApiNote), form::Colour::FromColorRef(0x800000));
}

TEST_F(ApiTest, VirtualDiskGetsNoIdentifyAttempt)
{
    pc.AddPhysical(0, OsPersonality::VirtualDisk, Model("VDISK"), false, 32);
    Start();
    fm().PasspBtn.SetEnabled(false); // the row selection would read the passport
    SwitchToApi();
    EXPECT_EQ(Cell(0, kApiNote), "Virtual drive");
    EXPECT_EQ(pc.devices.smart_requests, 0);
    EXPECT_EQ(pc.devices.scsi_commands[0x12], 0);
}

TEST_F(ApiTest, OnlyScsiPassportSkipsIdentify)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Model("SATA DISK"));
    Start();
    fm().PasspBtn.SetEnabled(false);
    fm().OnlyScsiPassChk.SetChecked(true);
    SwitchToApi();
    EXPECT_EQ(pc.devices.smart_requests, 0);
    EXPECT_EQ(Cell(0, kApiNote), "ATA     SATA DISK       1.00");
    EXPECT_EQ(Cell(0, kApiKind), "0");
}

TEST_F(ApiTest, LogicalDrivesByType)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Model("SATA DISK"));
    sim::AtaDrive& stick = pc.NewDrive(Model("STICK", 4000));
    pc.devices.AddLogical('A', {LogicalDriveType::Removable, &stick});
    pc.devices.AddLogical('C', {LogicalDriveType::Fixed, &stick});
    pc.devices.AddLogical('E', {LogicalDriveType::CdRom, nullptr});
    pc.devices.AddLogical('F', {LogicalDriveType::Removable, &stick});
    pc.devices.AddLogical('N', {LogicalDriveType::Remote, nullptr});
    pc.devices.AddLogical('R', {LogicalDriveType::RamDisk, &stick});
    pc.devices.AddLogical('U', {LogicalDriveType::Unknown, nullptr});
    Start();
    SwitchToApi();
    ASSERT_EQ(fm().ApiList.RowCount(), 6);
    const char* expected[][4] = {{"E:", "-", "CD-ROM", "2"},
                                 {"F:", "2 Mb", "Removable drive", "2"},
                                 {"N:", "-", "Network drive", "2"},
                                 {"R:", "2 Mb", "RAM disk", "2"},
                                 {"U:", "-", "Unknown logical", "2"}};
    for (int i = 0; i < 5; ++i) {
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(Cell(1 + i, kApiNumber + c), expected[i][c]) << i << "," << c;
    }
    EXPECT_EQ(fm().ApiList.CellColour(1, kApiNumber), form::Colour::FromColorRef(0x008000));
    EXPECT_EQ(fm().ApiList.CellColour(1, kApiNote), form::Colour::FromColorRef(0x008000));

    // Without "Ignore FDD" the floppy letter is listed; without "Show logical drives" none is.
    fm().IgnoreFddChk.SetChecked(false);
    fm().ApiList.OnColumnClick(1);
    EXPECT_EQ(Cell(1, kApiNumber), "A:");
    fm().ShowLogicalChk.SetChecked(false);
    fm().ApiList.OnColumnClick(1);
    EXPECT_EQ(fm().ApiList.RowCount(), 1);
}

TEST_F(ApiTest, SelectingRowsSetsTheDevice)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Model("A"));
    pc.AddPhysical(1, OsPersonality::SataPort, Model("B"));
    pc.devices.AddLogical('F', {LogicalDriveType::Removable, nullptr});
    Start();
    int passports = 0;
    fm().PasspBtn.OnClick = [&] { ++passports; };
    fm().SmTimerChk.SetChecked(true);
    SwitchToApi();
    EXPECT_EQ(passports, 1); // the switch selects row 0
    fm().ApiList.SelectRow(1);
    EXPECT_EQ(passports, 2);
    EXPECT_EQ(p().state.ApiDeviceIndex, 1);
    EXPECT_EQ(fm().ApiDevSpin.Value(), 1);
    EXPECT_TRUE(fm().ApiDevSpin.Enabled());
    EXPECT_EQ(fm().PortLab.Caption(), "Device 1");
    EXPECT_EQ(fm().PortLab.FontColour(), form::colours::kBlue);
    EXPECT_FALSE(fm().SmTimerChk.Checked());

    fm().ApiList.SelectRow(2);
    EXPECT_EQ(p().state.ApiDeviceIndex, -1);
    EXPECT_EQ(p().state.ApiDriveLetter, 'F');
    EXPECT_FALSE(fm().ApiDevSpin.Enabled());
    EXPECT_EQ(fm().PortLab.Caption(), "Device F:");

    // The spinner clamps to the highest drive and selects its row.
    fm().ApiDevSpin.SetEnabled(true);
    fm().ApiDevSpin.SetValue(0);
    EXPECT_EQ(p().state.ApiDeviceIndex, 0);
    EXPECT_EQ(fm().ApiList.ItemIndex(), 0);
    EXPECT_EQ(fm().PortLab.FontColour(), form::colours::kRed);
}

TEST_F(ApiTest, SwitchShowsHidesAndLogs)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Model("A"));
    Start();
    ASSERT_EQ(p().state.access_mode, AccessMode::Pio);
    fm().PasspBtn.SetEnabled(false);
    fm().SeekModeGrp.SetItemIndex(2);
    SwitchToApi();
    EXPECT_EQ(p().state.access_mode, AccessMode::Api);
    EXPECT_TRUE(fx->Logged("API access enabled, device #0"));
    EXPECT_TRUE(fm().ApiList.Visible());
    EXPECT_TRUE(fm().ApiDevSpin.Visible());
    EXPECT_FALSE(fm().PortPanel.Visible());
    EXPECT_FALSE(fm().RegPanel.Visible());
    EXPECT_TRUE(fm().HPAPanel.Visible()); // RHPA and HPA work through pass-through
    EXPECT_FALSE(fm().DrdyChk.Visible());
    EXPECT_FALSE(fm().IndicatorTimer.Active());
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager (disabled in API) ");
    EXPECT_EQ(fm().StatusBar1.Panels()[HDPn1].text, "Press 'Passport' to init drive");
    EXPECT_EQ(fm().ApiList.ItemIndex(), 0);

    fm().APIRg.SetItemIndex(1);
    EXPECT_EQ(p().state.access_mode, AccessMode::Pio);
    char expected[64];
    std::snprintf(expected, sizeof expected, "PIO access enabled. Base=%02Xh, Alt=%02Xh",
                  p().state.BasePort.load(), p().state.StatusPort.load());
    EXPECT_TRUE(fx->Logged(expected));
    EXPECT_FALSE(fm().ApiList.Visible());
    EXPECT_TRUE(fm().PortPanel.Visible());
    EXPECT_TRUE(fm().RegPanel.Visible());
    EXPECT_TRUE(fm().IndicatorTimer.Active());
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager ");
    EXPECT_EQ(fm().SeekModeGrp.ItemIndex(), 0);
    EXPECT_EQ(fm().PortLab.Caption().rfind("Port ", 0), 0u);
}

TEST_F(ApiTest, ApiStartBuildsTheListWithoutLoggingTheSwitch)
{
    pc.port_access.open_device_error = 5; // no port access: API mode from the start
    pc.AddPhysical(0, OsPersonality::SataPort, Model("A"));
    Start();
    ASSERT_EQ(p().state.access_mode, AccessMode::Api);
    EXPECT_FALSE(fx->Logged("API access enabled"));
    EXPECT_TRUE(fm().ApiList.Visible());
    EXPECT_FALSE(fm().PortPanel.Visible());
    fx->Run(10);
    ASSERT_EQ(fm().ApiList.RowCount(), 1);
    EXPECT_EQ(Cell(0, kApiNote), "A");
}

TEST_F(ApiTest, ASavedDeviceAboveTheHighestShowsTheDeviceUsed)
{
    pc.port_access.open_device_error = 5; // no port access: API mode from the start
    for (int n = 0; n <= 4; ++n)
        pc.AddPhysical(n, OsPersonality::SataPort, Model("DISK " + std::to_string(n)));
    TempDir home;
    std::ofstream(home.Path() / "mrv40.ini") << "[API]\nLast API device=9\n";
    fx = std::make_unique<ProgramFixture>(pc.platform, home.Path());
    fx->Start();
    fx->Run(10);
    EXPECT_EQ(p().state.ApiDeviceIndex, 4);
    EXPECT_EQ(fm().ApiDevSpin.Value(), 4);
    EXPECT_EQ(fm().ApiList.ItemIndex(), 4);
    fx->Quit();
    std::ifstream in(home.Path() / "mrv40.ini");
    const std::string ini((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(ini.find("Last API device=4"), std::string::npos);
}

} // namespace
} // namespace mrv::test
