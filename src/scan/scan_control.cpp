#include "scan/scan_control.h"

#include "app/program_impl.h"
#include "config/lba_amount.h"
#include "scan/scan_walk.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace mrv
{

namespace
{

constexpr int kTestsPage = 2;
constexpr form::Colour kNavyHighlight = form::Colour::FromColorRef(0x800000);
constexpr form::Colour kRedHighlight = form::Colour::FromColorRef(0x0000FF);

std::string Digits(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    return digits;
}

/// The digits of a text as a number, saturating instead of overflowing.
uint64_t DigitValue(const std::string& digits, uint64_t ceiling)
{
    uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > ceiling) return ceiling;
    }
    return value;
}

const char* DirectionText(ScanDirection direction)
{
    switch (direction) {
    case ScanDirection::Reverse:
        return ", reverse access";
    case ScanDirection::Random:
        return ", random access";
    case ScanDirection::Butterfly:
        return ", butterfly";
    case ScanDirection::Forward:
        break;
    }
    return ", sequential access";
}

unsigned ThresholdScaleOf(ScanDirection direction)
{
    return direction == ScanDirection::Random || direction == ScanDirection::Butterfly ? 2 : 1;
}

} // namespace

ScanControl::ScanControl(ProgramImpl& program)
    : p_(program), engine_(program, state), presentation_(&program.scan_view),
      actions_(program, state, presentation_)
{
    TFm& fm = p_.fm;
    fm.ScanStartBtn.OnClick = [this] { ScanStartBtnClick(); };
    fm.PauseBtn.OnClick = [this] { PauseBtnClick(); };
    fm.BreakAllBtn.OnClick = [this] { BreakClick(); };
    fm.QnUp.OnClick = [this] { Jump(kJumpUp); };
    fm.QnDown.OnClick = [this] { Jump(kJumpDown); };
    fm.QnLeft.OnClick = [this] { Jump(kJumpLeft); };
    fm.QnRight.OnClick = [this] { Jump(kJumpRight); };
    fm.QnRepeatTimer.OnTimer = [this] {
        if (held_jump_) Jump(held_jump_);
    };
    fm.ImgFWD.OnClick = [this] { SetDirection(ScanDirection::Forward); };
    fm.ImgREV.OnClick = [this] { SetDirection(ScanDirection::Reverse); };
    fm.ImgRND.OnClick = [this] { SetDirection(ScanDirection::Random); };
    fm.ImgBTF.OnClick = [this] { SetDirection(ScanDirection::Butterfly); };
    fm.Button3.OnClick = [this] { Button3Click(); };
    fm.MaxLbaButton.OnClick = [this] { MaxLbaButtonClick(); };
    fm.ScRemapGroup.OnClick = [this] { ScRemapGroupClick(); };
    fm.ScDftChk.OnClick = [this] { ScDftChkClick(); };
    fm.ScanRWGrp.OnClick = [this] { ScanRWGrpClick(); };
    fm.ScanTimeEdit.OnChange = [this] { ApplyTimeoutBox(); };
    fm.RndScTimeEdit.OnChange = [this] { RndScTimeEditChange(); };
    fm.EnLwChk.OnClick = [this] { state.LongWriting = p_.fm.EnLwChk.Checked(); };
    fm.ScNumLbaChk.OnClick = [this] {
        TFm& f = p_.fm;
        if (f.ScNumLbaChk.Checked() && f.DDDChk.Checked()) f.DDDChk.SetChecked(false);
        p_.state.WriteLbaStamp = f.ScNumLbaChk.Checked();
        if (f.ScNumLbaChk.Checked() && p_.state.access_mode == AccessMode::Pio) {
            std::lock_guard lock(p_.state.BufferLock);
            p_.state.WideBuffer.Clear();
        }
    };
    fm.DDDChk.OnClick = [this] {
        TFm& f = p_.fm;
        if (f.DDDChk.Checked() && f.ScNumLbaChk.Checked()) f.ScNumLbaChk.SetChecked(false);
        state.WriteCheck = f.DDDChk.Checked();
    };
    fm.EnaBrkInCyclChk.OnClick = [this] {
        const bool on = p_.fm.EnaBrkInCyclChk.Checked();
        p_.state.BreakLoops = on;
        state.BreakInLoops = on;
    };
    fm.RTChk.OnClick = [this] { ApplyScanTimerChoice(); };
    fm.ScanHandOffTimer.OnTimer = [this] {
        engine_.ApplyResults();
        if (state.LongWriting) actions_.ShowLongWriteSector();
    };

    TWriteWarn& warn = p_.write_warn;
    warn.WarnStartEdit.OnChange = [this] { WriteWarnEditChange(true); };
    warn.WarnEndEdit.OnChange = [this] { WriteWarnEditChange(false); };
    warn.WarnYesBtn.OnClick = [this] { WriteWarnOkClick(); };
    warn.WarnNoBtn.OnClick = [this] { write_warn_cancelled_ = true; };

    engine_.OnGoodBlock = [this](BlockResult& block) {
        ClassifyBlock(block);
        presentation_->ShowBlock(block);
    };
    engine_.OnBadBlock = [this](BlockResult& block, const std::string& distortion) {
        const char jump_mark = block.mark;
        HandleBadBlock(block, distortion);
        if (jump_mark == '>' || jump_mark == '<') block.mark = jump_mark;
        presentation_->ShowBlock(block);
    };
    engine_.OnFinished = [this](bool completed) { WorkerFinished(completed); };
    engine_.LongWriteBlock = [this](uint64_t lba, uint32_t count) {
        return actions_.LongWriteBlock(lba, count);
    };

    p_.scan_worker = &engine_;
    p_.steps.ApplyScanTimerChoice = [this] { ApplyScanTimerChoice(); };
    p_.pio.OnAddressModeChanged = [this] { RebuildBlockSizeList(); };
    // The grid's "End LBA" item of a reverse scan turns the scan forward; the
    // presenter has logged it already.
    p_.scan_view.OnDirectionToForward = [this] {
        state.Direction = ScanDirection::Forward;
        ShowDirectionImages();
        RecomputeClassLimits();
    };
    p_.passport.RecomputeScanTiming = [this] { RecomputeClassLimits(); };
}

ScanControl::~ScanControl()
{
    engine_.OnFinished = nullptr;
    if (p_.scan_worker == &engine_) p_.scan_worker = nullptr;
}

void ScanControl::SetPresentation(std::unique_ptr<ScanPresentation> presentation)
{
    if (!presentation) return;
    owned_presentation_ = std::move(presentation);
    presentation_ = owned_presentation_.get();
}

// ---- Box rules -------------------------------------------------------------

int32_t ScanControl::ParseTimeout(const std::string& text)
{
    if (text == "never") return -1;
    const uint64_t value = DigitValue(Digits(text), 0x7FFFFFFF);
    return value == 0 ? 1 : static_cast<int32_t>(value);
}

uint32_t ScanControl::ParseBlockSize(const std::string& text, bool limit_to_28bit_pio)
{
    const std::string digits = Digits(text);
    uint64_t value = digits.empty() ? 1 : DigitValue(digits, 65535);
    if (limit_to_28bit_pio && value > 256) value = 256;
    return static_cast<uint32_t>(value);
}

std::optional<uint64_t> ScanControl::ParseRandomTime(const std::string& text)
{
    int h = 0, m = 0, s = 0;
    char tail = 0;
    const int fields = std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail);
    if (fields < 2 || fields > 3 || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    if (fields == 2) s = 0;
    return (uint64_t(h) * 3600 + uint64_t(m) * 60 + uint64_t(s)) * 1000;
}

void ScanControl::ApplyTimeoutBox()
{
    form::ComboBox& box = p_.fm.ScanTimeEdit;
    const int32_t timeout = ParseTimeout(box.Text());
    state.TimeoutSetting = timeout;
    if (timeout == 1 && box.Text() != "1") box.SetText("1");
}

void ScanControl::FocusJumpKeys()
{
    if (p_.fm.MainPage.ActivePageIndex() == kTestsPage) p_.fm.SetFocus(&p_.fm.Qn);
}

void ScanControl::RebuildBlockSizeList()
{
    form::ComboBox& box = p_.fm.ScBlockSizeBox;
    const std::string keep = box.Text();
    if (p_.state.Use48Bit) {
        std::vector<std::string> items{"1", "32", "64", "128", "256", "512"};
        if (p_.state.passport.SectorSize <= 512)
            items.insert(items.end(), {"1024", "2048", "16384", "65535"});
        box.SetItems(items);
        box.SetText(keep);
    } else {
        box.SetItems({"1", "32", "64", "128", "256"});
        box.SetItemIndex(4);
    }
}

void ScanControl::ScRemapGroupClick()
{
    TFm& fm = p_.fm;
    fm.ScRemapGroup.SetFontColour(kNavyHighlight);
    switch (fm.ScRemapGroup.ItemIndex()) {
    case 0:
        fm.ScanTimeEdit.SetText("10000");
        break;
    case 1:
        fm.ScanTimeEdit.SetText("1000");
        break;
    case 2:
        fm.ScanTimeEdit.SetText("200");
        fm.ScRemapGroup.SetFontColour(kRedHighlight);
        break;
    case 3:
        fm.ScanTimeEdit.SetText("250");
        if ((state.CurrentLba > 0xFFFFFFE) != static_cast<bool>(state.ThreadAlive))
            fm.biglbaChk.SetChecked(false);
        break;
    default:
        break;
    }
    ApplyTimeoutBox();
    FocusJumpKeys();
}

void ScanControl::ScDftChkClick()
{
    TFm& fm = p_.fm;
    if (fm.ScDftChk.Checked()) {
        fm.ScRemapGroup.SetItemIndex(0);
        fm.ScRemapGroup.SetEnabled(false);
        fm.ScanTimeEdit.SetText("250");
    } else {
        fm.ScRemapGroup.SetEnabled(true);
        fm.ScanTimeEdit.SetText("10000");
    }
    ApplyTimeoutBox();
    FocusJumpKeys();
}

void ScanControl::ScanRWGrpClick()
{
    TFm& fm = p_.fm;
    const bool api = p_.state.access_mode == AccessMode::Api;
    const int mode = fm.ScanRWGrp.ItemIndex();
    if (mode == 0) {
        fm.ScDftChk.SetVisible(!api);
        fm.DDDChk.SetVisible(false);
    } else {
        fm.ScDftChk.SetChecked(false);
        fm.ScDftChk.SetVisible(false);
        fm.DDDChk.SetVisible(true);
        fm.DDDChk.SetEnabled(api && mode == 2);
    }
    if (mode == 2) {
        fm.ScanRWGrp.SetFontColour(kRedHighlight);
        fm.EnLwChk.SetEnabled(!api);
        fm.ScNumLbaChk.SetVisible(api);
    } else {
        fm.ScanRWGrp.SetFontColour(form::colours::kBlack);
        fm.EnLwChk.SetChecked(false);
        fm.EnLwChk.SetEnabled(false);
        fm.DDDChk.SetChecked(false);
        fm.DDDChk.SetEnabled(false);
        fm.ScNumLbaChk.SetVisible(false);
    }
    FocusJumpKeys();
}

void ScanControl::RndScTimeEditChange()
{
    if (auto ms = ParseRandomTime(p_.fm.RndScTimeEdit.Text()))
        state.RandomEndMs = p_.platform.clock.TickCountMs() + *ms;
}

void ScanControl::Button3Click()
{
    p_.fm.StartLbaEdit.SetText("0");
    FocusJumpKeys();
}

void ScanControl::MaxLbaButtonClick()
{
    p_.fm.EndLbaEdit.SetText(std::to_string(LastLba()));
    FocusJumpKeys();
}

uint64_t ScanControl::LastLba() const
{
    const int64_t count = p_.state.passport.LbaCount;
    return count > 0 ? static_cast<uint64_t>(count - 1) : 0;
}

uint64_t ScanControl::ParseLbaEdit(const std::string& text) const
{
    const DrivePassport& d = p_.state.passport;
    const uint64_t count = d.LbaCount > 0 ? static_cast<uint64_t>(d.LbaCount) : 0;
    // A number too large for 64 bits is clamped to the drive's end below.
    return ParseLbaAmount(text, count, d.SectorsPerMb ? d.SectorsPerMb : 2048).value_or(UINT64_MAX);
}

void ScanControl::ApplyScanTimerChoice()
{
    timer_ = p_.fm.RTChk.ItemIndex() == 1 ? ScanTimer::MmTimer : ScanTimer::TickPolling;
    RecomputeClassLimits();
}

void ScanControl::RecomputeClassLimits()
{
    const bool api = p_.state.access_mode == AccessMode::Api;
    const DrivePassport& d = p_.state.passport;
    limits_ = ComputeClassLimits(api, timer_, d.UdmaMode, std::max<uint16_t>(d.ScanTimingBase, 1),
                                 ThresholdScaleOf(state.Direction));
    presentation_->ShowClassLimits(limits_.limit, limits_.divisor);
}

// ---- Direction and jumps ---------------------------------------------------

void ScanControl::ShowDirectionImages()
{
    TFm& fm = p_.fm;
    const ScanDirection d = state.Direction;
    fm.ImgFWD.SetCaption(d == ScanDirection::Forward ? "FWD_ON" : "FWD_OFF");
    fm.ImgREV.SetCaption(d == ScanDirection::Reverse ? "REV_ON" : "REV_OFF");
    fm.ImgRND.SetCaption(d == ScanDirection::Random ? "RND_ON" : "RND_OFF");
    fm.ImgBTF.SetCaption(d == ScanDirection::Butterfly ? "BTF_ON" : "BTF_OFF");
    fm.RndScTimeEdit.SetEnabled(d == ScanDirection::Random);
}

void ScanControl::SetDirection(ScanDirection direction)
{
    const bool changed = state.Direction != direction;
    state.Direction = direction;
    const bool scanning = engine_.ThreadExists();
    if (scanning) {
        state.LayoutLost = true;
        presentation_->SetLayoutLost();
    }
    ShowDirectionImages();
    RecomputeClassLimits();
    if (scanning && changed) {
        static const char* const kLines[] = {
            "Direction changed to FORVARD scan", "Direction changed to REVERSE scan",
            "Direction changed to RANDOM scan", "Direction changed to BUTTERFLY scan"};
        p_.LogLine(kLines[static_cast<int>(direction)], false, 1);
        if (direction == ScanDirection::Random) RndScTimeEditChange();
    }
    FocusJumpKeys();
}

void ScanControl::Jump(int key)
{
    if (!engine_.ThreadExists()) return;
    if (state.PauseRequested) PauseBtnClick();
    if (p_.fm.SwapUpDnkeysChk.Checked()) {
        if (key == kJumpUp)
            key = kJumpDown;
        else if (key == kJumpDown)
            key = kJumpUp;
    }
    switch (key) {
    case kJumpRight:
        JumpForward(state, large_jump_);
        state.JumpRightMark = true;
        break;
    case kJumpUp:
        JumpForward(state, small_jump_);
        state.JumpRightMark = true;
        break;
    case kJumpLeft:
        JumpBack(state, large_jump_);
        state.JumpLeftMark = true;
        break;
    case kJumpDown:
        JumpBack(state, small_jump_);
        state.JumpLeftMark = true;
        break;
    default:
        return;
    }
    state.LayoutLost = true;
    presentation_->SetLayoutLost();
    if (p_.fm.RstAftJmpChk.Checked() && p_.state.access_mode == AccessMode::Pio && state.ScanRunning) {
        // The reset must not land in the middle of the worker's command.
        p_.ops.SuspendTestThreads();
        p_.pio.SoftReset();
        p_.ops.ResumeTestThreads();
        p_.platform.clock.SleepMs(100);
    }
}

void ScanControl::QnMouseDown(int key)
{
    held_jump_ = key;
    if (engine_.ThreadExists() && p_.fm.AutoRepQnChk.Checked()) {
        p_.fm.QnRepeatTimer.SetInterval(static_cast<uint32_t>(std::max(p_.fm.QnRepTimeBox.Value(), 20)));
        p_.fm.QnRepeatTimer.SetActive(true);
    }
}

void ScanControl::QnMouseUp()
{
    p_.fm.QnRepeatTimer.SetActive(false);
    if (!p_.fm.AutoRepQnChk.Checked() && held_jump_) Jump(held_jump_);
    held_jump_ = 0;
}

// ---- Start -----------------------------------------------------------------

void ScanControl::ScanStartBtnClick()
{
    if (p_.fm.ScanStartBtn.Caption() == "Stop") {
        BreakClick();
        return;
    }
    StartScan(false);
}

void ScanControl::Tone()
{
    p_.ops.SpeakerTone(500, 200);
}

void ScanControl::RefuseStart()
{
    p_.fm.ScanStartBtn.SetEnabled(true);
    p_.ops.EnableDriveControls(true);
    SetStartButton(false);
    ready_ = true;
}

void ScanControl::SetStartButton(bool running)
{
    TFm& fm = p_.fm;
    fm.ScanStartBtn.SetCaption(running ? "Stop" : "Start");
    fm.ScanStartBtn.SetFontColour(running ? form::colours::kRed : form::colours::kBlue);
    fm.ScBlockSizeBox.SetEnabled(!running);
    fm.ScanRWGrp.SetEnabled(!running);
}

bool ScanControl::ShowWriteWarn()
{
    TWriteWarn& warn = p_.write_warn;
    TFm& fm = p_.fm;
    warn.SetBounds(fm.Geometry().left + 100, fm.Geometry().top + 100, warn.Geometry().width,
                   warn.Geometry().height);
    warn.WarnStartEdit.SetText(fm.StartLbaEdit.Text());
    warn.WarnEndEdit.SetText(fm.EndLbaEdit.Text());
    write_warn_cancelled_ = true;
    warn.Show();
    // The window is modal: its answer comes as the box's OK or Cancel.
    const bool ok = p_.dialogs.AskYesNo("Attention!",
                                        warn.WarnLab.Caption() + "\r" + warn.WarnHddLab.Caption() + "\rLBA " +
                                            warn.WarnStartEdit.Text() + "-" + warn.WarnEndEdit.Text());
    if (ok)
        warn.WarnYesBtn.Click();
    else
        warn.WarnNoBtn.Click();
    warn.Hide();
    return !write_warn_cancelled_;
}

void ScanControl::WriteWarnEditChange(bool start)
{
    TWriteWarn& warn = p_.write_warn;
    form::Edit& own = start ? warn.WarnStartEdit : warn.WarnEndEdit;
    const uint64_t value = ParseLbaEdit(own.Text());
    const std::string text = std::to_string(value);
    if (start) {
        state.StartLba = value;
        p_.fm.StartLbaEdit.SetText(text);
    } else {
        state.EndLba = value;
        p_.fm.EndLbaEdit.SetText(text);
    }
    if (own.Text() != text) own.SetText(text);
}

void ScanControl::WriteWarnOkClick()
{
    TWriteWarn& warn = p_.write_warn;
    const uint64_t start = ParseLbaEdit(warn.WarnStartEdit.Text());
    uint64_t end = ParseLbaEdit(warn.WarnEndEdit.Text());
    if (start >= end) {
        end = start + 1;
        warn.WarnEndEdit.SetText(std::to_string(end));
    }
    state.StartLba = start;
    state.EndLba = end;
    p_.fm.StartLbaEdit.SetText(std::to_string(start));
    p_.fm.EndLbaEdit.SetText(std::to_string(end));
    write_warn_cancelled_ = false;
}

bool ScanControl::ConfirmWrite()
{
    const DrivePassport& d = p_.state.passport;
    const std::string text = "User data will be lost!\r\n" + d.Model + "\r\nLBA " +
                             std::to_string(state.StartLba) + "-" + std::to_string(state.EndLba);
    if (!p_.dialogs.AskYesNo("Warning", text)) {
        p_.fm.EndScanVarBox.SetItemIndex(0);
        return false;
    }
    if (p_.ops.TargetIsSystemDisk() && !p_.dialogs.AskYesNo("Warning", "!!! SYSTEM DISK ERASING !!!")) {
        p_.fm.EndScanVarBox.SetItemIndex(0);
        return false;
    }
    return true;
}

bool ScanControl::PrepareNewScan()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    const bool api = st.access_mode == AccessMode::Api;

    // 1. A running seek test gives way.
    if (StopSeek && StopSeek()) p_.LogLine("Seek was terminated by Scan!", false, 4);

    // 2. A fresh start.
    state.LoopPass = 1;
    start_direction_ = state.Direction;
    state.LayoutLost = false;
    state.PauseRequested = false;
    state.JumpLeftMark = false;
    state.JumpRightMark = false;
    fm.PauseBtn.SetCaption("Pause");
    p_.ops.ResetBreakState();
    p_.ops.EnableDriveControls(false);

    // 3. The range as typed.
    state.StartLba = ParseLbaEdit(fm.StartLbaEdit.Text());
    state.EndLba = ParseLbaEdit(fm.EndLbaEdit.Text());
    if (state.Direction == ScanDirection::Random || state.Direction == ScanDirection::Butterfly)
        state.LayoutLost = true;

    // 4. The passport of the drive as it is now.
    if (!p_.passport.TakePassport(true, true)) return false;

    // 5. The channel and LBA addressing.
    if (!api) {
        if (!p_.pio.ProbeChannel()) {
            char text[80];
            std::snprintf(text, sizeof text, "[ATA protocol] Port %02Xh error, scan failed",
                          static_cast<unsigned>(st.BasePort));
            p_.LogLine(text, true, 4);
            Tone();
            return false;
        }
        if (!st.passport.LbaSupported) {
            p_.LogLine("This drive not support LBA, scan terminated", true, 4);
            Tone();
            return false;
        }
    }

    // 6. The mode; a newly identified drive's write range is confirmed first.
    state.Mode = static_cast<ScanMode>(std::clamp(fm.ScanRWGrp.ItemIndex(), 0, 2));
    if (state.Mode == ScanMode::Write && p_.passport.PassportTaken && !ShowWriteWarn()) return false;

    // 7. The range within the drive.
    const uint64_t last = LastLba();
    state.StartLba = std::min<uint64_t>(state.StartLba, last);
    state.EndLba = std::min<uint64_t>(state.EndLba, last);
    if (state.StartLba >= state.EndLba) state.EndLba = state.StartLba;
    fm.StartLbaEdit.SetText(std::to_string(state.StartLba));
    fm.EndLbaEdit.SetText(std::to_string(state.EndLba));

    // 8. The processor clock, when asked for.
    if (fm.AdjustCPUchk.Checked()) {
        p_.LogLine("CPU clock...", false, 1);
        p_.ops.CalibrateTimers();
        char text[64];
        std::snprintf(text, sizeof text, "CPU clock... %f MHz", st.CpuMHz);
        p_.LogLine(text, true, 1);
    }

    // 9. Writing destroys data: ask.
    if (state.Mode == ScanMode::Write && !ConfirmWrite()) return false;

    // 10. The heads to track 0.
    if (Recalibrate) Recalibrate();

    // 11.–12. Range, speed samples, block size and the timing classes.
    const uint64_t length = state.EndLba > state.StartLba ? state.EndLba - state.StartLba : 1;
    state.RangeLength = length;
    speed_samples_ = length < 2048000    ? 25
                     : length < 4096000  ? 51
                     : length < 10240000 ? 101
                     : length < 20480000 ? 251
                                         : 250;
    const bool pio28 = !api && !st.Use48Bit;
    const uint32_t block = ParseBlockSize(fm.ScBlockSizeBox.Text(), pio28);
    fm.ScBlockSizeBox.SetText(std::to_string(block));
    speed_samples_ /= (block >> 10) + 1;
    TimingBaseInputs base;
    base.identified_base = st.passport.ScanTimingBase;
    base.verify = state.Mode == ScanMode::Verify;
    base.depends_on_drive = fm.CorrTimHDDChk.Checked();
    base.api_removable = api && st.passport.Removable;
    base.lba_count = st.passport.LbaCount;
    base.block_size = block;
    base.solid_state = st.passport.ModelFamily == 15;
    st.passport.ScanTimingBase = ScanTimingBaseAtStart(base);
    RecomputeClassLimits();

    // 13. Long writes and restores address 28 bits.
    if (!api && ((state.Mode == ScanMode::Write && fm.EnLwChk.Checked()) || fm.ScRemapGroup.ItemIndex() == 3))
        fm.biglbaChk.SetChecked(false);
    return true;
}

void ScanControl::StartScan(bool loop_restart)
{
    if (!ready_) return;
    ready_ = false;
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    fm.ScanStartBtn.SetEnabled(false);
    const bool api = st.access_mode == AccessMode::Api;

    if (!loop_restart && !PrepareNewScan()) {
        RefuseStart();
        return;
    }

    // 15. The device stays open for the whole pass.
    ScanRunSettings run;
    run.api = api;
    run.timer = timer_;
    run.sector_size = st.passport.SectorSize ? st.passport.SectorSize : 512;
    if (api) {
        run.device = p_.api.OpenApiDevice(st.ApiDeviceIndex, st.ApiDriveLetter);
        if (!run.device) {
            if (st.ApiDeviceIndex < 0 || st.ApiDeviceIndex == 255)
                p_.LogLine(std::string("[API] Unable to open logical drive ") + st.ApiDriveLetter.load() +
                               ":",
                           false, 4);
            else
                p_.LogLine("[API] " + p_.api.PhysicalOpenFailureText(st.ApiDeviceIndex), false, 4);
            Tone();
            RefuseStart();
            return;
        }
    }

    // 16. What a write scan writes: zeros (the API pattern is the engine's).
    if (state.Mode == ScanMode::Write && !api) {
        std::lock_guard lock(st.BufferLock);
        st.WideBuffer.Clear();
    }

    // 17.–19. The walk.
    state.DefectoscopeMode = fm.ScDftChk.Checked() && !api;
    state.LongWriting = fm.EnLwChk.Checked() && !api && state.Mode == ScanMode::Write;
    state.WriteCheck = fm.DDDChk.Checked() && api && state.Mode == ScanMode::Write;
    state.BreakInLoops = fm.EnaBrkInCyclChk.Checked();
    if (loop_restart) {
        state.StartLba = ParseLbaEdit(fm.StartLbaEdit.Text());
        state.EndLba = std::max<uint64_t>(ParseLbaEdit(fm.EndLbaEdit.Text()), state.StartLba);
    }
    SetStartButton(true);
    fm.ScanStartBtn.SetEnabled(true);
    ApplyTimeoutBox();
    uint32_t block = ParseBlockSize(fm.ScBlockSizeBox.Text(), !api && !st.Use48Bit);
    if (block == 0) {
        block = 1;
        fm.ScBlockSizeBox.SetText("1");
    }
    state.BlockSize = block;
    state.StartBlockSize = block;
    BeginWalk(state);
    state.RandomEndMs =
        p_.platform.clock.TickCountMs() + ParseRandomTime(fm.RndScTimeEdit.Text()).value_or(600000);

    ScanStart start;
    start.start_lba = state.StartLba;
    start.end_lba = state.EndLba;
    start.range_length = state.RangeLength;
    start.block_size = state.BlockSize;
    start.direction = state.Direction;
    start.speed_samples = speed_samples_;
    start.sector_size = run.sector_size;
    start.sectors_per_mb = st.passport.SectorsPerMb ? st.passport.SectorsPerMb : 2048;
    start.model = st.passport.Model;
    presentation_->Begin(start);

    // 20. The start line.
    p_.LogLine(StartLogLine(), false,
               state.Mode == ScanMode::Write          ? 4
               : state.Mode == ScanMode::Read && !api ? 3
                                                      : 1);

    // 21. Jump sizes and the counters.
    large_jump_ = state.RangeLength / 50;
    small_jump_ = state.RangeLength / 1000;
    presentation_->ResetCounters();

    // 22. The worker. Taking the passport may have rebuilt the API device
    // list, which leaves the break flag set; the worker would end after one block.
    p_.state.BreakRequested = false;
    state.ThreadAlive = true;
    state.ScanRunning = true;
    fm.ScanHandOffTimer.SetActive(true);
    fm.ActivityImg.SetHint("Scan is progress!!!");
    fm.ActivityImg.SetVisible(true);
    engine_.Start(std::move(run));
    ready_ = true;
}

std::string ScanControl::StartLogLine() const
{
    const TFm& fm = p_.fm;
    const bool api = p_.state.access_mode == AccessMode::Api;
    std::string line;
    const bool long_write = state.Mode == ScanMode::Write && state.LongWriting;
    switch (state.Mode) {
    case ScanMode::Verify:
        line = "Starting surface scan, LBA=";
        break;
    case ScanMode::Read:
        line = api ? "Starting Reading, LBA=" : "Starting PIO-Reading, LBA=";
        break;
    case ScanMode::Write:
        line = long_write ? "Starting Long-Writing, LBA=" : "Starting ERASING, LBA=";
        break;
    }
    line +=
        std::to_string(state.StartLba) + ".." + std::to_string(state.EndLba) + DirectionText(state.Direction);
    if (!long_write) {
        const std::string box = fm.ScanTimeEdit.Text();
        switch (fm.ScRemapGroup.ItemIndex()) {
        case 1:
            line += " w. REMAP, tio " + box + "ms";
            break;
        case 2:
            line += " w. ERASE block, tio " + box + "ms";
            break;
        case 3:
            line += (api ? ", tio " : " w. RESTORE data, tio ") + box + "ms";
            break;
        default:
            line += ", timeout " + box + "ms";
            break;
        }
    }
    if (fm.EndScanVarBox.ItemIndex() == static_cast<int>(EndOfTest::Loop))
        line += ". Try " + std::to_string(state.LoopPass);
    return line;
}

// ---- The blocks ------------------------------------------------------------

void ScanControl::ClassifyBlock(BlockResult& block)
{
    const int timing_class = TimingClassOf(block.time, limits_);
    block.fast = timing_class <= 2;
    if (block.mark != '>' && block.mark != '<') block.mark = static_cast<char>('0' + timing_class);
    presentation_->CountGoodBlock(timing_class, block, limits_.divisor, state.DefectoscopeMode);
}

void ScanControl::HandleBadBlock(BlockResult& block, const std::string& distortion)
{
    if (!state.DefectoscopeMode) {
        presentation_->CountFailedBlock(block);
        if (block.status == kStatusDistortion)
            p_.LogLine("Block " + std::to_string(block.lba) + " - data distortion! " + distortion, false, 4);
        else if (presentation_->LogFailedBlocks())
            p_.LogLine(
                "Block " + std::to_string(block.lba) +
                    TaskFile::DescribeAtaError(static_cast<uint8_t>(std::min<uint16_t>(block.status, 0xFF))),
                false, 4);
    }
    block.mark = ErrorMarkOf(block.status);
    block.fast = false;
    p_.ui.ProcessMessages();
    actions_.Run(block, static_cast<DefectAction>(std::clamp(p_.fm.ScRemapGroup.ItemIndex(), 0, 3)));
}

// ---- Pause and break -------------------------------------------------------

void ScanControl::PauseBtnClick()
{
    TFm& fm = p_.fm;
    if (!state.ThreadAlive || p_.state.BreakRequested) return;
    if (fm.PauseBtn.Caption() == "Pause") {
        fm.PauseBtn.SetCaption("Continue");
        state.PauseRequested = true;
        engine_.Suspend();
        p_.scan_view.SetPaused(true);
        p_.LogLine("Surface scan paused", false, 1);
    } else {
        fm.PauseBtn.SetCaption("Pause");
        state.PauseRequested = false;
        engine_.Resume();
        p_.scan_view.SetPaused(false);
        p_.LogLine("Surface scan resumption", false, 1);
        FocusJumpKeys();
    }
}

void ScanControl::BreakClick()
{
    TFm& fm = p_.fm;
    p_.ui.ProcessMessages();
    p_.platform.clock.SleepMs(100);
    if (!fm.EnaBrkInCyclChk.Checked() && ++break_presses_ > 3) {
        break_presses_ = 0;
        p_.dialogs.ShowMessage(
            "Кнопка \"Break\" была нажата четыре раза !\r\nВ результате галка \"Enable breaking "
            "internal loops\" на вкладке Setup\r\nбыла автоматически установлена.");
        fm.EnaBrkInCyclChk.SetChecked(true);
    }
    if (p_.state.BreakRequested) return;
    if (state.ThreadAlive) {
        ScanComplete();
        FinalPart(false);
        fm.EndScanVarBox.SetItemIndex(0);
    }
    p_.state.BreakRequested = true;
    fm.PauseBtn.SetCaption("Pause");
    state.PauseRequested = false;
    p_.LogLine("Command interrupted by user!", false, 4);
    fm.BreakLed.SetBrush(form::Colour::Rgb(0, 255, 0));
    if (fm.SmTimerChk.Checked()) fm.SmTimerChk.SetChecked(false);
    p_.ops.EnableDriveControls(true);
    p_.SetApplicationTitle("Morvanta ");
}

void ScanControl::ScanComplete()
{
    state.WaitingForTimer = false;
    state.ThreadAlive = false;
    engine_.Resume();
    engine_.Terminate();
    state.ScanRunning = false;
    p_.fm.ScanHandOffTimer.SetActive(false);
    p_.fm.QnRepeatTimer.SetActive(false);
    p_.fm.ActivityImg.SetVisible(false);
    p_.fm.ActivityImg.SetHint("Scan complete");
}

// ---- The end ---------------------------------------------------------------

void ScanControl::WorkerFinished(bool completed)
{
    if (completed) {
        presentation_->ShowFullProgress();
        switch (static_cast<EndOfTest>(p_.fm.EndScanVarBox.ItemIndex())) {
        case EndOfTest::Loop:
            RestartLoopTest();
            return;
        case EndOfTest::StopSpindle:
            if (StopSpindle) StopSpindle();
            break;
        case EndOfTest::PowerOff:
            p_.power.PowerBtnClick();
            break;
        case EndOfTest::End:
        case EndOfTest::Shutdown:
            break;
        }
        p_.ops.BellSignal();
    }
    FinalPart(completed);
}

void ScanControl::FinalPart(bool completed)
{
    const uint32_t warnings = presentation_->WarningCount();
    const uint32_t errors = presentation_->ErrorCount();
    const std::string summary =
        warnings || errors ? "Warnings - " + std::to_string(warnings) + ", errors - " + std::to_string(errors)
                           : "no warnings, no errors";
    ShowScanResults(summary);
    if (state.ScanRunning || state.ThreadAlive) ScanComplete();
    p_.SetApplicationTitle("Morvanta ");
    if (completed && !p_.state.BreakRequested &&
        p_.fm.EndScanVarBox.ItemIndex() == static_cast<int>(EndOfTest::Shutdown)) {
        if (StopSpindle) StopSpindle();
        EndShutdown();
    }
}

void ScanControl::ShowScanResults(const std::string& summary)
{
    ScanSummary result;
    result.text = summary;
    switch (state.Direction) {
    case ScanDirection::Forward:
        result.position = state.CurrentLba - 1;
        break;
    case ScanDirection::Reverse:
        result.position = state.StartLba;
        break;
    case ScanDirection::Random:
        result.position =
            state.StartLba == state.EndLba ? uint64_t{state.EndLba} : state.CurrentLba + state.BlockSize;
        break;
    case ScanDirection::Butterfly:
        result.position = state.CurrentLba;
        break;
    }
    p_.LogLine("***** Scan results: " + summary + " *****", false, 1);
    presentation_->ShowResults(result);
    SetStartButton(false);
    p_.ops.EnableDriveControls(true);
}

void ScanControl::EndShutdown()
{
    p_.LogLine("Shutdown PC", false, 2);
    if (!p_.platform.system.RequestPowerOff())
        p_.LogLine("Shutdown PC: the system refused to power off", false, 4);
}

void ScanControl::RestartLoopTest()
{
    TFm& fm = p_.fm;
    engine_.Terminate();
    state.ScanRunning = false;
    state.StartLba = ParseLbaEdit(fm.StartLbaEdit.Text());
    state.EndLba = ParseLbaEdit(fm.EndLbaEdit.Text());
    SetStartButton(false);
    if (fm.ResBetwLoopScanChk.Checked() && p_.state.access_mode == AccessMode::Pio) p_.pio.SoftReset();
    fm.PauseBtn.SetCaption("Pause");
    state.PauseRequested = false;
    p_.ops.SleepWithMessages(200);
    ++state.LoopPass;
    StartScan(true);
}

} // namespace mrv
