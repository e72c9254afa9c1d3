#pragma once
// The "Advanced" tab: sector editor, cache buttons, RPM meter and the
// partition viewer.

#include "form/controls.h"

namespace mrv
{

struct AdvancedTab {
    explicit AdvancedTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::GroupBox HexEditGroup{"HexEditGroup", &tab_};
    form::Label Label6{"Label6", &HexEditGroup};
    form::Edit HexeditIn{"HexeditIn", &HexEditGroup};
    form::Button HexEOppenBtn{"HexEOppenBtn", &HexEditGroup};
    form::Button HexESaveBtn{"HexESaveBtn", &HexEditGroup};
    form::CheckBox AdvSyncHexPV{"AdvSyncHexPV", &HexEditGroup};
    form::HexView HexE{"HexE", &HexEditGroup};

    form::GroupBox CacheBox{"CacheBox", &tab_};
    form::Button RzBitBtn41{"RzBitBtn41", &CacheBox};
    form::Button RzBitBtn40{"RzBitBtn40", &CacheBox};
    form::Button RdCacheBtn{"RdCacheBtn", &CacheBox};
    form::Button CacheOFFbtn{"CacheOFFbtn", &CacheBox};

    form::GroupBox RPMBox{"RPMBox", &tab_};
    form::Button RzBitBtn43{"RzBitBtn43", &RPMBox};
    form::ProgressBar RpmMeter{"RpmMeter", &RPMBox};
    /// The seven-segment display: its caption in its font colour on black.
    form::Label RpmLED{"RpmLED", &RPMBox};
    /// The last result, for the scan graph.
    form::Label RpmLab{"RpmLab", &RPMBox};

    form::GroupBox PartBox{"PartBox", &tab_};
    form::Button PartBtn{"PartBtn", &PartBox};
    form::CheckBox PartAnalPassChk{"PartAnalPassChk", &PartBox};
    form::CheckBox PartGetNameChk{"PartGetNameChk", &PartBox};
    form::Button RzBitBtn30{"RzBitBtn30", &PartBox};
    form::Button RzBitBtn12{"RzBitBtn12", &PartBox};
    form::Lamp MbrLed{"MbrLed", &PartBox};
    form::ListView PartList{"PartList", &PartBox};
    form::PopupMenu PartMenu{"PartMenu"};
};

/// Heights of the partition viewer panel: shown, and folded away by a double
/// click on the sector editor's hex view.
inline constexpr int kPartBoxHeight = 113;

} // namespace mrv
