// The SMART panel's commands: Get SMART with the verdict and temperature,
// SMART ON/OFF, attribute autosave, the self-tests and the refresh timer.

#include "app/program_impl.h"
#include "smart/smart.h"

namespace mrv
{

namespace
{

const form::Colour kAmber = form::Colour::Rgb(255, 196, 55);
constexpr int kTestPanelHeight = 110;
constexpr const char* kCelsius = " \xC2\xB0"
                                 "C";

/// The user interface counts as busy for a drive command: the test workers
/// stay parked until it ends.
} // namespace

// ---- Get SMART -----------------------------------------------------------

SmartVerdict Smart::SmartStatus()
{
    if (NvmeDrive()) return nvme_verdict_;
    const std::optional<SmartStatusRegisters> registers = commands_.ReturnStatus();
    if (!registers) return SmartVerdict::Unknown;
    return VerdictFromRegisters(registers->lba_mid, registers->lba_high);
}

void Smart::SmartBtnClick()
{
    if (!idle_) return;
    idle_ = false;
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    p_.ops.ResetBreakState();
    {
        BusyScope busy(p_.ops);
        p_.platform.clock.SleepMs(70);
        fm.SmartLed.SetBrush(form::colours::kBlack);
        fm.SmrtStLabel.SetTransparent(true);
        fm.SmrtStLabel.SetFontColour(form::colours::kGray);

        if (st.access_mode != AccessMode::Pio || p_.passport.TakePassport(true, true)) {
            const int64_t result = ReadSmart(194, false, {});
            if (result == -126 || result == -127) {
                fm.SeekTmprtLed.SetCaption(" n/a");
            } else {
                fm.SeekTmprtLed.SetCaption(std::to_string(static_cast<int16_t>(result & 0xFFFF)) + kCelsius);
            }
            if (result == -126) {
                const bool logical = st.access_mode == AccessMode::Api && st.ApiDeviceIndex == -1;
                p_.LogLine(logical ? "Get S.M.A.R.T. command... Error, that's a logical drive!"
                                   : "Get S.M.A.R.T. command... Error reading S.M.A.R.T!",
                           announced_, 4);
                ShowVerdict(SmartVerdict::Unknown);
            } else {
                const SmartVerdict verdict = SmartStatus();
                ShowVerdict(verdict);
                if (!fm.SmTimerChk.Checked()) {
                    switch (verdict) {
                    case SmartVerdict::Unknown:
                        p_.LogLine("SMART status = Unknown", false, 1);
                        break;
                    case SmartVerdict::Good:
                        p_.LogLine("SMART status = GOOD", false, 2);
                        break;
                    case SmartVerdict::Bad:
                        p_.LogLine("SMART status = BAD", false, 4);
                        break;
                    }
                }
            }
        }
    }
    idle_ = true;
}

void Smart::ShowVerdict(SmartVerdict verdict)
{
    TFm& fm = p_.fm;
    fm.SmrtStLabel.SetTransparent(true);
    switch (verdict) {
    case SmartVerdict::Unknown:
        fm.SmrtStLabel.SetCaption("UNCN");
        fm.SmrtStLabel.SetFontColour(form::colours::kBlack);
        fm.SmartLed.SetBrush(form::colours::kYellow);
        break;
    case SmartVerdict::Good:
        fm.SmrtStLabel.SetCaption("GOOD");
        fm.SmrtStLabel.SetFontColour(form::colours::kNavy);
        fm.SmartLed.SetBrush(form::colours::kLime);
        break;
    case SmartVerdict::Bad:
        // White on red, so that the word stands out on any panel colour.
        fm.SmrtStLabel.SetCaption("BAD!");
        fm.SmrtStLabel.SetFontColour(form::colours::kWhite);
        fm.SmrtStLabel.SetTransparent(false);
        fm.SmrtStLabel.SetBackColour(form::colours::kRed);
        fm.SmartLed.SetBrush(form::colours::kRed);
        break;
    }
}

// ---- SMART ON/OFF and autosave -------------------------------------------

void Smart::SwitchSmart(bool on)
{
    if (NvmeDrive()) {
        // An NVMe controller keeps its health log without being asked.
        p_.LogLine("NVMe drive: the health log is always on", false, 1);
        return;
    }
    p_.LogLine(on ? "SMART ON command" : "SMART OFF command", false, 1);
    if (on)
        commands_.Enable();
    else
        commands_.Disable();
    // The passport's SMART row shows whether the drive took it.
    p_.passport.TakePassport(false, true);
}

void Smart::SmartOnBtnClick()
{
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    SwitchSmart(true);
}

void Smart::SmartOffBtnClick()
{
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    SwitchSmart(false);
}

void Smart::AutoSaveOnBtnClick()
{
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    p_.LogLine("SMART Attribute Autosave ON command", false, 1);
    SwitchSmart(true);
    commands_.Autosave(true);
}

void Smart::AutoSaveOffBtnClick()
{
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    p_.LogLine("SMART Attribute Autosave OFF command", false, 1);
    SwitchSmart(true);
    commands_.Autosave(false);
}

// ---- Self-tests ----------------------------------------------------------

void Smart::SmScanBoxChange()
{
    TFm& fm = p_.fm;
    const int index = fm.SmScanBox.ItemIndex();
    if (offers_nvme_tests_) {
        // The NVMe test codes: 1 short, 2 extended.
        fm.SmVSTestEdit.SetEnabled(false);
        fm.SmVSTestEdit.SetValue(std::clamp(index, 0, 1) + 1);
        return;
    }
    if (index < 0 || index >= static_cast<int>(kSelfTestKinds.size())) return;
    const SelfTestKind& kind = kSelfTestKinds[static_cast<size_t>(index)];
    if (kind.value < 0) {
        fm.SmVSTestEdit.SetEnabled(true);
        fm.SetFocus(&fm.SmVSTestEdit);
        fm.SmVSTestEdit.SetValue(0);
    } else {
        fm.SmVSTestEdit.SetEnabled(false);
        fm.SmVSTestEdit.SetValue(kind.value);
    }
}

void Smart::SmBeginBtnClick()
{
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    fm.PlaceSmartTestPanel(kTestPanelHeight);
    if (NvmeDrive()) {
        StartNvmeSelfTest();
        return;
    }
    SwitchSmart(true);

    const int index = std::clamp(fm.SmScanBox.ItemIndex(), 0, static_cast<int>(kSelfTestKinds.size()) - 1);
    const SelfTestKind& kind = kSelfTestKinds[static_cast<size_t>(index)];
    const int value = kind.value < 0 ? std::clamp(fm.SmVSTestEdit.Value(), 0, 255) : kind.value;
    fm.SmVSTestEdit.SetValue(value);
    const std::string test = std::string(kind.name) + " SMART Test (" + std::to_string(value) + ")";
    p_.LogLine("Starting " + test, false, 1);

    switch (commands_.ExecuteOffline(static_cast<uint8_t>(value))) {
    case OfflineStart::NotReady:
        return;
    case OfflineStart::NonAta:
        p_.LogLine("Non-ATA device unsupport SMART test's", false, 4);
        return;
    case OfflineStart::Rejected:
        p_.LogLine(test + " error!", false, 4);
        break;
    case OfflineStart::Sent:
        break;
    }
    // The system's request returns before the drive has taken the routine up.
    if (p_.state.access_mode == AccessMode::Api) p_.ops.SleepWithMessages(2000);
}

void Smart::SmAbortBtnClick()
{
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    BusyScope busy(p_.ops);
    fm.PlaceSmartTestPanel(kTestPanelHeight);
    if (NvmeDrive()) {
        AbortNvmeSelfTest();
        return;
    }
    // A captive test only ends with a reset.
    if (p_.state.access_mode == AccessMode::Pio) p_.passport.ResetDriveForPassport();
    SwitchSmart(true);
    fm.SmVSTestEdit.SetValue(127);
    p_.LogLine("Aborting offline SMART Test", false, 0);
    if (!commands_.AbortOffline()) p_.LogLine("Error after command!", false, 4);
    p_.LogLine("Send abort SMART test command", false, 1);
}

// ---- Timer ---------------------------------------------------------------

void Smart::SmTimerChkClick()
{
    TFm& fm = p_.fm;
    if (fm.SmTimerChk.Checked()) {
        fm.SmTimerLED.SetBrush(kAmber);
        fm.SmartTimer.SetInterval(static_cast<uint32_t>(fm.SmTimerEdit.Value()) * 1000);
        fm.SmartTimer.SetActive(true);
    } else {
        fm.SmartTimer.SetActive(false);
        fm.SmTimerLED.SetBrush(form::colours::kGray);
    }
}

void Smart::SmartTimerTimer()
{
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    p_.ui.ProcessMessages();
    fm.SmartTimer.SetInterval(static_cast<uint32_t>(fm.SmTimerEdit.Value()) * 1000);
    fm.SmartBtn.Click();
}

} // namespace mrv
