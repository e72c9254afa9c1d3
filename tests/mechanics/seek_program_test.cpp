// The seek test, the acoustic level and the temperature watch on the virtual
// PC: the measured access time against the drive's mechanics, the timeout and
// drive-error ends, the exclusion with the surface scan, and the AAM commands
// in both access modes.

#include "pio/pio_fixture.h"
#include "scan/scan_walk.h"
#include "sim/ata_drive.h"
#include "sim/mechanics_model.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

constexpr uint64_t kSectors = 4000000;

std::string PioLab(const std::string& extra = {})
{
    return "[Pci]\nDefault=0\n[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=" +
           std::to_string(kSectors) + "\n" + extra;
}

std::string ApiLab(const std::string& via)
{
    return "[System]\nKernel=Linux 6.1.0 x64\n[PortAccess]\nDriverFile=0\nRestrict=refuse\n[Pci]\nDefault=0\n"
           "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=4000000\nOsNumber=1\nOsVia=" +
           via + "\n";
}

class SeekTestLab : public ::testing::Test
{
  protected:
    void Open(const std::string& lab_text)
    {
        lab = std::make_unique<LabProgram>(lab_text);
        ASSERT_TRUE(lab->lab);
        drive = lab->lab->Drives().front().get();
        if (lab->p().state.access_mode == AccessMode::Api) lab->p().state.ApiDeviceIndex = 1;
        lab->fm().PasspBtn.Click();
        ASSERT_TRUE(lab->Logged("Model:"));
    }
    TFm& fm() { return lab->fm(); }
    ProgramImpl& p() { return lab->p(); }
    bool Logged(const std::string& text) const { return lab->Logged(text); }
    void Range(const std::string& start, const std::string& end, int method, const std::string& limit = "250")
    {
        fm().SeekStartLbaEdit.SetText(start);
        fm().SeekEndLbaEdit.SetText(end);
        fm().SeekModeGrp.SetItemIndex(method);
        fm().SeekTioEdit.SetText(limit);
    }
    bool SeekRuns() { return p().seek.Worker().Running(); }
    /// Lets the test run until `done` or `ms` of virtual time have passed.
    template <typename Done> void RunUntil(Done done, uint32_t ms = 600000)
    {
        for (uint32_t t = 0; t < ms && !done(); t += 20)
            lab->fixture->Run(20);
    }
    void RunToEnd()
    {
        RunUntil([this] { return !SeekRuns(); });
        ASSERT_FALSE(SeekRuns());
    }

    std::unique_ptr<LabProgram> lab;
    sim::AtaDrive* drive = nullptr;
};

/// The mean time of a one-sector access at uniformly drawn positions as the
/// drive's mechanics give it: with 48-bit addressing the program sends the
/// "Seek" method as READ VERIFY EXT, which adds the rotational latency.
double ModelMeanAccessMs(const sim::DriveConfig& config)
{
    sim::MechanicsModel model(config, kSectors);
    RandomDraw draw(11);
    uint64_t now = 0, total = 0;
    constexpr int kDraws = 20000;
    for (int i = 0; i < kDraws; ++i) {
        // The program's own time between accesses puts the platter anywhere.
        now += draw.Below(model.RevolutionNs());
        const sim::AccessTiming t =
            model.Access(now, draw.Below(kSectors - 1), 1, sim::AccessKind::Verify, false, false);
        total += t.first_ready_ns - now;
        now = t.first_ready_ns;
    }
    return static_cast<double>(total) / kDraws / 1e6;
}

TEST_F(SeekTestLab, AverageAccessTimeIsTheMechanicsOne)
{
    Open(PioLab());
    ASSERT_EQ(drive->Config().rpm, 7200);
    ASSERT_TRUE(fm().biglbaChk.Checked());
    Range("0", std::to_string(kSectors - 1), 0);
    fm().SeekBtn.Click();
    ASSERT_TRUE(SeekRuns());
    EXPECT_EQ(fm().SeekBtn.Caption(), "Stop");
    EXPECT_TRUE(Logged("Starting mechanical test: 0...3999999 LBA, Timeout = 250ms"));
    RunUntil([this] { return p().seek.state.SeekCount >= 256; });
    fm().SeekBtn.Click();
    RunToEnd();
    const double expected = ModelMeanAccessMs(drive->Config());
    const double measured = std::stod(fm().SeekTimeLed.Caption());
    std::printf("average access time: model %.2f ms, measured %.1f ms\n", expected, measured);
    EXPECT_NEAR(measured, expected, expected * 0.15);
    EXPECT_EQ(fm().SeekTimeLed.Caption().substr(fm().SeekTimeLed.Caption().size() - 3), " ms");
    EXPECT_EQ(fm().SeekBtn.Caption(), "Start");
    EXPECT_TRUE(Logged("Command interrupted by user!"));
    EXPECT_FALSE(Logged("Seek timeout error"));
    EXPECT_FALSE(Logged("Seek unknown error"));
    EXPECT_FALSE(drive->Standby()) << "a break leaves the spindle turning";
}

TEST_F(SeekTestLab, SlowSectorEndsWithATimeoutAndStopsTheSpindle)
{
    Open(PioLab("Slow=3000:400\n"));
    Range("3000", "3001", 1, "100");
    fm().SeekBtn.Click();
    RunToEnd();
    EXPECT_TRUE(Logged("Seek timeout error: "));
    EXPECT_TRUE(Logged(" ms! (LBA 3000)"));
    EXPECT_EQ(p().seek.state.SeekCount, 0u);
    EXPECT_TRUE(drive->Standby());
    EXPECT_EQ(fm().SeekBtn.Caption(), "Start");
    EXPECT_EQ(fm().ActivityImg.Hint(), "Seek complete");
}

TEST_F(SeekTestLab, UnreadableSectorEndsWithADriveErrorInVerify)
{
    Open(PioLab("Unreadable=4100\n"));
    Range("4100", "4101", 1, "5000");
    fm().SeekBtn.Click();
    RunToEnd();
    EXPECT_TRUE(Logged("Seek unknown error! (LBA 4100)"));
    EXPECT_FALSE(Logged("Seek timeout error"));
    EXPECT_TRUE(drive->Standby());
}

TEST_F(SeekTestLab, ScanAndSeekTestExcludeEachOther)
{
    Open(PioLab());
    Range("0", std::to_string(kSectors - 1), 1);
    fm().SeekBtn.Click();
    RunUntil([this] { return p().seek.state.SeekCount >= 3; });
    ASSERT_TRUE(SeekRuns());

    fm().StartLbaEdit.SetText("0");
    fm().EndLbaEdit.SetText(std::to_string(kSectors - 1));
    fm().ScanStartBtn.Click();
    EXPECT_TRUE(Logged("Seek was terminated by Scan!"));
    EXPECT_FALSE(SeekRuns());
    EXPECT_EQ(fm().SeekBtn.Caption(), "Start");
    ASSERT_TRUE(p().scan_worker->Running());

    lab->fixture->Run(100);
    fm().SeekBtn.Click();
    EXPECT_TRUE(Logged("Scan was terminated by Seek!"));
    EXPECT_FALSE(p().scan_worker->Running());
    EXPECT_EQ(fm().ScanStartBtn.Caption(), "Start");
    ASSERT_TRUE(SeekRuns());

    fm().BreakAllBtn.Click();
    RunToEnd();
    EXPECT_EQ(fm().SeekBtn.Caption(), "Start");
    EXPECT_FALSE(Logged("Seek unknown error"));
    EXPECT_FALSE(drive->Standby());
}

TEST_F(SeekTestLab, TemperatureFollowsTheTurningSpindle)
{
    Open(PioLab("Temperature=30\n"));
    Range("0", "1000", 0);
    fm().SeekBtn.Click();
    EXPECT_TRUE(Logged("HDA temperature = 30 \xC2\xB0"
                       "C"));
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), "30 \xC2\xB0"
                                           "C");
    fm().SeekBtn.Click();
    RunToEnd();
    // Half an hour of turning warms the drive by several degrees.
    lab->lab->Time().Advance(1800ull * 1000000000);
    EXPECT_TRUE(p().seek.temperature.ReadSeekTemperature("12.3"));
    const int now = std::stoi(fm().SeekTmprtLed.Caption());
    EXPECT_GT(now, 33);
    EXPECT_TRUE(Logged("Average seek time = 12.3 ms"));

    fm().TermoCtrlBox.SetChecked(false);
    EXPECT_EQ(fm().SeekTmprtLed.Caption(), "n/a");
}

TEST_F(SeekTestLab, AcousticLevelInPioMode)
{
    Open(PioLab());
    fm().AAMTrack.SetPosition(200);
    EXPECT_EQ(drive->AamValue(), 254) << "moving the slider sends nothing";
    EXPECT_EQ(fm().AAMLed.Caption(), "200");
    fm().AAMTrack.Release();
    EXPECT_EQ(drive->AamValue(), 200);
    EXPECT_TRUE(Logged("Adjusting AAM, set value=200"));

    fm().AAMMinBtn.Click();
    EXPECT_EQ(drive->AamValue(), 128) << "MIN sends 128 wherever the slider was";
    EXPECT_EQ(fm().AAMTrack.Position(), 128);
    EXPECT_TRUE(Logged("AAM minimum set (val=128)"));

    fm().AAMOffBtn.Click();
    EXPECT_EQ(drive->AamValue(), 0);
    EXPECT_TRUE(Logged("AAM OFF command"));
}

TEST_F(SeekTestLab, BusyDriveBlocksTheFineLevel)
{
    Open(PioLab("Stuck=777\n"));
    ASSERT_TRUE(p().pio.IssueBlockCommand(1, 0x40, 777));
    fm().AAMTrack.SetPosition(180);
    fm().AAMTrack.Release();
    EXPECT_FALSE(fm().AAMTrack.Enabled());
    EXPECT_TRUE(Logged("AAM blocked, because drive not ready >300 ms. Press 'Ext Passport' to try again"));
    EXPECT_NE(drive->AamValue(), 180);
}

TEST_F(SeekTestLab, AcousticLevelThroughAtaPassThroughBehindUsb)
{
    Open(ApiLab("usb"));
    fm().AAMTrack.SetPosition(140);
    fm().AAMTrack.Release();
    EXPECT_EQ(drive->AamValue(), 140);
    fm().AAMOffBtn.Click();
    EXPECT_EQ(drive->AamValue(), 0);
}

TEST_F(SeekTestLab, ApiSeekTimesARealCommand)
{
    Open(ApiLab("sata"));
    Range("0", "3999999", 0);
    fm().SeekBtn.Click();
    ASSERT_TRUE(SeekRuns());
    EXPECT_TRUE(Logged("Seek method: "));
    RunUntil([this] { return p().seek.state.SeekCount >= 64; });
    fm().SeekBtn.Click();
    RunToEnd();
    EXPECT_GT(std::stod(fm().SeekTimeLed.Caption()), 1.0) << "an API seek takes mechanical time";
}

} // namespace
} // namespace mrv::test
