// The passport on the virtual PC: PIO and API acquisition, the same-drive
// test, passport files, and the list, panes and lamps it fills.

#include "identify_builder.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "sim/sim_os_devices.h"
#include "support/program_fixture.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace mrv::test
{
namespace
{

namespace fs = std::filesystem;

const char* kLab = R"(
[Channel Secondary]
Master=hdd
[Drive hdd]
Model=WDC WD5000AAKX-00ERMA0
Serial=WD-WCC2EVL12345
Firmware=15.01H15
Sectors=976773168
Rpm=7200
[Drive usb]
Model=ST2000DM001-1CH164
Serial=Z1E0ABCD
Firmware=CC27
Sectors=3907029168
[Drive ssd]
Type=ssd
Model=MORVANTA SSD 120GB
Serial=MVS0120A0001
Sectors=234441648
)";

/// A floppy drive as the system shows it: geometry only, no SCSI answers.
class FloppyDevice : public OsDevice
{
  public:
    int64_t SetPosition(uint64_t offset) override { return static_cast<int64_t>(offset); }
    bool Read(void*, uint32_t, uint32_t& done) override { return (done = 0), false; }
    bool Write(const void*, uint32_t, uint32_t& done) override { return (done = 0), false; }
    bool ScsiPassThrough(const ScsiRequest&, ScsiReply&) override { return false; }
    bool SmartRequest(uint8_t, const AtaRegisters&, uint8_t*, bool, AtaRegisters&) override { return false; }
    bool IdePassThrough(AtaRegisters&, uint8_t*, uint32_t) override { return false; }
    bool Geometry(OsGeometry& g) override
    {
        g = OsGeometry{80, 2, 2, 18, 512};
        return true;
    }
    uint32_t LastError() const override { return 1; }
};

/// The lab's devices, with a floppy as physical drive 9.
class DevicesWithFloppy : public OsDevices
{
  public:
    explicit DevicesWithFloppy(OsDevices& inner) : inner_(inner) {}
    std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) override
    {
        if (number == 9) return std::make_unique<FloppyDevice>();
        return inner_.OpenPhysical(number, error);
    }
    std::unique_ptr<OsDevice> OpenLogical(char letter, uint32_t& error) override
    {
        return inner_.OpenLogical(letter, error);
    }
    uint32_t LogicalDriveMask() override { return inner_.LogicalDriveMask(); }
    LogicalDriveType DriveType(char letter) override { return inner_.DriveType(letter); }

  private:
    OsDevices& inner_;
};

class PassportTest : public ::testing::Test
{
  protected:
    /// Starts the program; `api` starts it in API mode on physical drive `device`.
    void Start(bool api = false, int device = 0)
    {
        std::string error;
        lab = sim::LoadLabFromText(kLab, ".", error);
        ASSERT_TRUE(lab) << error;
        auto& devices = dynamic_cast<sim::SimOsDevices&>(lab->Devices());
        auto slot = [this](sim::OsPersonality personality, const char* drive) {
            sim::OsDriveSlot s;
            s.personality = personality;
            s.drive = lab->Drive(drive);
            return s;
        };
        devices.AddPhysical(0, slot(sim::OsPersonality::SataPort, "hdd"));
        devices.AddPhysical(1, slot(sim::OsPersonality::UsbSat, "usb"));
        devices.AddPhysical(2, slot(sim::OsPersonality::ScsiBridge, "ssd"));
        wrapped = std::make_unique<DevicesWithFloppy>(devices);
        platform.emplace(Platform{lab->Ports(), lab->PortAccess(), *wrapped, lab->System(), lab->GetClock(),
                                  lab->PciConfig()});
        fixture = std::make_unique<ProgramFixture>(*platform);
        if (api)
            std::ofstream(fixture->home() / "mrv40.ini")
                << "[Setup]\nAPI Enable=0\n[API]\nLast API device=" << device << "\n";
        fixture->Start();
    }

    ProgramImpl& p() { return fixture->impl(); }
    TFm& fm() { return fixture->fm(); }
    int Count(const std::string& text) const
    {
        int n = 0;
        for (const auto& line : fixture->LoggedTexts())
            n += line.find(text) != std::string::npos;
        return n;
    }
    std::string Cell(const std::string& label, int column = 2)
    {
        for (int r = 0; r < fm().Psp.RowCount(); ++r)
            if (fm().Psp.Cell(r, 1) == label) return fm().Psp.Cell(r, column);
        return "<absent>";
    }
    fs::path PassportFile(const std::string& model, const std::string& serial)
    {
        return p().LogsDir() / PassportFileName(model, serial);
    }
    void SelectApiDevice(int number) { p().state.ApiDeviceIndex = number; }

    std::unique_ptr<sim::LabPc> lab;
    std::unique_ptr<DevicesWithFloppy> wrapped;
    std::optional<Platform> platform;
    std::unique_ptr<ProgramFixture> fixture;
};

TEST_F(PassportTest, F2InPioModeFillsListPanesLampsAndWritesTheFileOnce)
{
    Start();
    ASSERT_EQ(p().state.access_mode, AccessMode::Pio);
    fm().KeyDown(form::Key::F2);

    const DrivePassport& d = p().state.passport;
    EXPECT_EQ(d.Model, "WDC WD5000AAKX-00ERMA0");
    EXPECT_EQ(d.LbaCount, 976773168);
    EXPECT_EQ(d.ModelFamily, 5);
    EXPECT_EQ(Cell("Model:"), "WDC WD5000AAKX-00ERMA0");
    EXPECT_EQ(Cell("Serial:"), "WD-WCC2EVL12345");
    EXPECT_EQ(Cell("Disk size:"), "976773168 LBAs");
    EXPECT_EQ(Cell("Disk size:", 3), "500 Gb");
    EXPECT_TRUE(fixture->Logged(
        "Model: WDC WD5000AAKX-00ERMA0; Capacity: 976773168 LBAs; SN: WD-WCC2EVL12345; FW: 15.01H15"));
    EXPECT_EQ(fm().StatusBar1.Panels()[HDPn1].text, "WDC WD5000AAKX-00ERMA0");
    EXPECT_EQ(fm().StatusBar1.Panels()[HdPn2].text, "SN: WD-WCC2EVL12345");
    EXPECT_EQ(fm().StatusBar1.Panels()[HdPn4].text, "976773168 LBA (500 Gb)");
    EXPECT_EQ(fm().SSDLabel.Caption(), "7200 rpm");
    EXPECT_EQ(fm().SSDLed.Brush(), form::Colour::Rgb(0, 128, 255));
    EXPECT_EQ(fm().SataDevLed.Brush(), form::colours::kYellow);
    EXPECT_EQ(fm().EndLbaEdit.Text(), "976773167");
    EXPECT_EQ(fm().SeekEndLbaEdit.Text(), "976773167");
    EXPECT_EQ(fm().Psp.CellColour(0, 2), form::colours::kNavy);

    fs::path file = PassportFile(d.Model, d.Serial);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 512u);
    std::ifstream in(file, std::ios::binary);
    std::array<uint8_t, 512> bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), 512);
    EXPECT_EQ(bytes[27 * 2 + 1], 'W'); // high byte first: "WD" is stored as 0x5744
    EXPECT_EQ(bytes[27 * 2], 'D');

    // The same drive again through another command: nothing reported, no file.
    fs::remove(file);
    ASSERT_TRUE(p().passport.TakePassport(true, true));
    EXPECT_EQ(Count("Model: WDC"), 1);
    EXPECT_FALSE(fs::exists(file));
    // The button always reports, but the model is not new: still no file.
    fm().PASSBtn.Click();
    EXPECT_EQ(Count("Model: WDC"), 2);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(PassportTest, ColoursFollowTheListAndCanBeSwitchedOff)
{
    Start();
    fm().PasspBtn.Click();
    int cache = -1;
    for (int r = 0; r < fm().Psp.RowCount(); ++r)
        if (fm().Psp.Cell(r, 1) == "CACHE:") cache = r;
    ASSERT_GE(cache, 4);
    EXPECT_EQ(fm().Psp.CellColour(cache, 3), form::colours::kGreen);
    fm().DisClinPassChk.SetChecked(true);
    EXPECT_EQ(fm().Psp.CellColour(cache, 3), fm().Psp.FontColour());
}

TEST_F(PassportTest, EachSerialOfOneModelGetsItsFileButTheSameDriveOnlyOne)
{
    Start();
    fm().PasspBtn.Click();
    const fs::path file = PassportFile(p().state.passport.Model, p().state.passport.Serial);
    ASSERT_TRUE(fs::exists(file));
    // The same drive again: no second file.
    fs::remove(file);
    ASSERT_TRUE(p().passport.TakePassport(true, true));
    EXPECT_FALSE(fs::exists(file));
    // A drive of the same model with another serial (a batch of one model).
    p().passport.LastPassport.serial = "OTHER";
    ASSERT_TRUE(p().passport.TakePassport(true, true));
    EXPECT_EQ(Count("Model: WDC"), 2); // the first and the other serial
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(PassportTest, PassportFilesThatAreNoFilesAreRefusedWithoutWaiting)
{
    Start();
    // A named pipe with no writer would block a plain open forever.
    const fs::path pipe = fixture->home() / "pipe.bin";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fixture->dialogs.file_answers.push_back(pipe.string());
    fm().OpenBinBtn.Click();
    EXPECT_TRUE(fixture->Logged("Error! Can't open file " + pipe.string() + " (a named pipe)"));
    EXPECT_EQ(fm().EndLbaEdit.Text(), "-1");
    fixture->dialogs.file_answers.push_back("/dev/zero");
    fm().OpenBinBtn.Click();
    EXPECT_TRUE(fixture->Logged("Error! Can't open file /dev/zero (a character device)"));
    fixture->dialogs.file_answers.push_back(fixture->home().string());
    fm().OpenBinBtn.Click();
    EXPECT_TRUE(fixture->Logged("(a directory)"));

    // Nor is one written over a pipe standing where the passport file goes.
    const DrivePassport& d = p().state.passport;
    fm().PasspBtn.Click();
    const fs::path file = PassportFile(d.Model, d.Serial);
    fs::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    p().passport.LastPassport.serial = "OTHER";
    ASSERT_TRUE(p().passport.TakePassport(true, true));
    EXPECT_TRUE(fixture->Logged("Error! Can't write file " + file.string() + " (a named pipe)"));
}

TEST_F(PassportTest, PassportFilesOfWrongAndLongerLength)
{
    Start();
    fs::path short_file = fixture->home() / "short.bin";
    std::ofstream(short_file, std::ios::binary) << std::string(511, 'x');
    fixture->dialogs.file_answers.push_back(short_file.string());
    fm().OpenBinBtn.Click();
    EXPECT_TRUE(fixture->Logged("Error! Incorrect length of file"));
    EXPECT_EQ(fm().EndLbaEdit.Text(), "-1");

    IdentifyWords w = MakeIdentify("FUJITSU MPG3204AT", "VP1234", "81.0A", 40021632);
    std::string bytes(1024, '\xEE');
    for (size_t i = 0; i < 256; ++i) {
        bytes[2 * i] = static_cast<char>(w[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(w[i] >> 8);
    }
    fs::path long_file = fixture->home() / "long.bin";
    std::ofstream(long_file, std::ios::binary) << bytes;
    fixture->dialogs.file_answers.push_back(long_file.string());
    size_t before = fixture->log.size();
    fm().OpenBinBtn.Click();
    EXPECT_EQ(Cell("Model:"), "FUJITSU MPG3204AT");
    EXPECT_EQ(p().state.passport.ModelFamily, 14);
    EXPECT_EQ(fm().EndLbaEdit.Text(), "40021631");
    EXPECT_EQ(fixture->log.size(), before); // no model line for a file
    EXPECT_EQ(p().passport.LastPassport.model, "");
    ASSERT_FALSE(fixture->dialogs.asked.empty());
    EXPECT_NE(fixture->dialogs.asked.back().find("Open BIN file of passport"), std::string::npos);

    // A drive without LBA: the list is filled but no size comes back.
    w[49] = 0;
    std::ofstream(long_file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(w.data()), 512);
    EXPECT_EQ(p().passport.ReadPassport(true, long_file.string()), -1);
    EXPECT_EQ(Cell("Disk size:"), "LBA not supported");
}

TEST_F(PassportTest, SataPortInApiMode)
{
    Start(true, 0);
    ASSERT_EQ(p().state.access_mode, AccessMode::Api);
    fixture->Run(3000); // the drive finishes spinning up; the SMART request does not wait for it
    fm().PasspBtn.Click();
    EXPECT_EQ(fm().Psp.Columns()[2].caption, "       Drive ATA passport:");
    EXPECT_EQ(fm().Psp.BackColour(), form::Colour::Rgb(240, 255, 240));
    EXPECT_EQ(Cell("Model:"), "WDC WD5000AAKX-00ERMA0");
    EXPECT_FALSE(p().state.passport.NonAta);
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager (disabled in API) ");

    // "Only SCSI passport command": the same ATA drive as a SCSI device.
    fm().OnlyScsiPassChk.SetChecked(true);
    fm().PasspBtn.Click();
    EXPECT_TRUE(p().state.passport.NonAta);
    EXPECT_EQ(fm().Psp.Columns()[2].caption, "    SCSI  Drive passport:");
    EXPECT_EQ(p().state.passport.LbaCount, 976773168);
}

TEST_F(PassportTest, UsbBridgeInApiMode)
{
    Start(true, 1);
    fm().PasspBtn.Click();
    EXPECT_EQ(fm().Psp.Columns()[2].caption, "      Passport from USB:");
    EXPECT_TRUE(p().state.passport.UsbBridge);
    EXPECT_EQ(Cell("Model:"), "ST2000DM001-1CH164");
    EXPECT_EQ(p().state.passport.ModelFamily, 4);
    EXPECT_EQ(fm().LabelVirtual.Caption(), "USB drive");
    EXPECT_EQ(fm().VirtDrvLed.Brush(), form::Colour::Rgb(49, 4, 225));
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager: USB-mode ");
}

TEST_F(PassportTest, ScsiOnlyDriveAndFloppyInApiMode)
{
    Start(true, 2);
    fm().PasspBtn.Click();
    const DrivePassport& d = p().state.passport;
    EXPECT_TRUE(d.NonAta);
    EXPECT_EQ(fm().Psp.Columns()[2].caption, "    SCSI  Drive passport:");
    EXPECT_EQ(Cell("Features:"), "Non ATA, HDD");
    EXPECT_TRUE(fixture->Logged("Model: " + d.Model + "; Capacity: 234441648 LBAs"));
    EXPECT_EQ(fm().AAMLed.Caption(), "AAM");
    EXPECT_FALSE(fm().TermoCtrlBox.Enabled());
    EXPECT_FALSE(fs::exists(PassportFile(d.Model, d.Serial))); // no file for a SCSI passport

    SelectApiDevice(9);
    fm().PasspBtn.Click();
    EXPECT_EQ(p().state.passport.Model, "Floppy disk");
    EXPECT_EQ(Cell("Features:"), "Non ATA, Removable, FDD");
    EXPECT_EQ(p().state.passport.LbaCount, 2880);
    EXPECT_EQ(fm().RemDrvLed.Brush(), form::Colour::Rgb(0, 255, 0));
    EXPECT_FALSE(fm().ErLogBx600.Checked());
}

TEST_F(PassportTest, MissingApiDeviceIsADriveError)
{
    Start(true, 0);
    SelectApiDevice(5);
    EXPECT_FALSE(p().passport.TakePassport(true, true));
    EXPECT_TRUE(fixture->Logged("Get drive passport: Drive error!"));
    EXPECT_EQ(fm().StatusBar1.Panels()[HDPn1].text, "Passport error!");
}

TEST_F(PassportTest, PopupMenuAndPanelWidth)
{
    Start();
    fm().PasspBtn.Click();
    fm().PspMenu.Open();
    EXPECT_EQ(fm().PspMenu.Items()[5].caption, "Maximize");
    fm().Psp.OnDblClick();
    EXPECT_EQ(fm().PspPanel.Geometry().width, 426);
    fm().PspMenu.Open();
    EXPECT_EQ(fm().PspMenu.Items()[5].caption, "Show ALL");
    fm().PspMenu.Choose(1);
    std::string all = fixture->dialogs.clipboard;
    EXPECT_EQ(all.substr(0, 11 + 27), "    Model: WDC WD5000AAKX-00ERMA0     ");
    fm().Psp.SelectRow(2);
    fm().PspMenu.Choose(2);
    EXPECT_EQ(fixture->dialogs.clipboard, "WD-WCC2EVL12345");
}

} // namespace
} // namespace mrv::test
