#include "app/tabs/advanced_tab.h"

namespace mrv
{

AdvancedTab::AdvancedTab(form::TabSheet& tab) : tab_(tab)
{
    HexEditGroup.SetBounds(2, 0, 292, 90);
    HexEditGroup.SetCaption(" Sector editor ");
    HexeditLab.SetCaption("Press 'Passport'");
    HexeditLab.SetBounds(6, 18, 120, 13);
    HexeditIn.SetBounds(6, 34, 130, 21);
    HexeditIn.SetText("0");
    HexeditIn.SetEnabled(false);
    HexEOppenBtn.SetCaption("open");
    HexEOppenBtn.SetBounds(140, 34, 60, 21);
    HexEOppenBtn.SetEnabled(false);
    HexESaveBtn.SetCaption("save");
    HexESaveBtn.SetBounds(204, 34, 60, 21);
    HexESaveBtn.SetEnabled(false);
    AdvSyncHexPV.SetCaption("synchronize w. PV");
    AdvSyncHexPV.SetBounds(6, 62, 140, 17);

    CacheGroup.SetBounds(2, 92, 292, 70);
    CacheGroup.SetCaption(" Cache ");
    WrCacheOnBtn.SetCaption("Write cache ON");
    WrCacheOnBtn.SetBounds(6, 16, 136, 22);
    WrCacheOffBtn.SetCaption("Write cache OFF");
    WrCacheOffBtn.SetBounds(148, 16, 136, 22);
    LookAheadOnBtn.SetCaption("Look-ahead ON");
    LookAheadOnBtn.SetBounds(6, 42, 136, 22);
    LookAheadOffBtn.SetCaption("Look-ahead OFF");
    LookAheadOffBtn.SetBounds(148, 42, 136, 22);

    RPMBox.SetBounds(2, 164, 292, 50);
    RPMBox.SetCaption(" RPM ");
    RpmMeter.SetCaption("Measure RPM");
    RpmMeter.SetBounds(6, 18, 100, 22);
    RpmLED.SetBounds(112, 24, 10, 10);
    RpmLab.SetBounds(128, 22, 150, 13);

    PartGroup.SetBounds(298, 0, 298, 328);
    PartGroup.SetCaption(" Partitions ");
    PartGroup.SetEnabled(false);
    PartBtn.SetCaption("First get passport!");
    PartBtn.SetBounds(6, 16, 140, 22);
    PassAnalChk.SetCaption("Analize passport");
    PassAnalChk.SetBounds(150, 14, 140, 17);
    PassAnalChk.SetChecked(true);
    GetNameChk.SetCaption("get name");
    GetNameChk.SetBounds(150, 30, 140, 17);
    GetNameChk.SetChecked(true);
    PartList.SetBounds(6, 50, 286, 272);
}

} // namespace mrv
