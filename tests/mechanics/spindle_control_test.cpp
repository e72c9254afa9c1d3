// Spindle stop, recalibration, reset and the RPM meter on the virtual PC: the
// measured speed against the emulated drive's, the scheduling and look-ahead
// put back afterwards, and the API-mode fallbacks.

#include "mechanics/spindle_control.h"
#include "pio/pio_fixture.h"
#include "sim/ata_drive.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

std::string PioLab(int rpm, const std::string& extra = {})
{
    return "[Pci]\nDefault=0\n[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=4000000\nRpm=" +
           std::to_string(rpm) + "\n" + extra;
}

std::string ApiLab(const std::string& via)
{
    return "[System]\nKernel=Linux 6.1.0 x64\n[PortAccess]\nDriverFile=0\nRestrict=refuse\n[Pci]\nDefault=0\n"
           "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=4000000\nOsNumber=1\nOsVia=" +
           via + "\n";
}

TEST(RpmOfCount, SixteenPerReadUpToTwentyThousand)
{
    EXPECT_EQ(RpmOfCount(451), std::optional<uint32_t>(7216));
    EXPECT_EQ(RpmOfCount(1250), std::optional<uint32_t>(20000));
    EXPECT_EQ(RpmOfCount(1251), std::nullopt);
    EXPECT_EQ(RpmOfCount(UINT64_MAX), std::nullopt);
}

class RpmMeter : public ::testing::Test
{
  protected:
    void Open(const std::string& lab_text)
    {
        lab = std::make_unique<LabProgram>(lab_text);
        ASSERT_TRUE(lab->lab);
        drive = lab->lab->Drives().front().get();
        // Coarser status polls: a tenth of the work per revolution, still a
        // fraction of a percent of it.
        lab->lab->Time().SetPollQuantumNs(20000);
        lab->fm().PasspBtn.Click();
        ASSERT_TRUE(lab->Logged("Model:"));
    }
    int MeasuredRpm()
    {
        const std::string caption = lab->fm().RpmLab.Caption();
        return caption.empty() ? 0 : std::stoi(caption);
    }
    std::unique_ptr<LabProgram> lab;
    sim::AtaDrive* drive = nullptr;
};

TEST_F(RpmMeter, MeasuresTheSpindleWithinTwoPercentAndPutsEverythingBack)
{
    for (int rpm : {7200, 5400}) {
        SCOPED_TRACE(rpm);
        Open(PioLab(rpm));
        SystemInfo& system = lab->lab->System();
        const uint32_t cls = system.PriorityClass();
        const int thread = system.ThreadPriority();
        lab->fm().RzBitBtn43.Click();
        EXPECT_NEAR(MeasuredRpm(), rpm, rpm * 0.02);
        EXPECT_EQ(lab->fm().RpmLED.Caption(), std::to_string(MeasuredRpm()));
        EXPECT_TRUE(lab->Logged("Detecting RPM... " + std::to_string(MeasuredRpm()) + " RPM"));
        EXPECT_EQ(lab->fm().RpmMeter.Position(), 0);
        EXPECT_EQ(system.PriorityClass(), cls);
        EXPECT_EQ(system.ThreadPriority(), thread);
        EXPECT_TRUE(drive->LookAheadOn());
        EXPECT_TRUE(lab->Logged("Disable cache... OK"));
        EXPECT_TRUE(lab->Logged("Recallibration... OK"));
        EXPECT_TRUE(lab->Logged("Enable cache... OK"));
    }
}

TEST_F(RpmMeter, RealTimeOnlyInsideTheWindowAndABreakEndsItWithoutAResult)
{
    Open(PioLab(7200));
    SystemInfo& system = lab->lab->System();
    lab->fm().RpmLab.SetCaption("7216 RPM");
    uint32_t during = 0;
    // Runs at every message pump; once the meter has moved a few steps it
    // looks at the scheduling and presses "Break All".
    std::function<void()> watch = [&] {
        if (lab->fm().RpmMeter.Position() >= 3) {
            during = system.PriorityClass();
            lab->p().state.BreakRequested = true;
            return;
        }
        lab->fixture->ui.Post(watch);
    };
    lab->fixture->ui.Post(watch);
    lab->fm().RzBitBtn43.Click();
    EXPECT_EQ(during, priority::kRealtimeClass);
    EXPECT_EQ(system.PriorityClass(), priority::kNormalClass);
    EXPECT_FALSE(lab->Logged("Detecting RPM... 7"));
    EXPECT_EQ(lab->fm().RpmLab.Caption(), "7216 RPM"); // the last result stays
    EXPECT_EQ(lab->fm().RpmMeter.Position(), 0);
    EXPECT_TRUE(drive->LookAheadOn());
}

TEST_F(RpmMeter, ReadErrorAbortsAndLookAheadComesBack)
{
    Open(PioLab(7200, "Unreadable=40\n"));
    lab->fm().RzBitBtn43.Click();
    EXPECT_TRUE(lab->Logged("Detecting RPM... read error! Process aborted"));
    EXPECT_EQ(lab->fm().RpmLED.Caption(), "Error");
    EXPECT_EQ(lab->fm().RpmLED.FontColour(), form::colours::kRed);
    EXPECT_EQ(lab->fm().RpmLab.Caption(), "");
    EXPECT_TRUE(drive->LookAheadOn());
    EXPECT_EQ(lab->lab->System().PriorityClass(), priority::kNormalClass);
}

// ---- Stop, recalibrate, reset ------------------------------------------------

TEST(SpindleButtons, PioStopRecalibrateAndReset)
{
    LabProgram lab(PioLab(7200));
    sim::AtaDrive* drive = lab.lab->Drives().front().get();
    lab.fm().StopBtn.Click();
    EXPECT_TRUE(lab.Logged("Stopping ATA drive... HD Spindle is stopped"));
    EXPECT_TRUE(drive->Standby());
    lab.fm().RecBtn.Click();
    EXPECT_TRUE(lab.Logged("Recallibration... OK"));
    EXPECT_FALSE(drive->Standby());
    lab.fm().OnKeyDown(form::Key::F3);
    EXPECT_TRUE(lab.Logged("Drive reset..."));
    EXPECT_EQ(lab.fixture->log.back().text, "Reset OK");
}

TEST(SpindleButtons, ApiResetAndF3DoNothing)
{
    LabProgram lab(ApiLab("sata"));
    ASSERT_EQ(lab.p().state.access_mode, AccessMode::Api);
    const size_t lines = lab.LogSize();
    lab.p().spindle.ResetDrive();
    lab.fm().OnKeyDown(form::Key::F3);
    EXPECT_EQ(lab.LogSize(), lines);
}

TEST(SpindleButtons, ApiStopFallsBackToTheScsiStop)
{
    // A USB bridge has no IDE pass-through; START STOP UNIT stops the drive.
    LabProgram lab(ApiLab("usb"));
    lab.p().state.ApiDeviceIndex = 1;
    lab.fm().PasspBtn.Click();
    ASSERT_FALSE(lab.p().state.passport.NonAta);
    lab.fm().StopBtn.Click();
    EXPECT_TRUE(lab.Logged("Stopping SCSI drive... HD Spindle is stopped"));
    EXPECT_FALSE(lab.Logged("Stopping drive... Error"));

    // Over a SATA port the IDE pass-through carries STANDBY IMMEDIATE itself.
    LabProgram sata(ApiLab("sata"));
    sata.p().state.ApiDeviceIndex = 1;
    sata.fm().PasspBtn.Click();
    sata.fm().StopBtn.Click();
    EXPECT_TRUE(sata.Logged("Stopping ATA drive... HD Spindle is stopped"));
    EXPECT_TRUE(sata.lab->Drives().front()->Standby());
}

TEST(SpindleButtons, ApiStopOfAnAbsentDeviceSaysSoOnce)
{
    LabProgram lab(ApiLab("sata"));
    lab.fixture->Run(100); // the device list the start-up posted
    lab.p().state.ApiDeviceIndex = 7;
    lab.p().state.passport.NonAta = true;
    lab.fm().StopBtn.Click();
    EXPECT_TRUE(lab.Logged("Unable to open physical drive #7"));
    EXPECT_FALSE(lab.Logged("Stopping SCSI drive..."));
}

} // namespace
} // namespace mrv::test
