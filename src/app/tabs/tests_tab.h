#pragma once
// The "Tests" tab's left part: surface-scan parameters and jump keys (the
// grid, graph and counters are ScanViewControls).

#include "form/controls.h"

namespace mrv
{

struct TestsTab {
    explicit TestsTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::GroupBox ScanParamGroup{"ScanParamGroup", &tab_};
    form::Label StartLbaLab{"StartLbaLab", &ScanParamGroup};
    form::Edit StartLbaEdit{"StartLbaEdit", &ScanParamGroup};
    form::Label EndLbaLab{"EndLbaLab", &ScanParamGroup};
    form::Edit EndLbaEdit{"EndLbaEdit", &ScanParamGroup};
    form::Label BlockSizeLab{"BlockSizeLab", &ScanParamGroup};
    form::ComboBox BlockSizeCb{"BlockSizeCb", &ScanParamGroup};
    form::CheckBox AutoBlockChk{"AutoBlockChk", &ScanParamGroup};
    form::RadioGroup ScanModeRg{"ScanModeRg", &ScanParamGroup};
    form::CheckBox WrLbaNumChk{"WrLbaNumChk", &ScanParamGroup};
    form::Button ScanStartBtn{"ScanStartBtn", &ScanParamGroup};

    form::Panel Qn{"Qn", &tab_};
    form::Button JumpUpBtn{"JumpUpBtn", &Qn};
    form::Button JumpLeftBtn{"JumpLeftBtn", &Qn};
    form::Button PauseBtn{"PauseBtn", &Qn};
    form::Button JumpRightBtn{"JumpRightBtn", &Qn};
    form::Button JumpDownBtn{"JumpDownBtn", &Qn};
    form::CheckBox JmpResetChk{"JmpResetChk", &tab_};
};

} // namespace mrv
