#include "mechanics/seek_test.h"

#include "app/program_impl.h"
#include "config/lba_amount.h"
#include "mechanics/seek_rules.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{

const char* MethodText(SeekMethod method)
{
    switch (method) {
    case SeekMethod::Verify:
        return ", verify";
    case SeekMethod::Read:
        return ", reading";
    case SeekMethod::LongWrite:
        return ", writing (bader!)";
    case SeekMethod::Seek:
        break;
    }
    return "";
}

} // namespace

SeekTest::SeekTest(ProgramImpl& program) : p_(program), worker_(program, state)
{
    TFm& fm = p_.fm;
    fm.SeekBtn.OnClick = [this] { SeekBtnClick(); };
    fm.SeekModeGrp.OnClick = [this] { SeekModeGrpClick(); };
    worker_.LockSeekControls = [this] { LockSeekControls(); };
    worker_.ShowSeekPosition = [this] { ShowSeekPosition(); };
    worker_.ShowSeekAverage = [this](const std::string& average) { ShowSeekAverage(average); };
    worker_.ReadSeekLimit = [this] { return SeekLimitUnits(p_.fm.SeekTioEdit.Text(), TickPolling()); };
    worker_.WatchTemperature = [this] { return temperature.Active(); };
    worker_.ReadSeekTemperature = [this] { return temperature.ReadSeekTemperature(state.SeekAverageText); };
    worker_.ReportSeekError = [this] {
        p_.ops.BellSignal();
        ReportSeekError();
    };
    worker_.SeekFinished = [this] { SeekFinished(); };
    p_.seek_worker = &worker_;
}

SeekTest::~SeekTest()
{
    p_.seek_worker = nullptr;
}

bool SeekTest::TickPolling() const
{
    return p_.state.access_mode == AccessMode::Pio && state.Timer == ScanTimer::TickPolling;
}

void SeekTest::SeekModeGrpClick()
{
    const bool destructive = p_.fm.SeekModeGrp.ItemIndex() == static_cast<int>(SeekMethod::LongWrite);
    p_.fm.SeekModeGrp.SetFontColour(destructive ? form::colours::kRed : form::colours::kNavy);
}

void SeekTest::SeekBtnClick()
{
    if (p_.fm.SeekBtn.Caption() == "Stop") {
        p_.scan.BreakClick();
        return;
    }
    if (starting_) return;
    starting_ = true;
    if (!StartSeek()) RefuseStart();
    starting_ = false;
}

void SeekTest::RefuseStart()
{
    p_.fm.SeekBtn.SetEnabled(true);
    p_.ops.EnableDriveControls(true);
}

uint64_t SeekTest::ParseLbaEdit(const std::string& text) const
{
    const DrivePassport& d = p_.state.passport;
    const uint64_t count = d.LbaCount > 0 ? static_cast<uint64_t>(d.LbaCount) : 0;
    // A number too large for 64 bits is clamped to the drive's end below.
    return ParseLbaAmount(text, count, d.SectorsPerMb ? d.SectorsPerMb : 2048).value_or(UINT64_MAX);
}

void SeekTest::StopScan()
{
    TFm& fm = p_.fm;
    p_.scan.ScanComplete();
    fm.ScanStartBtn.SetCaption("Start");
    fm.ScanStartBtn.SetFontColour(form::colours::kBlue);
    fm.ScBlockSizeBox.SetEnabled(true);
    fm.ScanRWGrp.SetEnabled(true);
    fm.PauseBtn.SetCaption("Pause");
    p_.scan.state.PauseRequested = false;
    p_.LogLine("Scan was terminated by Seek!", false, 4);
}

bool SeekTest::StopForScan()
{
    if (!state.SeekRunning && !worker_.Running()) return false;
    state.SeekRunning = false;
    worker_.Resume();
    worker_.Terminate();
    EndSeek();
    return true;
}

bool SeekTest::StartSeek()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    fm.SeekBtn.SetEnabled(false);
    p_.ops.EnableDriveControls(false);

    // 1. A running scan gives way.
    p_.ops.ResetBreakState();
    if (p_.scan_worker && (p_.scan_worker->Running() || p_.scan.state.ThreadAlive)) StopScan();

    // 2. The drive as it is now.
    p_.platform.clock.SleepMs(100);
    if (!p_.passport.TakePassport(true, true)) return false;

    // 3.–4. The range.
    uint64_t start = ParseLbaEdit(fm.SeekStartLbaEdit.Text());
    uint64_t end = ParseLbaEdit(fm.SeekEndLbaEdit.Text());
    if (!st.passport.LbaSupported) {
        p_.LogLine("This drive not support LBA, seek terminated", true, 4);
        return false;
    }
    if (end < 2) {
        if (!p_.passport.TakePassport(true, true)) return false;
        end = ParseLbaEdit(fm.SeekEndLbaEdit.Text());
    }

    // 5.–6. The limit, and the heads from a known place.
    state.Method = static_cast<SeekMethod>(std::clamp(fm.SeekModeGrp.ItemIndex(), 0, 3));
    state.Timer = fm.RTChk.ItemIndex() == 1 ? ScanTimer::MmTimer : ScanTimer::TickPolling;
    state.SeekLimit = SeekLimitUnits(fm.SeekTioEdit.Text(), TickPolling());
    p_.spindle.Recalibrate();
    state.SeekError = SeekFailure::None;

    // 7. The temperature before the test.
    temperature.ReadAtStart();

    // 8. API mode holds the device open for the whole test.
    const bool api = st.access_mode == AccessMode::Api;
    SeekRunSettings run;
    run.api = api;
    run.break_in_loops = fm.EnaBrkInCyclChk.Checked();
    if (api) {
        // The long write has no form in API mode: it would time nothing.
        if (state.Method == SeekMethod::LongWrite) {
            p_.LogLine("Write long works in PIO mode only, seek terminated", false, 4);
            return false;
        }
        run.device = p_.api.OpenApiDevice(st.ApiDeviceIndex, st.ApiDriveLetter);
        if (!run.device) {
            p_.LogLine("[API] " + p_.api.PhysicalOpenFailureText(st.ApiDeviceIndex), false, 4);
            return false;
        }
    }

    // 9. The long write destroys what it touches.
    if (state.Method == SeekMethod::LongWrite && !p_.dialogs.AskYesNo("Warning", "User data will be lost!"))
        return false;

    // 10. The range within the drive.
    const uint64_t last = st.passport.LbaCount > 0 ? static_cast<uint64_t>(st.passport.LbaCount - 1) : 0;
    start = std::min(start, last);
    end = std::max(std::min(end, last), start);
    state.SeekStartLba = start;
    state.SeekEndLba = end;
    fm.SeekStartLbaEdit.SetText(std::to_string(start));
    fm.SeekEndLbaEdit.SetText(std::to_string(end));

    // 11. The processor clock, when asked for.
    if (fm.AdjustCPUchk.Checked()) {
        p_.LogLine("CPU clock...", false, 1);
        p_.ops.CalibrateTimers();
        char text[64];
        std::snprintf(text, sizeof text, "CPU clock... %f MHz", st.CpuMHz);
        p_.LogLine(text, true, 1);
        state.SeekLimit = SeekLimitUnits(fm.SeekTioEdit.Text(), TickPolling());
    }

    // 12. What runs.
    p_.LogLine(StartLogLine(), false, 1);
    // WRITE LONG has no 48-bit form.
    if (state.Method == SeekMethod::LongWrite) fm.biglbaChk.SetChecked(false);
    if (api && state.Method == SeekMethod::Seek) run.seek_route = ChooseApiSeekRoute(start);

    // 13. The worker.
    fm.SeekBtn.SetCaption("Stop");
    fm.SeekBtn.SetFontColour(form::colours::kRed);
    fm.SeekBtn.SetEnabled(true);
    state.SeekAverageText = "0.0";
    state.SeekRunning = true;
    worker_.Start(std::move(run));
    fm.ActivityImg.SetVisible(true);
    fm.ActivityImg.SetHint("Seek is progress!!!");
    return true;
}

std::string SeekTest::StartLogLine() const
{
    return "Starting mechanical test: " + std::to_string(state.SeekStartLba) + "..." +
           std::to_string(state.SeekEndLba) + " LBA" + MethodText(state.Method) +
           ", Timeout = " + std::to_string(SeekLimitMs(p_.fm.SeekTioEdit.Text())) + "ms";
}

DriveRoute* SeekTest::ChooseApiSeekRoute(uint64_t lba)
{
    const AtaCommand seek = AtaCommand::Lba28(0, 0x70, SeekCommandLba(lba));
    AtaResult result;
    DriveRoute* route = FirstAnswering({&p_.api.SmartRoute(), &p_.routes.sat}, seek, result);
    if (route)
        p_.LogLine(std::string("Seek method: SEEK through the ") + route->Name(), false, 1);
    else
        p_.LogLine("Seek method: the device takes no SEEK, a one-sector verify is timed instead", false, 3);
    return route;
}

// ---- Hand-offs -------------------------------------------------------------

void SeekTest::LockSeekControls()
{
    p_.ops.EnableDriveControls(false);
}

void SeekTest::ShowSeekPosition()
{
    p_.fm.SeekLbaOut.SetCaption(" " + std::to_string(state.SeekLba));
    p_.fm.SeekCntOut.SetCaption(" " + std::to_string(state.SeekCount));
    if (state.SeekSampleCount == 31) p_.SetApplicationTitle(std::to_string(state.SeekCount) + "  Seek");
}

void SeekTest::ShowSeekAverage(const std::string& average)
{
    state.SeekAverageText = average;
    p_.fm.SeekTimeLed.SetCaption(average + " ms");
}

void SeekTest::ReportSeekError()
{
    const std::string lba = std::to_string(state.SeekLba);
    if (state.SeekError == SeekFailure::Timeout) {
        // The time in milliseconds, whatever the wait's units.
        const uint32_t time = state.AccessTime;
        const uint32_t ms = TickPolling() ? time / 10 : time;
        p_.LogLine("Seek timeout error: " + std::to_string(ms) + " ms! (LBA " + lba + ")", false, 4);
    } else if (state.SeekError == SeekFailure::DriveError) {
        const bool pio = p_.state.access_mode == AccessMode::Pio;
        if (pio && state.Method == SeekMethod::LongWrite && state.ErrorRegister == 0x04)
            p_.LogLine("This disk not supported long-writing!", false, 4);
        else
            p_.LogLine("Seek unknown error! (LBA " + lba + ")", false, 4);
    }
    if (p_.state.access_mode == AccessMode::Pio) p_.pio.WaitNotBusy();
    p_.spindle.StopSpindle();
}

void SeekTest::SeekFinished()
{
    state.SeekRunning = false;
    EndSeek();
}

void SeekTest::EndSeek()
{
    TFm& fm = p_.fm;
    fm.SeekBtn.SetCaption("Start");
    fm.SeekBtn.SetFontColour(form::colours::kBlue);
    fm.SeekBtn.SetEnabled(true);
    p_.ops.SleepWithMessages(500);
    p_.ops.EnableDriveControls(true);
    fm.ActivityImg.SetVisible(false);
    fm.ActivityImg.SetHint("Seek complete");
    state.SeekWaiting = false;
    state.SeekRunning = false;
    p_.SetApplicationTitle("Morvanta ");
}

} // namespace mrv
