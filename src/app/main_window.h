#pragma once
// The main window `TFm`: the frame and the five tabs, each a struct of named
// controls, so that every control is reached as fm.<Name>.

#include "app/tabs/advanced_tab.h"
#include "app/tabs/frame_controls.h"
#include "app/tabs/scan_view_controls.h"
#include "app/tabs/setup_tab.h"
#include "app/tabs/smart_tab.h"
#include "app/tabs/standard_tab.h"
#include "app/tabs/tests_tab.h"
#include "form/controls.h"

namespace mrv
{

struct TFm : form::Window,
             FrameControls,
             StandardTab,
             SmartTab,
             TestsTab,
             ScanViewControls,
             AdvancedTab,
             SetupTab {
    TFm();
};

} // namespace mrv
