#include "app/tabs/frame_controls.h"

namespace mrv
{

using form::Colour;
namespace colours = form::colours;

namespace
{
void Led(form::Lamp& lamp, form::Label& label, const char* caption, int left, int top)
{
    lamp.SetBounds(left, top, 10, 10);
    label.SetCaption(caption);
    label.SetBounds(left + 12, top - 2, 30, 13);
}

void ErrorLabel(form::Label& label, const char* caption, int left, int top)
{
    label.SetCaption(caption);
    label.SetBounds(left, top, 30, 13);
    label.SetFontColour(colours::kGray);
}
} // namespace

FrameControls::FrameControls(form::Window& window) : window_(window)
{
    MainPage.SetBounds(0, 0, 600, 352);
    const char* tabs[] = {"Standard", "SMART", "Tests", "Advanced", "Setup"};
    for (int i = 0; i < MainPage.PageCount(); ++i)
        MainPage.Page(i)->SetCaption(tabs[i]);

    SidePanel.SetBounds(600, 0, 157, 352);

    APIRg.SetBounds(4, 2, 96, 34);
    APIRg.SetItems({"API", "PIO"});
    APIRg.SetColumns(2);
    APIRg.SetItemIndex(1);
    APIRg.SetHint("Access mode: operating-system devices (API) or I/O ports (PIO)");
    PortLab.SetBounds(4, 38, 96, 14);
    PortLab.SetCaption("Port 170h");
    PortLab.SetFontColour(colours::kBlue);
    PortLab.SetFontBold(true);
    ApiDevSpin.SetBounds(104, 8, 48, 22);
    ApiDevSpin.SetRange(0, 24);
    ApiDevSpin.SetHint("API device number selector (additional)");
    ApiDevSpin.SetVisible(false);
    biglbaChk.SetCaption("48 bit");
    biglbaChk.SetBounds(4, 54, 60, 17);
    DrdyChk.SetCaption("DRDY");
    DrdyChk.SetHint("Ignore Drive Ready bit");
    DrdyChk.SetBounds(66, 54, 52, 17);
    SoundChk.SetCaption("sound");
    SoundChk.SetBounds(4, 72, 60, 17);
    HexEditBtn.SetCaption("HEX");
    HexEditBtn.SetHint("View buffer");
    HexEditBtn.SetBounds(104, 70, 48, 21);

    RegPanel.SetBounds(2, 94, 153, 92);
    RegPanel.SetHint("PIO registers panel");
    Led(BusyLed, BusyLab, "BUSY", 4, 6);
    Led(DrdyLed, DrdyLab, "DRDY", 4, 20);
    Led(WrfLed, WrfLab, "WRF", 4, 34);
    Led(DrscLed, DrscLab, "DRSC", 4, 48);
    Led(DrqLed, DrqLab, "DRQ", 50, 6);
    CorrLab.SetCaption("CORR");
    CorrLab.SetBounds(50, 18, 36, 13);
    CorrLab.SetFontColour(colours::kWhite);
    InxLab.SetCaption("INX");
    InxLab.SetBounds(50, 32, 36, 13);
    InxLab.SetFontColour(colours::kWhite);
    Led(ErrLed, ErrLab, "ERR", 50, 48);
    ErrorLabel(BbkLab, "BBK", 100, 4);
    ErrorLabel(UncLab, "UNC", 100, 17);
    ErrorLabel(IdnfLab, "IDNF", 100, 30);
    ErrorLabel(AbrtLab, "ABRT", 100, 43);
    ErrorLabel(T0nfLab, "T0NF", 100, 56);
    ErrorLabel(AmnfLab, "AMNF", 100, 69);
    StatusHexLab.SetBounds(4, 70, 40, 14);
    StatusHexLab.SetCaption("00");
    ErrorHexLab.SetBounds(50, 70, 40, 14);
    ErrorHexLab.SetCaption("00");
    for (form::Control* c : RegPanel.Children())
        c->SetHint("PIO registers panel");
    RegPanel.SetBackColour(colours::kBlack);
    for (form::Label* l :
         {&BusyLab, &DrdyLab, &WrfLab, &DrscLab, &DrqLab, &ErrLab, &StatusHexLab, &ErrorHexLab})
        l->SetFontColour(colours::kSilver);

    BreakLed.SetBounds(6, 192, 12, 12);
    BreakLed.SetBrush(Colour::FromColorRef(0x808080));
    BreakLed.SetHint("Break indicator");
    ActivityImg.SetBounds(24, 190, 16, 16);
    RdInd.SetBounds(50, 193, 10, 10);
    RdLab.SetCaption("Rd");
    RdLab.SetBounds(62, 191, 20, 13);
    WrInd.SetBounds(90, 193, 10, 10);
    WrLab.SetCaption("Wrt");
    WrLab.SetBounds(102, 191, 24, 13);

    struct Cmd {
        form::Button* button;
        const char* caption;
        const char* hint;
    } commands[] = {
        {&BreakAllBtn, "Break All", "Stop every operation"},
        {&StopBtn, "&Sleep", "Stop HDD spindle (sleep)"},
        {&RecBtn, "Re&call", "Recallibration (10h)"},
        {&ResetBtn, "&Reset", "Soft RESET"},
        {&PasspBtn, "Passp", "Get drive passport (F2)"},
        {&PowerBtn, "&Power", "Power adaptor PC-3000 ON/OFF"},
    };
    int top = 212;
    for (auto& cmd : commands) {
        cmd.button->SetCaption(cmd.caption);
        cmd.button->SetHint(cmd.hint);
        cmd.button->SetBounds(4, top, 149, 22);
        top += 23;
    }

    StringLog.SetBounds(0, 352, 700, 184);
    StringLog.SetHint("Event log panel");
    StringLog.SetMultiSelect(true);
    StringLog.SetColumns({{"", 0, form::Align::Left},
                          {"Time", 65, form::Align::Centre},
                          {"", 0, form::Align::Left},
                          {"Event", 584, form::Align::Left}});
    StringLog.SetPopup(&LogMenu);
    WipeBtn.SetCaption("wipe");
    WipeBtn.SetHint("Clear the event log panel");
    WipeBtn.SetBounds(704, 352, 50, 22);

    StatusBar1.SetBounds(0, 536, 757, 20);
    StatusBar1.SetPanelCount(5);
    const int widths[] = {190, 165, 110, 200, 80};
    for (int i = 0; i < 5; ++i)
        StatusBar1.SetPanelWidth(i, widths[i]);
    StatusBar1.SetPanelText(HDPn1, "Press 'Passport' to init drive");

    IndicatorTimer.SetInterval(20);
    DisconnectTimer.SetInterval(1000);
    ClockTimer.SetInterval(1000);
}

} // namespace mrv
