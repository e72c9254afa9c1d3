#pragma once
// The "SMART" tab: monitor, timer, control buttons, self-test box, attribute
// list and self-test list.

#include "form/controls.h"

namespace mrv
{

struct SmartTab {
    explicit SmartTab(form::TabSheet& tab);

    /// Gives the test-status panel `height` (0 hides it) and the attribute
    /// list the rest of the tab.
    void PlaceSmartTestPanel(int height);

    form::TabSheet& tab_;

    form::Panel SmartTopPanel{"SmartTopPanel", &tab_};
    form::Button SmartBtn{"SmartBtn", &SmartTopPanel};
    form::Lamp SmTimerLED{"SmTimerLED", &SmartTopPanel};
    form::CheckBox SmTimerChk{"SmTimerChk", &SmartTopPanel};
    form::SpinEdit SmTimerEdit{"SmTimerEdit", &SmartTopPanel};
    form::Label SmTimerLab{"SmTimerLab", &SmartTopPanel};
    form::CheckBox SmartSaveBinChk{"SmartSaveBinChk", &SmartTopPanel};
    form::Button SmartOpenBinBtn{"SmartOpenBinBtn", &SmartTopPanel};
    form::CheckBox IbmSuperSmart{"IbmSuperSmart", &SmartTopPanel};
    form::Lamp SmartLed{"SmartLed", &SmartTopPanel};
    form::Label SmrtStLabel{"SmrtStLabel", &SmartTopPanel};

    form::Button SmartOnBtn{"SmartOnBtn", &SmartTopPanel};
    form::Button SmartOffBtn{"SmartOffBtn", &SmartTopPanel};
    form::Button AutoSaveOnBtn{"AutoSaveOnBtn", &SmartTopPanel};
    form::Button AutoSaveOffBtn{"AutoSaveOffBtn", &SmartTopPanel};

    form::ComboBox SmScanBox{"SmScanBox", &SmartTopPanel};
    form::SpinEdit SmVSTestEdit{"SmVSTestEdit", &SmartTopPanel};
    form::Button SmBeginBtn{"SmBeginBtn", &SmartTopPanel};
    form::Button SmAbortBtn{"SmAbortBtn", &SmartTopPanel};
    form::ProgressBar SmtMeter{"SmtMeter", &SmartTopPanel};

    form::ListView SmartList{"SmartList", &tab_};
    form::PopupMenu SmartMenu{"SmartMenu"};
    form::Panel SmartTestPanel{"SmartTestPanel", &tab_};
    form::ListView SmartTestList{"SmartTestList", &SmartTestPanel};
    form::Timer SmartTimer{"SmartTimer", &tab_};
};

} // namespace mrv
