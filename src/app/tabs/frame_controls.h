#pragma once
// The frame of the main window that stays visible on every tab: the page
// control, the access-mode switch and its boxes, the task-file register panel,
// the bottom command buttons, the event log and the status bar.

#include "form/controls.h"

namespace mrv
{

struct FrameControls {
    explicit FrameControls(form::Window& window);

    form::Window& window_;

    form::PageControl MainPage{"MainPage", &window_};
    form::TabSheet TabStandard{"TabStandard", &MainPage};
    form::TabSheet TabSmart{"TabSmart", &MainPage};
    form::TabSheet TabTests{"TabTests", &MainPage};
    form::TabSheet TabAdvanced{"TabAdvanced", &MainPage};
    form::TabSheet TabSetup{"TabSetup", &MainPage};

    // Right-hand side panel: access mode, drive boxes, registers, commands.
    form::Panel SidePanel{"SidePanel", &window_};
    form::RadioGroup APIRg{"APIRg", &SidePanel};
    form::Label PortLab{"PortLab", &SidePanel};
    form::SpinEdit ApiDevSpin{"ApiDevSpin", &SidePanel};
    form::CheckBox biglbaChk{"biglbaChk", &SidePanel};
    form::CheckBox DrdyChk{"DrdyChk", &SidePanel};
    form::CheckBox SoundChk{"SoundChk", &SidePanel};
    form::Button HexEditBtn{"HexEditBtn", &SidePanel};

    form::Panel RegPanel{"RegPanel", &SidePanel};
    form::Lamp BusyLed{"BusyLed", &RegPanel};
    form::Label BusyLab{"BusyLab", &RegPanel};
    form::Lamp DrdyLed{"DrdyLed", &RegPanel};
    form::Label DrdyLab{"DrdyLab", &RegPanel};
    form::Lamp WrfLed{"WrfLed", &RegPanel};
    form::Label WrfLab{"WrfLab", &RegPanel};
    form::Lamp DrscLed{"DrscLed", &RegPanel};
    form::Label DrscLab{"DrscLab", &RegPanel};
    form::Lamp DrqLed{"DrqLed", &RegPanel};
    form::Label DrqLab{"DrqLab", &RegPanel};
    form::Label CorrLab{"CorrLab", &RegPanel};
    form::Label InxLab{"InxLab", &RegPanel};
    form::Lamp ErrLed{"ErrLed", &RegPanel};
    form::Label ErrLab{"ErrLab", &RegPanel};
    form::Label BbkLab{"BbkLab", &RegPanel};
    form::Label UncLab{"UncLab", &RegPanel};
    form::Label IdnfLab{"IdnfLab", &RegPanel};
    form::Label AbrtLab{"AbrtLab", &RegPanel};
    form::Label T0nfLab{"T0nfLab", &RegPanel};
    form::Label AmnfLab{"AmnfLab", &RegPanel};
    form::Label StatusHexLab{"StatusHexLab", &RegPanel};
    form::Label ErrorHexLab{"ErrorHexLab", &RegPanel};

    form::Lamp BreakLed{"BreakLed", &SidePanel};
    form::Image ActivityImg{"ActivityImg", &SidePanel};
    form::Lamp RdInd{"RdInd", &SidePanel};
    form::Label RdLab{"RdLab", &SidePanel};
    form::Lamp WrInd{"WrInd", &SidePanel};
    form::Label WrLab{"WrLab", &SidePanel};

    form::Button BreakAllBtn{"BreakAllBtn", &SidePanel};
    form::Button StopBtn{"StopBtn", &SidePanel};
    form::Button RecBtn{"RecBtn", &SidePanel};
    form::Button ResetBtn{"ResetBtn", &SidePanel};
    form::Button PasspBtn{"PasspBtn", &SidePanel};
    form::Button PowerBtn{"PowerBtn", &SidePanel};

    // Bottom: the event log.
    form::ListView StringLog{"StringLog", &window_};
    form::Button WipeBtn{"WipeBtn", &window_};
    form::PopupMenu LogMenu{"LogMenu"};

    form::StatusBar StatusBar1{"StatusBar1", &window_};

    form::Timer IndicatorTimer{"IndicatorTimer", &window_};
    form::Timer DisconnectTimer{"DisconnectTimer", &window_};
    form::Timer ClockTimer{"ClockTimer", &window_};
};

/// Status-bar panes by position.
enum StatusPane { HDPn1 = 0, HdPn2 = 1, HdPn3 = 2, HdPn4 = 3, ClockPane = 4 };

} // namespace mrv
