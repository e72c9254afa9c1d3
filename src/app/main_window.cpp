#include "app/main_window.h"

namespace mrv
{

TFm::TFm()
    : form::Window("Fm"), FrameControls(static_cast<form::Window&>(*this)), StandardTab(TabStandard),
      SmartTab(TabSmart), TestsTab(TabTests), ScanViewControls(TabTests), AdvancedTab(TabAdvanced),
      SetupTab(TabSetup)
{
    SetBounds(10, 10, 757, 556);
}

} // namespace mrv
