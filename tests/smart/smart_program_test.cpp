// SMART on the virtual PC: Get SMART in PIO and API mode (SATA port and USB
// bridge), the verdicts, SMART files, the timer, the re-entry guard and the
// self-test commands.

#include "support/lab_session.h"

#include <chrono>
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
[System]
Clock=virtual
[Channel Primary]
Master=nosmart
[Channel Secondary]
Master=hitachi
Slave=bad
[Drive hitachi]
Model=Hitachi HDS721010CLA332
Serial=JP2940HZ1AB2CD
Sectors=1953525168
Temperature=40
ShortTestMinutes=2
OsNumber=0
OsVia=sata
Attr1=0x000B,100,100,16,0
Attr5=0x0033,100,100,5,0
Attr9=0x0012,97,97,0,24071
Attr194=0x0002,150,133,0,193274511400
Attr241=0x0012,100,100,0,281474976710655
[Drive bad]
Model=ST3500418AS
Serial=9VM5ABCD
Sectors=976773168
OsNumber=1
OsVia=usb
Attr5=0x0033,36,36,36,1811
Attr9=0x0032,61,61,0,34567
[Drive nosmart]
Model=QUANTUM FIREBALLlct10 10
Serial=373012345678
Sectors=19925880
Lba48=0
Smart=0
OsNumber=2
OsVia=sata
OsLetter=F:removable
[Drive scsi]
Model=ST373455SS
Serial=3LQ0ABCD
Sectors=143374744
OsNumber=3
OsVia=scsi
)";

/// The lab's port bus, with every byte written recorded.
class RecordingBus : public PortBus
{
  public:
    explicit RecordingBus(PortBus& inner) : inner_(inner) {}
    struct Write {
        uint16_t port;
        uint8_t value;
    };
    std::vector<Write> writes;

    /// Features, count and LBA low of every command written to a channel at `base`.
    std::vector<std::array<int, 3>> Commands(uint16_t base) const
    {
        std::vector<std::array<int, 3>> commands;
        std::array<int, 3> registers{-1, -1, -1};
        for (const Write& w : writes) {
            if (w.port >= base + 1 && w.port <= base + 3)
                registers[static_cast<size_t>(w.port - base - 1)] = w.value;
            if (w.port == base + 7) commands.push_back(registers);
        }
        return commands;
    }

    uint8_t InByte(uint16_t port) override { return inner_.InByte(port); }
    uint16_t InWord(uint16_t port) override { return inner_.InWord(port); }
    uint32_t InDword(uint16_t port) override { return inner_.InDword(port); }
    void OutByte(uint16_t port, uint8_t value) override
    {
        writes.push_back({port, value});
        inner_.OutByte(port, value);
    }
    void OutWord(uint16_t port, uint16_t value) override { inner_.OutWord(port, value); }
    void OutDword(uint16_t port, uint32_t value) override { inner_.OutDword(port, value); }
    void InWords(uint16_t port, uint16_t* dst, size_t count) override { inner_.InWords(port, dst, count); }
    void OutWords(uint16_t port, const uint16_t* src, size_t count) override
    {
        inner_.OutWords(port, src, count);
    }
    void InDwords(uint16_t port, uint32_t* dst, size_t count) override { inner_.InDwords(port, dst, count); }
    void OutDwords(uint16_t port, const uint32_t* src, size_t count) override
    {
        inner_.OutDwords(port, src, count);
    }

  private:
    PortBus& inner_;
};

/// A device that refuses the SMART requests with one features value.
class RefusingDevice : public OsDevice
{
  public:
    RefusingDevice(std::unique_ptr<OsDevice> inner, int refused) : inner_(std::move(inner)), refused_(refused)
    {
    }
    int64_t SetPosition(uint64_t offset) override { return inner_->SetPosition(offset); }
    bool Read(void* b, uint32_t n, uint32_t& done) override { return inner_->Read(b, n, done); }
    bool Write(const void* b, uint32_t n, uint32_t& done) override { return inner_->Write(b, n, done); }
    bool ScsiPassThrough(const ScsiRequest& q, ScsiReply& r) override
    {
        return inner_->ScsiPassThrough(q, r);
    }
    bool SmartRequest(uint8_t drive, const AtaRegisters& in, uint8_t* data, bool data_in,
                      AtaRegisters& out) override
    {
        if (in.command == 0xB0 && in.features == refused_) return false;
        return inner_->SmartRequest(drive, in, data, data_in, out);
    }
    bool IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t length) override
    {
        return inner_->IdePassThrough(regs, data, length);
    }
    bool Geometry(OsGeometry& g) override { return inner_->Geometry(g); }
    uint32_t LastError() const override { return inner_->LastError(); }

  private:
    std::unique_ptr<OsDevice> inner_;
    int refused_;
};

/// The lab's devices; physical drive 0 refuses `refused` SMART requests.
class RefusingDevices : public OsDevices
{
  public:
    explicit RefusingDevices(OsDevices& inner) : inner_(inner) {}
    int refused = -1;
    std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) override
    {
        std::unique_ptr<OsDevice> device = inner_.OpenPhysical(number, error);
        if (number != 0 || !device) return device;
        return std::make_unique<RefusingDevice>(std::move(device), refused);
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

class SmartTest : public ::testing::Test, protected LabSession
{
  protected:
    /// Starts the program; `api` starts it in API mode on physical drive `device`.
    void Start(bool api = false, int device = 0)
    {
        std::string error;
        ASSERT_TRUE(LoadLab(kLab, error)) << error;
        bus = std::make_unique<RecordingBus>(lab->Ports());
        devices = std::make_unique<RefusingDevices>(lab->Devices());
        StartProgram(
            api ? ApiModeSettings(device) : std::string(),
            Platform{*bus, lab->PortAccess(), *devices, lab->System(), lab->GetClock(), lab->PciConfig()});
    }

    int Count(const std::string& text) const
    {
        int n = 0;
        for (const auto& line : fixture->LoggedTexts())
            n += line.find(text) != std::string::npos;
        return n;
    }
    /// The row of attribute `id` (the first one), −1 when absent.
    int RowOf(const std::string& id, const std::string& name = {})
    {
        for (int r = 0; r < fm().SmartList.RowCount(); ++r)
            if (fm().SmartList.Cell(r, kSmartId) == id &&
                (name.empty() || fm().SmartList.Cell(r, kSmartName) == name))
                return r;
        return -1;
    }
    void SelectApiDevice(int number)
    {
        p().state.ApiDeviceIndex = number;
        ASSERT_TRUE(p().passport.TakePassport(false, true));
    }
    uint64_t NowMs() { return lab->GetClock().TickCountMs(); }
    /// A file in the home directory with `bytes` bytes of `fill`.
    fs::path WriteFile(const std::string& name, size_t bytes, uint8_t fill = 0)
    {
        fs::path path = fixture->home() / name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, static_cast<char>(fill));
        return path;
    }

    std::unique_ptr<RecordingBus> bus;
    std::unique_ptr<RefusingDevices> devices;
};

const std::string kDegree = "\xC2\xB0";

TEST_F(SmartTest, PlaceholderAtStartThenF9InPioMode)
{
    Start();
    // The grey placeholder: IDs 1–16, zeros, no custom colours.
    ASSERT_EQ(fm().SmartList.RowCount(), 16);
    EXPECT_EQ(fm().SmartList.Cell(15, kSmartId), "16");
    EXPECT_EQ(fm().SmartList.Cell(15, kSmartName), "Gas gauge");
    EXPECT_EQ(fm().SmartList.Cell(3, kSmartRaw), "0");
    EXPECT_EQ(fm().SmartList.Cell(3, kSmartFlag), "*");
    EXPECT_EQ(fm().SmartList.CellColour(0, kSmartId), form::colours::kGray);

    fm().KeyDown(form::Key::F9);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 1);
    EXPECT_TRUE(fixture->Logged("Get S.M.A.R.T. command... OK"));
    EXPECT_EQ(Count("SMART status = GOOD"), 1);
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "GOOD");
    EXPECT_EQ(fm().SmrtStLabel.FontColour(), form::colours::kNavy);
    EXPECT_EQ(fm().SmartLed.Brush(), form::colours::kLime);
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), "40 " + kDegree + "C");

    // Family 2 (Hitachi): the temperature with its minimum and maximum rows.
    const int t = RowOf("194");
    ASSERT_GE(t, 0);
    EXPECT_EQ(fm().SmartList.Cell(t, kSmartRaw), "40" + kDegree + "C/104" + kDegree + "F");
    EXPECT_EQ(fm().SmartList.Cell(t + 1, kSmartName), "Minimum temperature");
    EXPECT_EQ(fm().SmartList.Cell(t + 2, kSmartName), "Maximum temperature");
    // A lab's raw values are shown exactly, 48 bits included.
    EXPECT_EQ(fm().SmartList.Cell(RowOf("9"), kSmartRaw), "24071");
    EXPECT_EQ(fm().SmartList.Cell(RowOf("241"), kSmartRaw), "281474976710655");
    EXPECT_EQ(fm().SmartList.CellColour(RowOf("5"), kSmartName), form::colours::kPurple);
    EXPECT_EQ(fm().SmartList.CellColour(RowOf("241"), kSmartRaw), form::colours::kMaroon);
    EXPECT_EQ(fm().SmartTestList.RowCount(), 5);
    EXPECT_EQ(fm().SmartTestList.CellColour(4, 1), form::colours::kGreen);
    EXPECT_EQ(fm().SmartTestList.CellColour(4, 2), form::colours::kBlue);

    // "Save BIN": the data block beside the logs.
    fs::path file = p().LogsDir() / "SMART_Hitachi HDS721010CLA332_JP2940HZ1AB2CD.bin";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 512u);
    std::ifstream in(file, std::ios::binary);
    std::array<uint8_t, 512> bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), 512);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), p().state.SectorBuffer.Bytes()));

    // Asking for an attribute the drive does not report is −127, not −126.
    EXPECT_EQ(p().smart.ReadSmart(250, false, {}), -127);
    EXPECT_EQ(p().smart.ReadSmart(5, false, {}), 0);
}

TEST_F(SmartTest, BadSlaveAndDriveWithoutSmart)
{
    Start();
    fm().SlaveChk.SetChecked(true);
    fm().SmartBtn.Click();
    EXPECT_EQ(p().state.passport.Model, "ST3500418AS");
    EXPECT_TRUE(fixture->Logged("SMART status = BAD"));
    EXPECT_EQ(fixture->log.back().level, 4);
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "BAD!");
    EXPECT_EQ(fm().SmartLed.Brush(), form::colours::kRed);
    EXPECT_EQ(fm().SmartList.Cell(RowOf("5"), kSmartLetter), "r");
    // No temperature attribute: " n/a", and the verdict is still read.
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), " n/a");

    fm().SlaveChk.SetChecked(false);
    p().state.PrimaryAllowed = true;
    fm().PortRg.SetItemIndex(0);
    fm().SmartBtn.Click();
    EXPECT_EQ(p().state.passport.Model, "QUANTUM FIREBALLlct10 10");
    EXPECT_EQ(fixture->log.back().text, "Get S.M.A.R.T. command... Error reading S.M.A.R.T!");
    EXPECT_TRUE(fixture->log.back().replaced);
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "UNCN");
    EXPECT_EQ(fm().SmartLed.Brush(), form::colours::kYellow);
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), " n/a");
    EXPECT_EQ(fm().SmartList.RowCount(), 0);
    // An empty block: never started, no self-test, the meter at 0.
    EXPECT_EQ(fm().SmartTestList.Cell(3, 1), "Off-line data collection activity was never started");
    EXPECT_EQ(fm().SmtMeter.Position(), 0);
}

TEST_F(SmartTest, ApiModeSataPortAndUsbBridge)
{
    Start(true, 0);
    ASSERT_EQ(p().state.access_mode, AccessMode::Api);
    fm().SmartBtn.Click();
    EXPECT_TRUE(fixture->Logged("SMART status = GOOD"));
    EXPECT_FALSE(p().state.passport.UsbBridge);
    EXPECT_EQ(fm().SmartList.Cell(RowOf("9"), kSmartRaw), "24071");

    SelectApiDevice(1);
    ASSERT_TRUE(p().state.passport.UsbBridge);
    fm().SmartBtn.Click();
    EXPECT_TRUE(fixture->Logged("SMART status = BAD"));
    // RETURN STATUS answered only through ATA PASS-THROUGH.
    EXPECT_TRUE(p().state.passport.UsbBridge);
    EXPECT_EQ(fm().SmartList.Cell(RowOf("5"), kSmartRaw), "1811");

    // A logical drive has no SMART of its own.
    p().state.ApiDeviceIndex = -1;
    p().state.ApiDriveLetter = 'F';
    fm().SmartBtn.Click();
    EXPECT_EQ(fixture->log.back().text, "Get S.M.A.R.T. command... Error, that's a logical drive!");

    // A drive without ATA gives no SMART data.
    SelectApiDevice(3);
    ASSERT_TRUE(p().state.passport.NonAta);
    fm().SmartBtn.Click();
    EXPECT_EQ(fixture->log.back().text, "Get S.M.A.R.T. command... Error reading S.M.A.R.T!");
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "UNCN");
}

TEST_F(SmartTest, RefusedDataReadAndRefusedThresholdRead)
{
    Start(true, 1);
    fm().SmartBtn.Click(); // the USB drive: its thresholds stay in the buffer
    const std::vector<uint8_t> thresholds(p().state.AuxSectorBuffer.Bytes(),
                                          p().state.AuxSectorBuffer.Bytes() + 512);
    SelectApiDevice(0);
    devices->refused = 0xD1;
    fm().SmartBtn.Click();
    EXPECT_TRUE(fixture->Logged("Get S.M.A.R.T. command... OK"));
    EXPECT_EQ(Count("SMART status = GOOD"), 1);
    EXPECT_TRUE(std::equal(thresholds.begin(), thresholds.end(), p().state.AuxSectorBuffer.Bytes()));
    EXPECT_EQ(fm().SmartList.Cell(0, kSmartThreshold), std::to_string(thresholds[3]));

    devices->refused = 0xD0;
    EXPECT_EQ(p().smart.ReadSmart(194, false, {}), -126);
    EXPECT_EQ(fixture->log.back().text, "Get tresholds... Error!");
    EXPECT_EQ(fixture->log.back().level, 4);
    EXPECT_EQ(fm().SmartList.RowCount(), 0);
    fm().SmartBtn.Click();
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "UNCN");
    EXPECT_EQ(Count("SMART status"), 2); // BAD and GOOD before; nothing after the failed read
}

TEST_F(SmartTest, TimerRepeatsSilentlyButStillReportsReadErrors)
{
    Start();
    fm().SmTimerEdit.SetValue(1);
    fm().SmTimerChk.SetChecked(true);
    EXPECT_EQ(fm().SmTimerLED.Brush(), form::Colour::Rgb(255, 196, 55));
    EXPECT_TRUE(fm().SmartTimer.Active());
    EXPECT_EQ(fm().SmartTimer.Interval(), 1000u);
    fixture->Run(1100);
    // The tick read the table but wrote no status lines.
    EXPECT_EQ(fm().SmartList.RowCount(), 7);
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "GOOD");
    EXPECT_EQ(Count("Get S.M.A.R.T. command..."), 0);
    EXPECT_EQ(Count("SMART status"), 0);

    // The period is read again at every tick.
    fm().SmTimerEdit.SetValue(5);
    fm().SmartTimer.Fire();
    EXPECT_EQ(fm().SmartTimer.Interval(), 5000u);

    p().state.PrimaryAllowed = true;
    fm().PortRg.SetItemIndex(0); // the drive without SMART
    fm().SmartTimer.Fire();
    EXPECT_EQ(Count("Error reading S.M.A.R.T!"), 1);
    EXPECT_FALSE(fixture->log.back().replaced); // a new line: nothing of the timer's was there to replace
    EXPECT_EQ(Count("SMART status"), 0);

    fm().SmTimerChk.SetChecked(false);
    EXPECT_FALSE(fm().SmartTimer.Active());
    EXPECT_EQ(fm().SmTimerLED.Brush(), form::colours::kGray);
}

TEST_F(SmartTest, SecondGetSmartWhileOneRunsDoesNothing)
{
    Start();
    int nested = 0;
    p().ui.Post([&] {
        ++nested;
        EXPECT_TRUE(p().smart.Reading());
        fm().SmartBtn.Click();
    });
    fm().SmartBtn.Click();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(Count("Get S.M.A.R.T. command..."), 2); // the line and its "OK"
    EXPECT_EQ(Count("Get S.M.A.R.T. command... OK"), 1);
    EXPECT_EQ(Count("SMART status = GOOD"), 1);
    EXPECT_FALSE(p().smart.Reading());
    fm().SmartBtn.Click();
    EXPECT_EQ(Count("SMART status = GOOD"), 2);
}

TEST_F(SmartTest, VendorSpecificValueGoesToLbaLow)
{
    Start();
    fm().SmScanBox.SetItemIndex(7);
    EXPECT_TRUE(fm().SmVSTestEdit.Enabled());
    EXPECT_EQ(fm().Focused(), &fm().SmVSTestEdit);
    fm().SmVSTestEdit.SetValue(255);
    bus->writes.clear();
    fm().SmBeginBtn.Click();
    EXPECT_TRUE(fixture->Logged("Starting Vendor specific SMART Test (255)"));
    // The last task file: features D4h, LBA low FFh, then the command.
    const auto& w = bus->writes;
    auto last = [&](uint16_t port) {
        for (auto it = w.rbegin(); it != w.rend(); ++it)
            if (it->port == port) return static_cast<int>(it->value);
        return -1;
    };
    EXPECT_EQ(last(0x171), 0xD4);
    EXPECT_EQ(last(0x173), 0xFF);
    EXPECT_EQ(last(0x174), 0x4F);
    EXPECT_EQ(last(0x175), 0xC2);
    EXPECT_EQ(last(0x177), 0xB0);
    EXPECT_EQ(fm().SmartTestPanel.Geometry().height, 110);

    // A kind from the table writes its value back into the box.
    fm().SmScanBox.SetItemIndex(5);
    EXPECT_FALSE(fm().SmVSTestEdit.Enabled());
    EXPECT_EQ(fm().SmVSTestEdit.Value(), 130);
}

TEST_F(SmartTest, IbmSuperSmartIsSwitchedOnForTheReadAndOffAfter)
{
    Start();
    fm().PasspBtn.Click();
    ASSERT_TRUE(fm().IbmSuperSmart.Enabled()); // a family-2 drive
    fm().IbmSuperSmart.SetChecked(true);
    bus->writes.clear();
    fm().SmartBtn.Click();
    std::vector<std::array<int, 3>> smart;
    for (const auto& c : bus->Commands(0x170))
        if (c[0] >= 0xD0) smart.push_back(c);
    const std::vector<std::array<int, 3>> expected{{0xD8, 1, 1}, {0xF8, 0xF6, 0xB9}, {0xD0, 1, 1},
                                                   {0xD1, 1, 1}, {0xF8, 0, 0},       {0xDA, 1, 1}};
    EXPECT_EQ(smart, expected);
    // The emulated drive knows no such switch; the table comes all the same.
    EXPECT_TRUE(fixture->Logged("SMART status = GOOD"));
}

TEST_F(SmartTest, CaptiveTestIsInterruptedByAbortsReset)
{
    Start();
    fm().SmScanBox.SetItemIndex(4);
    fm().SmBeginBtn.Click();
    EXPECT_TRUE(fixture->Logged("Starting Short (captive) SMART Test (129)"));
    EXPECT_FALSE(fixture->Logged("SMART Test (129) error!"));
    fm().SmAbortBtn.Click();
    EXPECT_TRUE(fixture->Logged("Reset OK"));
    EXPECT_TRUE(fixture->Logged("Send abort SMART test command"));
    fm().SmartBtn.Click();
    EXPECT_EQ(fm().SmartTestList.Cell(4, 1),
              "The self-test routine was interrupted by the host with a hardware or software reset");
    EXPECT_EQ(fm().SmartTestList.CellColour(4, 1), form::colours::kBlue);
}

TEST_F(SmartTest, BeginInApiModeWaitsTwoSecondsEvenWhenRefused)
{
    Start(true, 0);
    fm().SmScanBox.SetItemIndex(1);
    uint64_t before = NowMs();
    fm().SmBeginBtn.Click();
    EXPECT_GE(NowMs() - before, 2000u);
    EXPECT_FALSE(fixture->Logged("error!"));
    fm().SmartBtn.Click();
    EXPECT_EQ(fm().SmartTestList.Cell(4, 1), "Self-test routine in progress !!!");

    // Abort through the IDE register pass-through of the SATA port.
    fm().SmAbortBtn.Click();
    EXPECT_FALSE(fixture->Logged("Error after command!"));
    EXPECT_FALSE(fixture->Logged("Drive reset...")); // no reset in API mode
    fm().SmartBtn.Click();
    EXPECT_EQ(fm().SmartTestList.Cell(4, 1), "The self-test routine was aborted by the host");

    SelectApiDevice(2); // no SMART: the drive refuses
    before = NowMs();
    fm().SmBeginBtn.Click();
    EXPECT_GE(NowMs() - before, 2000u);
    EXPECT_TRUE(fixture->Logged("Off-line short SMART Test (1) error!"));

    SelectApiDevice(3); // no ATA at all: nothing is sent
    fm().SmBeginBtn.Click();
    EXPECT_TRUE(fixture->Logged("Non-ATA device unsupport SMART test's"));
}

TEST_F(SmartTest, SmartFilesAreCheckedBeforeTheListsChange)
{
    Start();
    fm().SmartBtn.Click();
    const int rows = fm().SmartList.RowCount();
    const fs::path saved = p().LogsDir() / "SMART_Hitachi HDS721010CLA332_JP2940HZ1AB2CD.bin";

    // Short file: reported, nothing changes.
    EXPECT_EQ(p().smart.ReadSmart(194, true, WriteFile("short.bin", 511).string()), -126);
    EXPECT_TRUE(fixture->Logged("Error! Incorrect length of file"));
    EXPECT_EQ(fm().SmartList.RowCount(), rows);

    // Not a regular file: a FIFO would block the read, a directory cannot be read.
    const fs::path fifo = fixture->home() / "fifo.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(p().smart.ReadSmart(194, true, fifo.string()), -126);
    EXPECT_EQ(p().smart.ReadSmart(194, true, fixture->home().string()), -126);
    EXPECT_EQ(Count("Error! Can't open file"), 2);
    EXPECT_EQ(fm().SmartList.RowCount(), rows);

    // An empty block of the right size: no rows, the attribute is "not read" (−126).
    EXPECT_EQ(p().smart.ReadSmart(194, true, WriteFile("zeros.bin", 600).string()), -126);
    EXPECT_EQ(fm().SmartList.RowCount(), 0);

    // The saved file shows the same rows again; "Open BIN" shows its temperature.
    fm().SeekTmprtLed.SetCaption("n/a");
    fixture->dialogs.file_answers.push_back(saved.string());
    fm().SmartOpenBinBtn.Click();
    EXPECT_EQ(fixture->dialogs.asked.back().find("Open BIN file of SMART") != std::string::npos, true);
    EXPECT_EQ(fm().SmartList.RowCount(), rows);
    EXPECT_EQ(fm().SmartList.Cell(RowOf("194", "Maximum temperature"), kSmartRaw),
              "45" + kDegree + "C/113" + kDegree + "F");
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), "40 " + kDegree + "C");
}

TEST_F(SmartTest, ClearCopyBigSmallAndThePanelToggle)
{
    Start();
    fm().SmartBtn.Click();
    fm().SmartMenu.Choose(2);
    const std::string& text = fixture->dialogs.clipboard;
    EXPECT_EQ(text.rfind("Hitachi HDS721010CLA332   JP2940HZ1AB2CD\n", 0), 0u);
    EXPECT_NE(text.find("\n  1 Raw read error count          100    100     16            0   \xE2\x80\xA2"),
              std::string::npos);

    fm().SmartMenu.Choose(6);
    EXPECT_TRUE(fm().SmartList.CheckBoxes());
    fm().SmartMenu.Choose(6);
    EXPECT_FALSE(fm().SmartList.CheckBoxes());

    fm().SmartMenu.Open();
    EXPECT_EQ(fm().SmartMenu.Items()[5].caption, "Maximize panel");
    const int list_height = fm().SmartList.Geometry().height;
    fm().SmartList.OnDblClick();
    EXPECT_EQ(fm().SmartTestPanel.Geometry().height, 0);
    EXPECT_GT(fm().SmartList.Geometry().height, list_height);
    fm().SmartMenu.Open();
    EXPECT_EQ(fm().SmartMenu.Items()[5].caption, "Show smart-test panel");
    fm().SmartMenu.Choose(5);
    EXPECT_EQ(fm().SmartTestPanel.Geometry().height, 110);

    fm().SmartMenu.Choose(4);
    EXPECT_EQ(fm().SmartList.RowCount(), 0);
    EXPECT_EQ(fm().SmartTestList.RowCount(), 0);
    EXPECT_EQ(fm().SmartLed.Brush(), form::colours::kBlack);
    EXPECT_EQ(fm().SmrtStLabel.Caption(), "- - - -");
    EXPECT_EQ(fm().SmrtStLabel.FontColour(), form::colours::kGray);
}

} // namespace
} // namespace mrv::test
