#include "app/tabs/smart_tab.h"

#include <algorithm>

namespace mrv
{

namespace
{
constexpr int kTabHeight = 326;
constexpr int kListTop = 80;
/// The attribute list keeps at least this much of the tab.
constexpr int kListMinHeight = 60;
} // namespace

SmartTab::SmartTab(form::TabSheet& tab) : tab_(tab)
{
    SmartTopPanel.SetBounds(0, 0, 596, 78);
    SmartBtn.SetCaption("Get SMART");
    SmartBtn.SetHint("Get S.M.A.R.T. attributes, temperature and status  [ F9 ]");
    SmartBtn.SetBounds(4, 4, 80, 22);
    SmTimerLED.SetBounds(92, 10, 10, 10);
    SmTimerLED.SetBrush(form::colours::kGray);
    SmTimerChk.SetCaption("ON");
    SmTimerChk.SetHint("Repeat Get SMART periodically");
    SmTimerChk.SetBounds(106, 6, 40, 17);
    SmTimerEdit.SetRange(1, 777);
    SmTimerEdit.SetValue(60);
    SmTimerEdit.SetHint("Period of the SMART timer, seconds (1-777)");
    SmTimerEdit.SetBounds(148, 4, 50, 21);
    SmTimerLab.SetCaption("s");
    SmTimerLab.SetBounds(200, 8, 8, 13);
    SmartSaveBinChk.SetCaption("Save BIN");
    SmartSaveBinChk.SetBounds(210, 6, 66, 17);
    SmartSaveBinChk.SetChecked(true);
    SmartOpenBinBtn.SetCaption("Open BIN");
    SmartOpenBinBtn.SetBounds(278, 4, 60, 22);
    IbmSuperSmart.SetCaption("Use IBM super smart:");
    IbmSuperSmart.SetBounds(342, 6, 142, 17);
    IbmSuperSmart.SetEnabled(false);
    SmartLed.SetBounds(486, 9, 10, 10);
    SmrtStLabel.SetBounds(500, 7, 94, 13);
    SmrtStLabel.SetCaption("- - - -");
    SmrtStLabel.SetFontColour(form::colours::kGray);

    SmartOnBtn.SetCaption("SMART ON");
    SmartOnBtn.SetBounds(4, 28, 72, 22);
    SmartOffBtn.SetCaption("SMART OFF");
    SmartOffBtn.SetBounds(80, 28, 72, 22);
    AutoSaveOnBtn.SetCaption("Auto Save attributes ON");
    AutoSaveOnBtn.SetBounds(156, 28, 150, 22);
    AutoSaveOffBtn.SetCaption("Auto Save attributes OFF");
    AutoSaveOffBtn.SetBounds(310, 28, 156, 22);

    SmScanBox.SetHint("Kind of SMART self-test or off-line routine");
    SmScanBox.SetBounds(4, 53, 160, 21);
    SmVSTestEdit.SetRange(0, 255);
    SmVSTestEdit.SetValue(0);
    SmVSTestEdit.SetEnabled(false);
    SmVSTestEdit.SetHint("Value of the routine (LBA low register)");
    SmVSTestEdit.SetBounds(168, 53, 50, 21);
    SmBeginBtn.SetCaption("Begin");
    SmBeginBtn.SetBounds(222, 52, 60, 22);
    SmAbortBtn.SetCaption("Abort");
    SmAbortBtn.SetBounds(286, 52, 60, 22);
    SmtMeter.SetMax(10);
    SmtMeter.SetHint("Self-test progress");
    SmtMeter.SetBounds(352, 56, 240, 14);

    SmartList.SetGridLines(true);
    SmartList.SetPopup(&SmartMenu);
    SmartTestList.SetGridLines(true);
    SmartTimer.SetInterval(60000);
    PlaceSmartTestPanel(112);
}

void SmartTab::PlaceSmartTestPanel(int height)
{
    height = std::clamp(height, 0, kTabHeight - kListTop - kListMinHeight);
    const int list_height = kTabHeight - kListTop - height - (height > 0 ? 2 : 0);
    SmartList.SetBounds(0, kListTop, 596, list_height);
    SmartTestPanel.SetBounds(0, kTabHeight - height, 596, height);
    SmartTestList.SetBounds(0, 0, 596, height);
}

} // namespace mrv
