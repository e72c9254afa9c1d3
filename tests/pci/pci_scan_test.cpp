// "PCI Scan" in the program on a virtual PC: what is listed with and without
// "All dev" and "M/F", how a selected row becomes the channel, the double
// click, a break part-way, and the refusal without any way to the
// configuration space.

#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "support/program_fixture.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace mrv::test
{
namespace
{

/// Passes reads on to the lab and lets a test act on each.
class TappedPciConfig : public PciConfigSpace
{
  public:
    explicit TappedPciConfig(PciConfigSpace& inner) : inner_(inner) {}
    PciRoute Open(bool ports_granted) override { return route = inner_.Open(ports_granted); }
    uint32_t Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) override
    {
        last_bus = bus;
        last_device = device;
        if (on_read) on_read(bus, device, function, reg);
        return inner_.Read(bus, device, function, reg);
    }
    std::function<void(uint8_t, uint8_t, uint8_t, uint8_t)> on_read;
    PciRoute route = PciRoute::None;
    int last_bus = -1, last_device = -1;

  private:
    PciConfigSpace& inner_;
};

// A drive on each legacy channel and one behind a native controller.
const char* kDrives = "[Channel Primary]\nMaster=a\n[Channel Secondary]\nMaster=b\n"
                      "[Channel Native]\nBase=C000\nAlt=C802\nMaster=c\n"
                      "[Drive a]\nModel=PRIMARY DISK\nSectors=100000\n"
                      "[Drive b]\nModel=SECONDARY DISK\nSectors=100000\n"
                      "[Drive c]\nModel=NATIVE DISK\nSectors=100000\n";

class PciLab
{
  public:
    explicit PciLab(const std::string& lab_text, const std::string& ini = "[Setup]\nAPI Enable=1\n")
    {
        std::string error;
        lab = sim::LoadLabFromText(lab_text, ".", error);
        if (!lab) {
            ADD_FAILURE() << "lab: " << error;
            return;
        }
        pci.emplace(lab->PciConfig());
        platform.emplace(
            Platform{lab->Ports(), lab->PortAccess(), lab->Devices(), lab->System(), lab->GetClock(), *pci});
        fixture = std::make_unique<ProgramFixture>(*platform);
        std::ofstream(fixture->home() / "mrv40.ini") << ini;
        fixture->Start();
        fixture->Run(50); // what start-up posted (the API device list) runs
    }

    TFm& fm() { return fixture->fm(); }
    ProgramImpl& p() { return fixture->impl(); }
    std::vector<std::string> Row(int row)
    {
        std::vector<std::string> cells;
        for (int c = 1; c <= 5; ++c)
            cells.push_back(fm().Psp.Cell(row, c));
        return cells;
    }
    std::vector<std::string> LogSince(size_t from) const
    {
        std::vector<std::string> out;
        for (size_t i = from; i < fixture->log.size(); ++i)
            out.push_back(fixture->log[i].text);
        return out;
    }
    void Scan() { fm().PCIScanBtn.Click(); }

    std::unique_ptr<sim::LabPc> lab;
    std::optional<TappedPciConfig> pci;
    std::optional<Platform> platform;
    std::unique_ptr<ProgramFixture> fixture;
};

using Cells = std::vector<std::string>;

TEST(PciScanTest, ListsTheDisksControllersWithTheirChannels)
{
    PciLab lab(std::string(kDrives) +
               "[Pci]\nDefault=0\n"
               "[Pci isa]\nDevice=7\nVendor=8086\nDeviceId=7110\nClass=06\nSubclass=01\nMultiFunction=1\n"
               "[Pci ide]\nDevice=7\nFunction=1\nVendor=8086\nDeviceId=7111\nClass=01\nSubclass=01\n"
               "[Pci native]\nDevice=9\nVendor=1095\nDeviceId=0680\nClass=01\nSubclass=80\n"
               "Bar0=C001\nBar1=C801\nBar2=C401\nBar3=CC01\n"
               "[Pci nic]\nBus=1\nDevice=3\nVendor=1234\nDeviceId=9999\nClass=02\nSubclass=00\nBar0=E001\n");
    size_t from = lab.fixture->log.size();
    lab.Scan();
    EXPECT_EQ(lab.pci->route, PciRoute::Ports);
    EXPECT_EQ(lab.LogSince(from),
              (Cells{"PCI Bus Scan...", "Intel/82371AB/EB/MB PIIX4 IDE, BUS: 0/DEV: 7/FUN: 1",
                     "CMD/SiI/PCI0680 Ultra ATA-133 Host Controller, BUS: 0/DEV: 9/FUN: 0"}));
    const auto& columns = lab.fm().Psp.Columns();
    ASSERT_EQ(columns.size(), 6u);
    EXPECT_EQ(columns[1].caption, "Vendor");
    EXPECT_EQ(columns[2].caption, " Name/ID");
    EXPECT_EQ(columns[5].caption, "Alt");
    ASSERT_EQ(lab.fm().Psp.RowCount(), 4);
    EXPECT_EQ(lab.Row(0), (Cells{"Intel", "82371AB/EB/MB PIIX4 IDE", "Int ATA", "01F0", "03F6"}));
    EXPECT_EQ(lab.Row(1), (Cells{"Intel", "82371AB/EB/MB PIIX4 IDE", "Int ATA", "0170", "0376"}));
    EXPECT_EQ(lab.Row(2),
              (Cells{"CMD/SiI", "PCI0680 Ultra ATA-133 Host Controller", "Ext ATA", "C000", "C802"}));
    EXPECT_EQ(lab.Row(3),
              (Cells{"CMD/SiI", "PCI0680 Ultra ATA-133 Host Controller", "Ext ATA", "C400", "CC02"}));

    // "All dev": every function, a non-storage one as a single row.
    lab.fm().PCIAllDevChk.SetChecked(true);
    from = lab.fixture->log.size();
    lab.Scan();
    ASSERT_EQ(lab.fm().Psp.RowCount(), 6);
    EXPECT_EQ(lab.Row(0), (Cells{"Intel", "ID 7110*", "ISA brg", "0000", "0002"}));
    EXPECT_EQ(lab.Row(5), (Cells{"1234*", "ID 9999*", "Network", "E000", "0002"}));
    EXPECT_EQ(lab.LogSince(from)[1], "Intel/ID 7110*, BUS: 0/DEV: 7/FUN: 0 M");
    EXPECT_EQ(lab.LogSince(from).back(), "1234*/ID 9999*, BUS: 1/DEV: 3/FUN: 0");
}

TEST(PciScanTest, FunctionsBehindASingleFunctionHeaderNeedMf)
{
    // Function 0 says "single function", yet a controller answers at function 2.
    PciLab lab(std::string(kDrives) +
               "[Pci]\nDefault=0\n"
               "[Pci f0]\nDevice=4\nVendor=10B9\nDeviceId=5229\nClass=01\nSubclass=01\n"
               "[Pci f2]\nDevice=4\nFunction=2\nVendor=10B9\nDeviceId=5228\nClass=01\n"
               "Subclass=04\nBar0=B001\nBar1=B401\n");
    lab.Scan();
    ASSERT_EQ(lab.fm().Psp.RowCount(), 2);
    EXPECT_EQ(lab.Row(0)[1], "M5229 IDE");
    lab.fm().MFDevChk.SetChecked(true);
    lab.Scan();
    ASSERT_EQ(lab.fm().Psp.RowCount(), 4);
    EXPECT_EQ(lab.Row(2), (Cells{"ALi/ULi", "M5228 ALi ATA/RAID Controller", "RAID", "B000", "B402"}));
}

TEST(PciScanTest, SelectingARowMakesItsPortsTheChannel)
{
    PciLab lab(kDrives, "[Setup]\nAPI Enable=1\n[ATA Port]\nChannel=1\n");
    lab.Scan(); // the default bus: PIIX4 (legacy) and a native controller at D400h/D802h
    ASSERT_EQ(lab.fm().Psp.RowCount(), 4);
    SharedState& st = lab.p().state;
    lab.fm().Psp.SelectRow(2);
    EXPECT_EQ(st.BasePort, 0xD400);
    EXPECT_EQ(st.AltPort, 0xD802);
    EXPECT_EQ(st.StatusPort, 0xD802);
    EXPECT_EQ(lab.fm().BaseEdit.Text(), "D400");
    EXPECT_EQ(lab.fm().AltEdit.Text(), "D802");
    EXPECT_TRUE(lab.fm().BaseEdit.Enabled());
    EXPECT_EQ(lab.fm().PortRg.ItemIndex(), 2);
    EXPECT_EQ(lab.fm().PortLab.Caption(), "Port D400h");
    lab.fm().Psp.SelectRow(1);
    EXPECT_EQ(st.BasePort, 0x170);
    EXPECT_EQ(st.AltPort, 0x376);
    EXPECT_EQ(lab.fm().PortRg.ItemIndex(), 1);

    // The primary channel stays protected: its row is ignored, and a double
    // click there says why instead of reading the drive of another channel.
    lab.fm().Psp.SelectRow(0);
    EXPECT_EQ(st.BasePort, 0x170);
    size_t from = lab.fixture->log.size();
    lab.fm().Psp.OnDblClick();
    EXPECT_EQ(lab.LogSince(from), Cells{"Primary port is blocked. Please, read manual"});
}

TEST(PciScanTest, PrimaryRowIsTakenWhenThePrimaryChannelIsEnabled)
{
    PciLab lab(kDrives, "[Setup]\nAPI Enable=1\n[ATA Port]\nChannel=1\nEnable PM=1\n");
    lab.Scan();
    lab.fm().Psp.SelectRow(0);
    EXPECT_EQ(lab.p().state.BasePort, 0x1F0);
    EXPECT_EQ(lab.fm().PortRg.ItemIndex(), 0);
    lab.fm().NonDestrChk.SetChecked(true); // the preset withdraws the permission
    lab.fm().Psp.SelectRow(1);
    lab.fm().Psp.SelectRow(0);
    EXPECT_EQ(lab.p().state.BasePort, 0x170);
}

TEST(PciScanTest, DoubleClickTakesThePassportOfTheRowsDrive)
{
    PciLab lab(std::string(kDrives) +
               "[Pci]\nDefault=0\n"
               "[Pci native]\nDevice=9\nVendor=1095\nDeviceId=3112\nClass=01\nSubclass=04\n"
               "Bar0=C001\nBar1=C801\n"
               "[Pci nic]\nDevice=10\nVendor=8086\nDeviceId=100E\nClass=02\nBar0=0171\n");
    lab.fm().PCIAllDevChk.SetChecked(true);
    lab.Scan();
    ASSERT_EQ(lab.fm().Psp.RowCount(), 3);
    lab.fm().Psp.SelectRow(0);
    lab.fm().Psp.OnDblClick();
    EXPECT_TRUE(lab.fixture->Logged("Model: NATIVE DISK"));
    // The list shows the passport now: a double click resizes the panel again.
    EXPECT_EQ(lab.fm().Psp.Columns()[1].caption, "Subj:");
    const int width = lab.fm().PspPanel.Geometry().width;
    lab.fm().Psp.OnDblClick();
    EXPECT_NE(lab.fm().PspPanel.Geometry().width, width);

    // Another device's I/O range never becomes the channel.
    lab.Scan();
    lab.fm().Psp.SelectRow(2);
    EXPECT_EQ(lab.p().state.BasePort, 0xC000);
    size_t from = lab.fixture->log.size();
    lab.fm().Psp.OnDblClick();
    EXPECT_EQ(lab.LogSince(from), Cells{"No ATA channel in this row"});

    // Without "Get passport on PCI double click" the row is only selected.
    lab.fm().PspDblChk.SetChecked(false);
    lab.fm().Psp.SelectRow(0);
    from = lab.fixture->log.size();
    lab.fm().Psp.OnDblClick();
    EXPECT_TRUE(lab.LogSince(from).empty());
}

TEST(PciScanTest, BreakEndsTheScanWhereItIs)
{
    PciLab lab(kDrives);
    lab.pci->on_read = [&](uint8_t bus, uint8_t device, uint8_t, uint8_t) {
        if (bus == 0 && device == 9) lab.p().state.BreakRequested = true;
    };
    lab.Scan();
    // The PIIX4 before the break is listed; the native controller probed when
    // the break came is finished, nothing after it is read.
    EXPECT_EQ(lab.pci->last_bus, 0);
    EXPECT_EQ(lab.pci->last_device, 9);
    EXPECT_EQ(lab.fm().Psp.RowCount(), 4);
    lab.pci->on_read = nullptr;
    lab.Scan(); // the next scan clears the break and walks everything
    EXPECT_EQ(lab.pci->last_bus, 10);
    EXPECT_EQ(lab.pci->last_device, 31);
}

TEST(PciScanTest, WithoutPortAccessTheSystemsCopyIsReadOrTheScanRefused)
{
    const std::string no_driver = std::string(kDrives) + "[PortAccess]\nDriverFile=0\n";
    {
        PciLab lab(no_driver);
        ASSERT_EQ(lab.p().state.access_mode, AccessMode::Api);
        size_t from = lab.fixture->log.size();
        lab.fm().PspMenu.Choose(6); // "PCI Scan"
        EXPECT_EQ(lab.LogSince(from), Cells{"PCI Bus Scan is disability w/o porttalk!"});
        EXPECT_FALSE(lab.fm().PCIScanBtn.Enabled());
        EXPECT_EQ(lab.fm().Psp.Columns()[1].caption, "Subj:");
    }
    PciLab lab(no_driver + "[Pci]\nSysfs=1\n");
    ASSERT_EQ(lab.fm().PspMenu.Items()[6].caption, "PCI Scan");
    lab.fm().PspMenu.Choose(6);
    EXPECT_EQ(lab.pci->route, PciRoute::System);
    ASSERT_EQ(lab.fm().Psp.RowCount(), 4);
    EXPECT_EQ(lab.Row(2)[3], "D400");
    // The row sets the channel, but a passport through the ports needs port access.
    lab.fm().Psp.SelectRow(2);
    EXPECT_EQ(lab.p().state.BasePort, 0xD400);
    size_t from = lab.fixture->log.size();
    lab.fm().Psp.OnDblClick();
    EXPECT_EQ(lab.LogSince(from), Cells{"PortTalk driver not installed! Available only API access"});
}

} // namespace
} // namespace mrv::test
