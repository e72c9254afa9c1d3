#include "app/tabs/smart_tab.h"

namespace mrv
{

SmartTab::SmartTab(form::TabSheet& tab) : tab_(tab)
{
    SmartTopPanel.SetBounds(0, 0, 596, 30);
    SmartBtn.SetCaption("Get SMART");
    SmartBtn.SetBounds(4, 4, 80, 22);
    SmTimerChk.SetCaption("timer, s:");
    SmTimerChk.SetBounds(90, 6, 64, 17);
    SmTimerEdit.SetBounds(156, 4, 40, 21);
    SmTimerEdit.SetText("60");
    SmartSaveBinChk.SetCaption("Save BIN");
    SmartSaveBinChk.SetBounds(204, 6, 70, 17);
    SmartSaveBinChk.SetChecked(true);
    SmartOpenBinBtn.SetCaption("Open BIN");
    SmartOpenBinBtn.SetBounds(276, 4, 64, 22);
    IbmSuperSmart.SetCaption("Use IBM super smart:");
    IbmSuperSmart.SetBounds(346, 6, 130, 17);
    IbmSuperSmart.SetEnabled(false);
    SmartLed.SetBounds(484, 9, 10, 10);
    SmrtStLabel.SetBounds(498, 7, 96, 13);

    SmartList.SetBounds(0, 32, 596, 182);
    SmartList.SetGridLines(true);
    SmartTestPanel.SetBounds(0, 216, 596, 112);
    SmartTestList.SetBounds(0, 0, 596, 112);
}

} // namespace mrv
