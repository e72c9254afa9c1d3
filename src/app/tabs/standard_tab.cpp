#include "app/tabs/standard_tab.h"

namespace mrv
{

StandardTab::StandardTab(form::TabSheet& tab) : tab_(tab)
{
    PortPanel.SetBounds(2, 0, 222, 86);
    PortPanel.SetCaption(" ATA port ");
    PortRg.SetBounds(6, 14, 90, 21);
    PortRg.SetItems({" Primary", "Secondary", " Custom"});
    PortRg.SetDropDownList(true);
    PortRg.SetItemIndex(1);
    PortRg.SetHint("Port selector");
    BaseLab.SetCaption(" Base");
    BaseLab.SetBounds(100, 17, 30, 13);
    BaseEdit.SetBounds(130, 14, 40, 21);
    BaseEdit.SetText("170");
    BaseEdit.SetEnabled(false);
    AltLab.SetCaption(" ALT");
    AltLab.SetBounds(100, 40, 30, 13);
    AltEdit.SetBounds(130, 37, 40, 21);
    AltEdit.SetText("376");
    AltEdit.SetEnabled(false);
    AltStChk.SetCaption("alt-st");
    AltStChk.SetHint("Poll the alternate status port");
    AltStChk.SetBounds(174, 14, 46, 17);
    AltStChk.SetChecked(true);
    SlaveChk.SetCaption("slave");
    SlaveChk.SetBounds(174, 37, 46, 17);
    PCIScanBtn.SetCaption("PCI Scan");
    PCIScanBtn.SetHint("PCI bus scan, search additional ATA/SATA controllers");
    PCIScanBtn.SetBounds(6, 62, 90, 21);
    PCIAllDevChk.SetCaption("All dev");
    PCIAllDevChk.SetHint("Search all PCI/AGP devices");
    PCIAllDevChk.SetBounds(100, 64, 60, 17);
    MFDevChk.SetCaption("M/F");
    MFDevChk.SetHint("Multi-function devices search (recomended)");
    MFDevChk.SetBounds(162, 64, 50, 17);

    // The host protected area group stays below the list in API mode too.
    ApiList.SetBounds(2, 0, 222, 68);
    ApiList.SetColumns({{"", 0, form::Align::Left},
                        {"\xE2\x84\x96", 28, form::Align::Centre},
                        {"   Size", 70, form::Align::Left},
                        {" Note - click to refresh", 120, form::Align::Left},
                        {"", 0, form::Align::Left}});
    ApiList.SetVisible(false);
    ShowLogicalChk.SetCaption("Show logical drives");
    ShowLogicalChk.SetBounds(2, 70, 130, 17);
    ShowLogicalChk.SetChecked(true);
    ShowLogicalChk.SetVisible(false);
    IgnoreFddChk.SetCaption("Ignore FDD");
    IgnoreFddChk.SetBounds(136, 70, 86, 17);
    IgnoreFddChk.SetChecked(true);
    IgnoreFddChk.SetVisible(false);

    HPAPanel.SetBounds(2, 88, 222, 60);
    HPAPanel.SetCaption(" Host protected area ");
    HpaTrack.SetBounds(4, 20, 214, 16);
    HpaTrack.SetRange(0, 400);
    HpaTrack.SetPosition(0);
    HpaTrack.SetEnabled(false);
    HpaTrack.SetHint("Visual adjustment HPA");
    L1.SetBounds(4, 38, 80, 21);
    L1.SetText("1");
    L1.SetHint("Example: \r131072134\r100 Mb\r204G\r17%\retc.");
    HpaLabel1.SetCaption("[ LBA, kb, Mb, Gb, % ]");
    HpaLabel1.SetHint("View on LBA mode");
    HpaLabel1.SetBounds(6, 8, 130, 13);
    HpaBtn.SetCaption("HPA");
    HpaBtn.SetHint("Set new max. LBA size");
    HpaBtn.SetBounds(88, 38, 34, 21);
    NHPABtn.SetCaption("RHPA");
    NHPABtn.SetHint("Get native LBA size");
    NHPABtn.SetBounds(124, 38, 40, 21);
    HPATpChk.SetCaption("TEMP");
    HPATpChk.SetHint("Set Temporary HPA");
    HPATpChk.SetBounds(168, 40, 50, 15);
    HpaMbBox.SetCaption("LBA/Mb");
    HpaMbBox.SetHint("Output mode: Mb or LBA");
    HpaMbBox.SetBounds(120, 0, 56, 15);
    HpaExtpassChk.SetCaption("EXT");
    HpaExtpassChk.SetHint("Refresh EXTERNAL passport after change HPA");
    HpaExtpassChk.SetBounds(176, 0, 42, 15);
    HpaExtpassChk.SetChecked(true);

    SeekGroup.SetBounds(2, 150, 222, 96);
    SeekGroup.SetCaption(" Seek / acoustic test ");
    SeekModeGrp.SetBounds(4, 10, 162, 28);
    SeekModeGrp.SetCaption("Access method");
    // The fourth method writes: it is offered, but marked as destroying data.
    SeekModeGrp.SetItems({"Seek", "Verify", "Read", "Write long!"});
    SeekModeGrp.SetColumns(2);
    SeekModeGrp.SetItemIndex(0);
    SeekModeGrp.SetFontColour(form::colours::kNavy);
    SeekModeGrp.SetHint("Seek, Verify, Read; Write long! destroys user data");
    SeekStartLab.SetCaption("from");
    SeekStartLab.SetBounds(4, 41, 26, 13);
    SeekStartLbaEdit.SetBounds(30, 38, 64, 19);
    SeekStartLbaEdit.SetText("0");
    SeekEndLab.SetCaption("to");
    SeekEndLab.SetBounds(96, 41, 14, 13);
    SeekEndLbaEdit.SetBounds(110, 38, 64, 19);
    SeekEndLbaEdit.SetText("1");
    SeekTioLab.SetCaption("Limit:");
    SeekTioLab.SetBounds(176, 41, 30, 13);
    SeekTioEdit.SetBounds(176, 54, 42, 19);
    SeekTioEdit.SetText("250");
    SeekTioEdit.SetHint("Limit: 1..50000 ms");
    SeekBtn.SetCaption("Start");
    SeekBtn.SetFontColour(form::colours::kBlue);
    SeekBtn.SetBounds(168, 12, 50, 22);
    SeekLbaOut.SetCaption(" 0");
    SeekLbaOut.SetHint("Current LBA");
    SeekLbaOut.SetBounds(4, 59, 70, 13);
    SeekCntOut.SetCaption(" 0");
    SeekCntOut.SetHint("Seeks counter");
    SeekCntOut.SetBounds(76, 59, 50, 13);
    SeekTimeLed.SetCaption("0.0 ms");
    SeekTimeLed.SetHint("Average access time");
    SeekTimeLed.SetBounds(128, 59, 46, 13);
    SeekRpmLab.SetBounds(4, 72, 60, 13);
    AAMTrack.SetBounds(4, 78, 110, 16);
    AAMTrack.SetRange(128, 254);
    AAMTrack.SetPosition(162);
    AAMTrack.SetHint("AAM level fine set");
    AAMTrack.SetEnabled(false);
    AAMLed.SetCaption("AAM");
    AAMLed.SetHint("AAM value");
    AAMLed.SetBounds(116, 79, 30, 13);
    AAMMinBtn.SetCaption("MIN");
    AAMMinBtn.SetHint("AAM Minimum (Slow mode)");
    AAMMinBtn.SetBounds(148, 76, 32, 18);
    AAMMinBtn.SetEnabled(false);
    AAMOffBtn.SetCaption("OFF");
    AAMOffBtn.SetHint("AAM OFF (Maximum acoustic level, Maximum perfomance)");
    AAMOffBtn.SetBounds(182, 76, 32, 18);
    AAMOffBtn.SetEnabled(false);
    TermoCtrlBox.SetCaption("t\xC2\xB0");
    TermoCtrlBox.SetHint("Thermocontrol ON/OFF");
    TermoCtrlBox.SetBounds(150, 62, 30, 15);
    TermoCtrlBox.SetChecked(true);
    SeekTmprtLed.SetCaption("n/a");
    SeekTmprtLed.SetHint("Drive temperature");
    SeekTmprtLed.SetBounds(182, 62, 36, 13);

    SecurityGroup.SetBounds(2, 248, 222, 80);
    SecurityGroup.SetCaption(" Security manager ");
    PwdTypeGrp.SetBounds(4, 12, 124, 20);
    PwdTypeGrp.SetItems({"Master", "User"});
    PwdTypeGrp.SetColumns(2);
    PwdTypeGrp.SetItemIndex(1);
    PwdTypeGrp.SetHint("Master or User password type");
    PwdLevGrp.SetBounds(130, 12, 88, 20);
    PwdLevGrp.SetItems({"High", "Max"});
    PwdLevGrp.SetColumns(2);
    PwdLevGrp.SetItemIndex(0);
    PwdLevGrp.SetHint("Security level");
    PwdEdit.SetBounds(4, 34, 146, 21);
    PwdEdit.SetText("lantvorp");
    PwdEdit.SetHint("Field for ATA password");
    FilePwdBtn.SetCaption("F");
    FilePwdBtn.SetHint("Send password from file");
    FilePwdBtn.SetBounds(152, 34, 22, 21);
    EraseBeepChk.SetCaption("beep");
    EraseBeepChk.SetHint("Beep after drive readiness");
    EraseBeepChk.SetBounds(176, 36, 44, 17);
    LockBtn.SetCaption("Lock");
    LockBtn.SetHint("Set ATA password");
    LockBtn.SetBounds(4, 57, 70, 20);
    UnlockBtn.SetCaption("Unlock");
    UnlockBtn.SetHint(
        "Remove password from HDD. Need valid User password or Master password (if level=High)");
    UnlockBtn.SetBounds(76, 57, 70, 20);
    PwdEraseBtn.SetCaption("Erase");
    PwdEraseBtn.SetHint(
        "Start security erase process. Need Maximum security level, and valid Master password.");
    PwdEraseBtn.SetBounds(148, 57, 70, 20);

    PspPanel.SetBounds(226, 0, 370, 328);
    Psp.SetBounds(0, 0, 370, 286);
    Psp.SetGridLines(true);
    Psp.SetColumns({{"", 0, form::Align::Left},
                    {"Subj:", 71, form::Align::Left},
                    {"             Drive passport:", 188, form::Align::Left},
                    {"Comment:", 84, form::Align::Left}});
    Psp.SetPopup(&PspMenu);
    PASSBtn.SetCaption("Passport");
    PASSBtn.SetBounds(0, 290, 70, 22);
    PASSBtnExt.SetCaption("EXT");
    PASSBtnExt.SetBounds(72, 290, 36, 22);
    OpenBinBtn.SetCaption("Open BIN");
    OpenBinBtn.SetBounds(110, 290, 60, 22);
    PassChk.SetCaption("save bin");
    PassChk.SetBounds(174, 288, 70, 17);
    PassChk.SetChecked(true);
    PspplusRstChk.SetCaption("reset+");
    PspplusRstChk.SetBounds(174, 306, 70, 17);
    const form::Colour grey = form::Colour::Rgb(159, 159, 159);
    struct LampRow {
        form::Lamp* lamp;
        form::Label* label;
        const char* caption;
        int left;
    } lamps[] = {{&SSDLed, &SSDLabel, "SSD", 248},
                 {&SataDevLed, &SataDevLabel, "SATA dev", 248},
                 {&RemDrvLed, &RemDrvLabel, "Removable", 318},
                 {&VirtDrvLed, &LabelVirtual, "Virtual", 318}};
    int row = 0;
    for (auto& l : lamps) {
        int top = 290 + (row % 2) * 18;
        l.lamp->SetBounds(l.left, top + 2, 9, 9);
        l.lamp->SetBrush(grey);
        l.label->SetCaption(l.caption);
        l.label->SetBounds(l.left + 11, top, l.left == 248 ? 58 : 50, 13);
        l.label->SetEnabled(false);
        ++row;
    }
}

} // namespace mrv
