// What the technician does in each column of the campaign, through the
// program's own controls, with the fault somewhere in its way.

#include "campaign/campaign_lab.h"
#include "scan/defect_actions.h"

namespace mrv::test
{

namespace
{

/// Virtual time any scan of the user's range must end within: every block
/// timing out once, with room for the actions.
constexpr uint64_t kScanBudgetMs = 30 * 60 * 1000;
/// How long the seek test runs on the faulty sector before the technician breaks it.
constexpr uint32_t kSeekRunMs = 3000;
constexpr uint64_t kStopBudgetMs = 60 * 1000;

enum ScanMode { kVerify = 0, kRead = 1, kWrite = 2 };

bool Offered(const form::Control& control)
{
    return control.Visible() && control.Enabled();
}

bool Scan(CampaignLab& lab, ScanMode mode, DefectAction action, bool defectoscope, bool& offered)
{
    TFm& fm = lab.fm();
    fm.MainPage.SetActivePageIndex(2);
    if (defectoscope && !Offered(fm.ScDftChk)) {
        offered = false;
        return true;
    }
    fm.StartLbaEdit.SetText(std::to_string(kRangeFirst));
    fm.EndLbaEdit.SetText(std::to_string(kRangeLast));
    fm.ScBlockSizeBox.SetText("256");
    fm.ScanRWGrp.SetItemIndex(mode);
    fm.ScRemapGroup.SetItemIndex(static_cast<int>(action));
    fm.ScDftChk.SetChecked(defectoscope);
    // A write scan asks twice whether user data may be lost.
    lab.fixture->dialogs.yes_no_answers = {true, true, true, true};
    lab.Click(fm.ScanStartBtn);
    return lab.RunWhile([&] { return lab.p().scan_worker->Running(); }, kScanBudgetMs);
}

bool Seek(CampaignLab& lab, bool& offered)
{
    TFm& fm = lab.fm();
    if (!Offered(fm.SeekBtn)) {
        offered = false;
        return true;
    }
    // A range of one sector: every access reaches the faulty one.
    fm.SeekStartLbaEdit.SetText(std::to_string(kFaultLba));
    fm.SeekEndLbaEdit.SetText(std::to_string(kFaultLba + 1));
    fm.SeekModeGrp.SetItemIndex(1); // verify
    fm.SeekTioEdit.SetText("250");
    lab.Click(fm.SeekBtn);
    auto running = [&] { return lab.p().seek.Worker().Running(); };
    lab.RunWhile(running, kSeekRunMs);
    if (running()) lab.Click(fm.BreakAllBtn);
    return lab.RunWhile(running, kStopBudgetMs);
}

/// A button whose handler does all its work before it returns.
bool Press(CampaignLab& lab, form::Button& button, bool& offered)
{
    if (!Offered(button)) {
        offered = false;
        return true;
    }
    lab.Click(button);
    return true;
}

bool Hpa(CampaignLab& lab, bool& offered)
{
    TFm& fm = lab.fm();
    fm.HPATpChk.SetChecked(true);
    fm.L1.SetText(std::to_string(kCampaignSectors - 192));
    return Press(lab, fm.HpaBtn, offered);
}

bool Security(CampaignLab& lab, bool& offered)
{
    TFm& fm = lab.fm();
    if (!Offered(fm.LockBtn)) {
        offered = false;
        return true;
    }
    fm.PwdEdit.SetText("campaign");
    lab.fixture->dialogs.yes_no_answers = {true, true, true, true};
    lab.Click(fm.LockBtn);
    lab.Click(fm.UnlockBtn);
    return true;
}

} // namespace

const std::vector<Operation>& CampaignOperations()
{
    using A = DefectAction;
    static const std::vector<Operation> operations = {
        {"Passport", false, [](CampaignLab& l, bool& o) { return Press(l, l.fm().PasspBtn, o); }},
        {"SMART", false, [](CampaignLab& l, bool& o) { return Press(l, l.fm().SmartBtn, o); }},
        {"Verify scan", false, [](CampaignLab& l, bool& o) { return Scan(l, kVerify, A::Ignore, false, o); }},
        {"Read scan", false, [](CampaignLab& l, bool& o) { return Scan(l, kRead, A::Ignore, false, o); }},
        {"Write scan", true, [](CampaignLab& l, bool& o) { return Scan(l, kWrite, A::Ignore, false, o); }},
        {"Remap", true, [](CampaignLab& l, bool& o) { return Scan(l, kVerify, A::Remap, false, o); }},
        {"Erase", true, [](CampaignLab& l, bool& o) { return Scan(l, kVerify, A::Erase, false, o); }},
        {"Restore", true, [](CampaignLab& l, bool& o) { return Scan(l, kRead, A::Restore, false, o); }},
        {"Defectoscope", false, [](CampaignLab& l, bool& o) { return Scan(l, kVerify, A::Ignore, true, o); }},
        {"Seek test", false, [](CampaignLab& l, bool& o) { return Seek(l, o); }},
        {"RPM", false, [](CampaignLab& l, bool& o) { return Press(l, l.fm().RzBitBtn43, o); }},
        {"HPA", false, [](CampaignLab& l, bool& o) { return Hpa(l, o); }},
        {"Security", false, [](CampaignLab& l, bool& o) { return Security(l, o); }},
    };
    return operations;
}

} // namespace mrv::test
