#include "app/tabs/advanced_tab.h"

namespace mrv
{

AdvancedTab::AdvancedTab(form::TabSheet& tab) : tab_(tab)
{
    HexEditGroup.SetBounds(2, 0, 490, 212);
    HexEditGroup.SetCaption(" Sector editor ");
    Label6.SetCaption("Press 'Passport'");
    Label6.SetBounds(8, 14, 200, 13);
    HexeditIn.SetBounds(8, 30, 100, 21);
    HexeditIn.SetText("63");
    HexeditIn.SetHint("Sector number: LBA, kb, Mb, Gb or %");
    HexeditIn.SetEnabled(false);
    HexEOppenBtn.SetCaption("Open");
    HexEOppenBtn.SetBounds(112, 30, 56, 21);
    HexEOppenBtn.SetEnabled(false);
    HexESaveBtn.SetCaption("Save");
    HexESaveBtn.SetHint("Write the sector back to the drive");
    HexESaveBtn.SetBounds(172, 30, 56, 21);
    HexESaveBtn.SetEnabled(false);
    AdvSyncHexPV.SetCaption("synchronize w. PV");
    AdvSyncHexPV.SetHint("A partition chosen in the list is shown here");
    AdvSyncHexPV.SetBounds(236, 32, 150, 17);
    HexE.SetBounds(4, 54, 482, 154);
    HexE.SetHint("Double click: show or hide the partition viewer");

    CacheBox.SetBounds(494, 0, 100, 112);
    CacheBox.SetCaption(" cache ");
    const struct {
        form::Button* button;
        const char* caption;
    } cache[] = {{&RzBitBtn41, "Write cache ON"},
                 {&RzBitBtn40, "Write cache OFF"},
                 {&RdCacheBtn, "Read cache ON"},
                 {&CacheOFFbtn, "Read cache OFF"}};
    int top = 16;
    for (const auto& c : cache) {
        c.button->SetCaption(c.caption);
        c.button->SetBounds(4, top, 92, 22);
        top += 23;
    }

    RPMBox.SetBounds(494, 114, 100, 98);
    RPMBox.SetCaption(" Determine RPM ");
    RzBitBtn43.SetCaption("Go");
    RzBitBtn43.SetBounds(4, 16, 36, 22);
    RpmLED.SetBounds(44, 16, 52, 22);
    RpmLED.SetCaption("0");
    RpmLED.SetHint("Errors counter");
    RpmLED.SetBackColour(form::colours::kBlack);
    RpmLED.SetFontColour(form::colours::kYellow);
    RpmLED.SetFontBold(true);
    RpmMeter.SetBounds(4, 42, 92, 12);
    RpmMeter.SetMax(50);
    RpmMeter.SetHint("Progress-bar");
    RpmLab.SetBounds(4, 60, 92, 13);

    PartBox.SetBounds(2, 214, 592, kPartBoxHeight);
    PartBox.SetCaption(" Partition viewer ");
    PartBox.SetEnabled(false);
    PartBtn.SetCaption("First get passport!");
    PartBtn.SetBounds(6, 15, 118, 22);
    PartAnalPassChk.SetCaption("Analize passport");
    PartAnalPassChk.SetBounds(6, 39, 122, 17);
    PartAnalPassChk.SetChecked(true);
    PartGetNameChk.SetCaption("get name");
    PartGetNameChk.SetBounds(6, 55, 122, 17);
    PartGetNameChk.SetChecked(true);
    RzBitBtn30.SetCaption("MBR ON");
    RzBitBtn30.SetHint("Write signature 55AAh to MBR");
    RzBitBtn30.SetBounds(6, 76, 54, 24);
    RzBitBtn12.SetCaption("MBR OFF");
    RzBitBtn12.SetHint("Change signature 55AAh to CC88h on MBR");
    RzBitBtn12.SetBounds(62, 76, 54, 24);
    MbrLed.SetBounds(119, 83, 10, 10);
    MbrLed.SetBrush(form::colours::kGray);
    MbrLed.SetHint("MBR signature: green 55AAh, red CC88h, grey none");
    PartList.SetBounds(128, 12, 460, 97);
    // The captions keep their padding; the widths fit the list into the tab.
    PartList.SetColumns({{"", 0, form::Align::Left},
                         {"N", 26, form::Align::Centre},
                         {"Boot", 38, form::Align::Left},
                         {"    System", 82, form::Align::Left},
                         {"Start LBA  ", 78, form::Align::Right},
                         {"End LBA   ", 78, form::Align::Right},
                         {"Size     ", 62, form::Align::Right},
                         {"Name", 76, form::Align::Centre}});
    PartList.SetPopup(&PartMenu);
}

} // namespace mrv
