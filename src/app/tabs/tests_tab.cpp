#include "app/tabs/tests_tab.h"

namespace mrv
{

TestsTab::TestsTab(form::TabSheet& tab) : tab_(tab)
{
    ScanParamGroup.SetBounds(2, 0, 200, 196);
    ScanParamGroup.SetCaption(" Surface test ");
    StartLbaLab.SetCaption("Start LBA:");
    StartLbaLab.SetBounds(6, 18, 60, 13);
    StartLbaEdit.SetBounds(70, 14, 124, 21);
    StartLbaEdit.SetText("0");
    EndLbaLab.SetCaption("End LBA:");
    EndLbaLab.SetBounds(6, 42, 60, 13);
    EndLbaEdit.SetBounds(70, 38, 124, 21);
    EndLbaEdit.SetText("0");
    BlockSizeLab.SetCaption("Block size:");
    BlockSizeLab.SetBounds(6, 66, 60, 13);
    BlockSizeCb.SetBounds(70, 62, 70, 21);
    AutoBlockChk.SetCaption("[ auto ]");
    AutoBlockChk.SetBounds(142, 64, 56, 17);
    AutoBlockChk.SetChecked(true);
    ScanModeRg.SetBounds(6, 86, 188, 60);
    ScanModeRg.SetCaption(" Mode ");
    ScanModeRg.SetItems({"Verify", "Read", "Write"});
    ScanModeRg.SetItemIndex(0);
    WrLbaNumChk.SetCaption("wr LBA num");
    WrLbaNumChk.SetBounds(80, 150, 100, 17);
    ScanStartBtn.SetCaption("Start");
    ScanStartBtn.SetBounds(6, 170, 188, 22);

    Qn.SetBounds(2, 198, 100, 80);
    Qn.SetHint("Jump keys");
    JumpUpBtn.SetCaption("^");
    JumpUpBtn.SetBounds(36, 2, 28, 24);
    JumpLeftBtn.SetCaption("<");
    JumpLeftBtn.SetBounds(4, 28, 28, 24);
    PauseBtn.SetCaption("||");
    PauseBtn.SetBounds(36, 28, 28, 24);
    JumpRightBtn.SetCaption(">");
    JumpRightBtn.SetBounds(68, 28, 28, 24);
    JumpDownBtn.SetCaption("v");
    JumpDownBtn.SetBounds(36, 54, 28, 24);
    JmpResetChk.SetCaption("Reset HDD after jump");
    JmpResetChk.SetBounds(2, 282, 150, 17);
}

} // namespace mrv
