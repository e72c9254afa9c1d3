#pragma once
// The "SMART" tab: monitor, timer, control buttons, self-test box, attribute
// list and self-test list.

#include "form/controls.h"

namespace mrv
{

struct SmartTab {
    explicit SmartTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::Panel SmartTopPanel{"SmartTopPanel", &tab_};
    form::Button SmartBtn{"SmartBtn", &SmartTopPanel};
    form::CheckBox SmTimerChk{"SmTimerChk", &SmartTopPanel};
    form::Edit SmTimerEdit{"SmTimerEdit", &SmartTopPanel};
    form::CheckBox SmartSaveBinChk{"SmartSaveBinChk", &SmartTopPanel};
    form::Button SmartOpenBinBtn{"SmartOpenBinBtn", &SmartTopPanel};
    form::CheckBox IbmSuperSmart{"IbmSuperSmart", &SmartTopPanel};
    form::Lamp SmartLed{"SmartLed", &SmartTopPanel};
    form::Label SmrtStLabel{"SmrtStLabel", &SmartTopPanel};
    form::ListView SmartList{"SmartList", &tab_};
    form::Panel SmartTestPanel{"SmartTestPanel", &tab_};
    form::ListView SmartTestList{"SmartTestList", &SmartTestPanel};
};

} // namespace mrv
