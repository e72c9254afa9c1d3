#include "app/satellite_windows.h"

namespace mrv
{

TIFm::TIFm() : form::Window("IFm")
{
    SetCaption("Registry Monitor");
    SetBounds(0, 0, 640, 92);
    const char* hints[] = {"Error",         "Sector count", "Sector number", "Cylinder low",
                           "Cylinder high", "Device/head",  "Status"};
    form::Label* labels[] = {&R1, &R2, &R3, &R4, &R5, &R6, &R7};
    for (int i = 0; i < 7; ++i) {
        labels[i]->SetBounds(8 + i * 76, 8, 70, 48);
        labels[i]->SetCaption("00");
        labels[i]->SetFontSize(28);
        labels[i]->SetFontBold(true);
        labels[i]->SetFontColour(form::colours::kGreen);
        labels[i]->SetHint(hints[i]);
    }
    TranspTrk.SetRange(100, 255);
    TranspTrk.SetPosition(225);
    TranspTrk.SetBounds(440, 62, 100, 20);
    ColourRg.SetItems({"green", "yellow"});
    ColourRg.SetColumns(2);
    ColourRg.SetItemIndex(0);
    ColourRg.SetBounds(8, 62, 140, 24);
}

TWriteWarn::TWriteWarn() : form::Window("WriteWarn")
{
    SetCaption("Attention!");
    SetBounds(200, 200, 360, 170);
    WarnLab.SetBounds(12, 12, 336, 48);
    WarnLab.SetCaption(
        "Region of disc you have entered \rwill be erased. Please check your \rentries again, and "
        "correct it.");
    WarnHddLab.SetBounds(12, 62, 336, 16);
    WarnHddLab.SetCaption("HDD WILL BE CHANGED");
    WarnHddLab.SetFontBold(true);
    WarnHddLab.SetFontColour(form::colours::kRed);
    WarnStartEdit.SetBounds(12, 86, 160, 21);
    WarnEndEdit.SetBounds(188, 86, 160, 21);
    WarnYesBtn.SetCaption("OK");
    WarnYesBtn.SetBounds(90, 120, 80, 24);
    WarnNoBtn.SetCaption("Cancel");
    WarnNoBtn.SetBounds(190, 120, 80, 24);
}

TFormAbout::TFormAbout() : form::Window("FormAbout")
{
    SetCaption("Help");
    SetBounds(10, 10, 660, 525);
    HelpView.SetBounds(0, 0, 660, 525);
}

THeFm::THeFm() : form::Window("HeFm")
{
    SetCaption("View buffer");
    SetBounds(20, 20, 520, 530);
    HexBufSw.SetItems({"HDD", "API, Copier", "PIO transfer"});
    HexBufSw.SetColumns(3);
    HexBufSw.SetItemIndex(0);
    HexBufSw.SetBounds(2, 0, 270, 28);
    HexBufSw.SetHint("Source buffer");
    HVBl.SetCaption(" 4");
    HVBl.SetHint("buffer size");
    HVBl.SetBounds(278, 8, 40, 13);
    HexeditIn.SetBounds(322, 4, 70, 22);
    HexeditIn.SetHint("Offset");
    HexeditIn.SetRange(0, 3);
    HexeditIn.SetEnabled(false);
    HVPauseBtn.SetCaption("Offline");
    HVPauseBtn.SetHint("Freeze a copy of the buffer, or watch it again");
    HVPauseBtn.SetBounds(398, 3, 72, 24);
    HVPLed.SetBounds(478, 10, 12, 12);
    HVPLed.SetBrush(form::colours::kLime);
    HexV.SetBounds(0, kStripHeight, 520, 530 - kStripHeight);
    HexV.SetReadOnly(true);
    HeVTimer.SetInterval(100);
}

TMap::TMap() : form::Window("Map")
{
    SetCaption("Map");
    SetBounds(100, 100, 400, 300);
    MapMemo.SetBounds(0, 0, 400, 300);
}

TLogFM::TLogFM() : form::Window("LogFM")
{
    SetCaption("Eventlog");
    SetBounds(100, 100, 600, 400);
    LogMemo.SetBounds(0, 0, 600, 400);
}

} // namespace mrv
