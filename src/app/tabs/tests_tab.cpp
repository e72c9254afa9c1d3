#include "app/tabs/tests_tab.h"

namespace mrv
{

TestsTab::TestsTab(form::TabSheet& tab) : tab_(tab)
{
    ScanParamGroup.SetBounds(2, 0, 202, 372);
    ScanParamGroup.SetCaption(" Surface test ");
    StartLbaLab.SetCaption("Start LBA:");
    StartLbaLab.SetBounds(6, 18, 52, 13);
    StartLbaEdit.SetBounds(58, 14, 108, 21);
    StartLbaEdit.SetText("0");
    StartLbaEdit.SetHint("Start LBA");
    Button3.SetCaption("0");
    Button3.SetHint("Reset  start LBA to zero");
    Button3.SetBounds(168, 14, 30, 21);
    EndLbaLab.SetCaption("End LBA:");
    EndLbaLab.SetBounds(6, 42, 52, 13);
    EndLbaEdit.SetBounds(58, 38, 108, 21);
    EndLbaEdit.SetText("1");
    EndLbaEdit.SetHint("End LBA");
    MaxLbaButton.SetCaption("MAX");
    MaxLbaButton.SetHint("Reset End LBA to maximum");
    MaxLbaButton.SetBounds(168, 38, 30, 21);
    MaxLbaButton.SetEnabled(false);

    BlockSizeLab.SetCaption("Block size:");
    BlockSizeLab.SetBounds(6, 66, 52, 13);
    ScBlockSizeBox.SetBounds(58, 62, 56, 21);
    ScBlockSizeBox.SetItems({"1", "32", "64", "128", "256"});
    ScBlockSizeBox.SetItemIndex(4);
    AutoSizeSC.SetCaption("[ auto ]");
    AutoSizeSC.SetBounds(120, 64, 76, 17);
    AutoSizeSC.SetChecked(true);
    ScanTimeLab.SetCaption("Timeout,ms:");
    ScanTimeLab.SetBounds(6, 90, 60, 13);
    ScanTimeEdit.SetBounds(70, 86, 60, 21);
    ScanTimeEdit.SetItems({"never", "20", "50", "100", "250", "500", "1000", "10000", "30000", "never"});
    ScanTimeEdit.SetText("10000");
    ScanTimeEdit.SetHint("Block timeout, ms");
    EndScanVarBox.SetBounds(6, 110, 190, 21);
    EndScanVarBox.SetItems({"End of test", "Stop spindle", "Loop test", "HD power off", "Shutdown PC"});
    EndScanVarBox.SetItemIndex(0);

    ScanRWGrp.SetBounds(6, 134, 72, 66);
    ScanRWGrp.SetItems({"verify", "read", "write"});
    ScanRWGrp.SetItemIndex(0);
    ScRemapGroup.SetBounds(82, 134, 114, 84);
    ScRemapGroup.SetItems({"Ignore   ", "Remap", "Erase", "Restore"});
    ScRemapGroup.SetItemIndex(0);
    ScDftChk.SetCaption("Defectoscop");
    ScDftChk.SetBounds(6, 202, 74, 17);
    EnLwChk.SetCaption("Long writing");
    EnLwChk.SetBounds(6, 222, 90, 17);
    EnLwChk.SetEnabled(false);
    ScNumLbaChk.SetCaption("wr LBA num");
    ScNumLbaChk.SetBounds(100, 222, 96, 17);
    ScNumLbaChk.SetChecked(true);
    ScNumLbaChk.SetVisible(false);
    DDDChk.SetCaption("DDD (API)");
    DDDChk.SetBounds(6, 202, 74, 17);
    DDDChk.SetVisible(false);
    DDDChk.SetEnabled(false);

    ImgFWD.SetHint("Forward scan");
    ImgFWD.SetBounds(6, 244, 44, 28);
    ImgFWD.SetCaption("FWD_ON");
    ImgREV.SetHint("Reverse scan");
    ImgREV.SetBounds(54, 244, 44, 28);
    ImgREV.SetCaption("REV_OFF");
    ImgRND.SetHint("Random scan");
    ImgRND.SetBounds(102, 244, 44, 28);
    ImgRND.SetCaption("RND_OFF");
    ImgBTF.SetHint("Buttrefly scan");
    ImgBTF.SetBounds(150, 244, 44, 28);
    ImgBTF.SetCaption("BTF_OFF");
    RndScTimeEdit.SetBounds(6, 276, 60, 21);
    RndScTimeEdit.SetText("0:10");
    RndScTimeEdit.SetHint("Random test time (1min...23h:59m)");
    RndScTimeEdit.SetEnabled(false);

    ScanStartBtn.SetCaption("Start");
    ScanStartBtn.SetFontColour(form::colours::kBlue);
    ScanStartBtn.SetBounds(6, 302, 190, 26);

    Qn.SetBounds(2, 374, 100, 80);
    Qn.SetHint("Jump during surface scan");
    QnUp.SetCaption("^");
    QnUp.SetBounds(36, 2, 28, 24);
    QnLeft.SetCaption("<");
    QnLeft.SetBounds(4, 28, 27, 24);
    PauseBtn.SetCaption("Pause");
    PauseBtn.SetBounds(32, 28, 36, 24);
    QnRight.SetCaption(">");
    QnRight.SetBounds(68, 28, 28, 24);
    QnDown.SetCaption("v");
    QnDown.SetBounds(36, 54, 28, 24);
    RstAftJmpChk.SetCaption("Reset HDD after jump");
    RstAftJmpChk.SetBounds(104, 374, 100, 30);

    ScanHandOffTimer.SetInterval(20);
    QnRepeatTimer.SetInterval(50);
}

} // namespace mrv
