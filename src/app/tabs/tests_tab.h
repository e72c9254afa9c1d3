#pragma once
// The "Tests" tab's scan controls (its left column): range, block size,
// time-out, end-of-test action, verify/read/write, defect action and its
// options, the direction images, start and pause, and the jump keys. What the
// scan shows (grid, counters, graph, readouts) lies to their right.

#include "form/controls.h"

namespace mrv
{

struct TestsTab {
    explicit TestsTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::GroupBox ScanParamGroup{"ScanParamGroup", &tab_};
    form::Label StartLbaLab{"StartLbaLab", &ScanParamGroup};
    form::Edit StartLbaEdit{"StartLbaEdit", &ScanParamGroup};
    form::Button Button3{"Button3", &ScanParamGroup};
    form::Label EndLbaLab{"EndLbaLab", &ScanParamGroup};
    form::Edit EndLbaEdit{"EndLbaEdit", &ScanParamGroup};
    form::Button MaxLbaButton{"MaxLbaButton", &ScanParamGroup};
    form::Label BlockSizeLab{"BlockSizeLab", &ScanParamGroup};
    form::ComboBox ScBlockSizeBox{"ScBlockSizeBox", &ScanParamGroup};
    form::CheckBox AutoSizeSC{"AutoSizeSC", &ScanParamGroup};
    form::Label ScanTimeLab{"ScanTimeLab", &ScanParamGroup};
    form::ComboBox ScanTimeEdit{"ScanTimeEdit", &ScanParamGroup};
    form::ComboBox EndScanVarBox{"EndScanVarBox", &ScanParamGroup};
    form::RadioGroup ScanRWGrp{"ScanRWGrp", &ScanParamGroup};
    form::RadioGroup ScRemapGroup{"ScRemapGroup", &ScanParamGroup};
    form::CheckBox ScDftChk{"ScDftChk", &ScanParamGroup};
    form::CheckBox EnLwChk{"EnLwChk", &ScanParamGroup};
    form::CheckBox ScNumLbaChk{"ScNumLbaChk", &ScanParamGroup};
    form::CheckBox DDDChk{"DDDChk", &ScanParamGroup};
    form::Image ImgFWD{"ImgFWD", &ScanParamGroup};
    form::Image ImgREV{"ImgREV", &ScanParamGroup};
    form::Image ImgRND{"ImgRND", &ScanParamGroup};
    form::Image ImgBTF{"ImgBTF", &ScanParamGroup};
    form::Edit RndScTimeEdit{"RndScTimeEdit", &ScanParamGroup};
    form::Button ScanStartBtn{"ScanStartBtn", &ScanParamGroup};

    form::Panel Qn{"Qn", &tab_};
    form::Button QnUp{"QnUp", &Qn};
    form::Button QnLeft{"QnLeft", &Qn};
    form::Button PauseBtn{"PauseBtn", &Qn};
    form::Button QnRight{"QnRight", &Qn};
    form::Button QnDown{"QnDown", &Qn};
    form::CheckBox RstAftJmpChk{"RstAftJmpChk", &tab_};

    /// Applies the scan worker's queued block results.
    form::Timer ScanHandOffTimer{"ScanHandOffTimer", &tab_};
    /// Repeats the held jump key.
    form::Timer QnRepeatTimer{"QnRepeatTimer", &tab_};
};

} // namespace mrv
