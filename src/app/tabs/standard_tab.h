#pragma once
// The "Standard" tab: port panel with PCI scan, host protected area, seek and
// acoustic test, security manager, API device list, passport list and lamps.

#include "form/controls.h"

namespace mrv
{

struct StandardTab {
    explicit StandardTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    // Port panel (PIO): channel, ports, device, PCI scan.
    form::GroupBox PortPanel{"PortPanel", &tab_};
    form::ComboBox PortRg{"PortRg", &PortPanel};
    form::Label BaseLab{"BaseLab", &PortPanel};
    form::Edit BaseEdit{"BaseEdit", &PortPanel};
    form::Label AltLab{"AltLab", &PortPanel};
    form::Edit AltEdit{"AltEdit", &PortPanel};
    form::CheckBox AltStChk{"AltStChk", &PortPanel};
    form::CheckBox SlaveChk{"SlaveChk", &PortPanel};
    form::Button PCIScanBtn{"PCIScanBtn", &PortPanel};
    form::CheckBox PCIAllDevChk{"PCIAllDevChk", &PortPanel};
    form::CheckBox MFDevChk{"MFDevChk", &PortPanel};

    // API device list (API mode, in place of the port panel).
    form::ListView ApiList{"ApiList", &tab_};
    form::CheckBox ShowLogicalChk{"ShowLogicalChk", &tab_};
    form::CheckBox IgnoreFddChk{"IgnoreFddChk", &tab_};

    // Host protected area.
    form::GroupBox HPAPanel{"HPAPanel", &tab_};
    form::TrackBar HpaTrack{"HpaTrack", &HPAPanel};
    form::Edit L1{"L1", &HPAPanel};
    form::Label HpaLabel1{"HpaLabel1", &HPAPanel};
    form::Button HpaBtn{"HpaBtn", &HPAPanel};
    form::Button NHPABtn{"NHPABtn", &HPAPanel};
    form::CheckBox HPATpChk{"HPATpChk", &HPAPanel};
    form::CheckBox HpaMbBox{"HpaMbBox", &HPAPanel};
    form::CheckBox HpaExtpassChk{"HpaExtpassChk", &HPAPanel};

    // Seek and acoustic test.
    form::GroupBox SeekGroup{"SeekGroup", &tab_};
    form::RadioGroup SeekModeGrp{"SeekModeGrp", &SeekGroup};
    form::Label SeekStartLab{"SeekStartLab", &SeekGroup};
    form::Edit SeekStartLbaEdit{"SeekStartLbaEdit", &SeekGroup};
    form::Label SeekEndLab{"SeekEndLab", &SeekGroup};
    form::Edit SeekEndLbaEdit{"SeekEndLbaEdit", &SeekGroup};
    form::Label SeekTioLab{"SeekTioLab", &SeekGroup};
    form::Edit SeekTioEdit{"SeekTioEdit", &SeekGroup};
    form::Button SeekBtn{"SeekBtn", &SeekGroup};
    form::Label SeekLbaOut{"SeekLbaOut", &SeekGroup};
    form::Label SeekCntOut{"SeekCntOut", &SeekGroup};
    form::Label SeekTimeLed{"SeekTimeLed", &SeekGroup};
    form::Label SeekRpmLab{"SeekRpmLab", &SeekGroup};
    form::TrackBar AAMTrack{"AAMTrack", &SeekGroup};
    form::Label AAMLed{"AAMLed", &SeekGroup};
    form::Button AAMMinBtn{"AAMMinBtn", &SeekGroup};
    form::Button AAMOffBtn{"AAMOffBtn", &SeekGroup};
    form::CheckBox TermoCtrlBox{"TermoCtrlBox", &SeekGroup};
    form::Label SeekTmprtLed{"SeekTmprtLed", &SeekGroup};

    // Security manager.
    form::GroupBox SecurityGroup{"SecurityGroup", &tab_};
    form::RadioGroup PwdTypeGrp{"PwdTypeGrp", &SecurityGroup};
    form::RadioGroup PwdLevGrp{"PwdLevGrp", &SecurityGroup};
    form::Edit PwdEdit{"PwdEdit", &SecurityGroup};
    form::Button FilePwdBtn{"FilePwdBtn", &SecurityGroup};
    form::CheckBox EraseBeepChk{"EraseBeepChk", &SecurityGroup};
    form::Button LockBtn{"LockBtn", &SecurityGroup};
    form::Button UnlockBtn{"UnlockBtn", &SecurityGroup};
    form::Button PwdEraseBtn{"PwdEraseBtn", &SecurityGroup};

    // Passport list and its lamps.
    form::Panel PspPanel{"PspPanel", &tab_};
    form::ListView Psp{"Psp", &PspPanel};
    form::PopupMenu PspMenu{"PspMenu"};
    form::Button PASSBtn{"PASSBtn", &PspPanel};
    form::Button PASSBtnExt{"PASSBtnExt", &PspPanel};
    form::Button OpenBinBtn{"OpenBinBtn", &PspPanel};
    form::CheckBox PassChk{"PassChk", &PspPanel};
    form::CheckBox PspplusRstChk{"PspplusRstChk", &PspPanel};
    form::Lamp SSDLed{"SSDLed", &PspPanel};
    form::Label SSDLabel{"SSDLabel", &PspPanel};
    form::Lamp SataDevLed{"SataDevLed", &PspPanel};
    form::Label SataDevLabel{"SataDevLabel", &PspPanel};
    form::Lamp RemDrvLed{"RemDrvLed", &PspPanel};
    form::Label RemDrvLabel{"RemDrvLabel", &PspPanel};
    form::Lamp VirtDrvLed{"VirtDrvLed", &PspPanel};
    form::Label LabelVirtual{"LabelVirtual", &PspPanel};
};

} // namespace mrv
