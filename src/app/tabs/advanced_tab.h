#pragma once
// The "Advanced" tab: sector buffer editor, cache buttons, RPM meter and the
// partition viewer.

#include "form/controls.h"

namespace mrv
{

struct AdvancedTab {
    explicit AdvancedTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::GroupBox HexEditGroup{"HexEditGroup", &tab_};
    form::Label HexeditLab{"HexeditLab", &HexEditGroup};
    form::Edit HexeditIn{"HexeditIn", &HexEditGroup};
    form::Button HexEOppenBtn{"HexEOppenBtn", &HexEditGroup};
    form::Button HexESaveBtn{"HexESaveBtn", &HexEditGroup};
    form::CheckBox AdvSyncHexPV{"AdvSyncHexPV", &HexEditGroup};

    form::GroupBox CacheGroup{"CacheGroup", &tab_};
    form::Button WrCacheOnBtn{"WrCacheOnBtn", &CacheGroup};
    form::Button WrCacheOffBtn{"WrCacheOffBtn", &CacheGroup};
    form::Button LookAheadOnBtn{"LookAheadOnBtn", &CacheGroup};
    form::Button LookAheadOffBtn{"LookAheadOffBtn", &CacheGroup};

    form::GroupBox RPMBox{"RPMBox", &tab_};
    form::Button RpmMeter{"RpmMeter", &RPMBox};
    form::Label RpmLab{"RpmLab", &RPMBox};
    form::Lamp RpmLED{"RpmLED", &RPMBox};

    form::GroupBox PartGroup{"PartGroup", &tab_};
    form::Button PartBtn{"PartBtn", &PartGroup};
    form::CheckBox PassAnalChk{"PassAnalChk", &PartGroup};
    form::CheckBox GetNameChk{"GetNameChk", &PartGroup};
    form::ListView PartList{"PartList", &PartGroup};
};

} // namespace mrv
