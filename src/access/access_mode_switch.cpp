#include "access/access_mode_switch.h"

#include "access/api_device_list.h"
#include "access/channel.h"
#include "access/os_device.h"
#include "app/program_impl.h"

namespace mrv
{

AccessModeSwitch::AccessModeSwitch(ProgramImpl& program, OsDeviceAccess& access)
    : p_(program), access_(access)
{
    p_.fm.APIRg.OnClick = [this] { APIRgClick(); };
}

void AccessModeSwitch::APIRgClick()
{
    const int index = p_.fm.APIRg.ItemIndex();
    if (index < 0) return;
    if (p_.creating) {
        // The start-up sequence shows the mode it chose: only the window
        // follows now, without touching a drive or the log. The device list
        // is filled once the message loop runs.
        const bool pio = index == 1;
        p_.state.access_mode = pio ? AccessMode::Pio : AccessMode::Api;
        ShowPioControls(pio);
        p_.fm.SecurityGroup.SetCaption(pio ? " Security manager " : " Security manager (disabled in API) ");
        p_.channel.RefreshPortIndicator();
        // API transfers always address 48 bits.
        p_.pio.Apply48BitBox();
        if (!pio) {
            p_.ui.Post([this] {
                if (p_.state.access_mode != AccessMode::Api || p_.state.AppClosing) return;
                access_.BuildApiDeviceList();
                const int index = p_.state.ApiDeviceIndex;
                const int row = index < 1 ? 0 : index;
                if (row < p_.fm.ApiList.RowCount()) p_.fm.ApiList.SetRowSelected(row, true);
                p_.channel.RefreshPortIndicator();
            });
        }
        return;
    }
    if (index == 1)
        SwitchToPio();
    else
        SwitchToApi();
}

void AccessModeSwitch::ShowPioControls(bool pio)
{
    TFm& fm = p_.fm;
    for (form::Control* c :
         {static_cast<form::Control*>(&fm.DrdyChk), static_cast<form::Control*>(&fm.biglbaChk),
          static_cast<form::Control*>(&fm.PspplusRstChk), static_cast<form::Control*>(&fm.PASSBtnExt),
          static_cast<form::Control*>(&fm.PortPanel), static_cast<form::Control*>(&fm.PCIScanBtn),
          static_cast<form::Control*>(&fm.ResetBtn), static_cast<form::Control*>(&fm.RegPanel)})
        c->SetVisible(pio);
    for (form::Control* c :
         {static_cast<form::Control*>(&fm.ApiList), static_cast<form::Control*>(&fm.ApiDevSpin),
          static_cast<form::Control*>(&fm.ShowLogicalChk), static_cast<form::Control*>(&fm.IgnoreFddChk)})
        c->SetVisible(!pio);
    if (!pio) {
        for (form::Control* c :
             {static_cast<form::Control*>(&fm.RemDrvLed), static_cast<form::Control*>(&fm.RemDrvLabel),
              static_cast<form::Control*>(&fm.VirtDrvLed), static_cast<form::Control*>(&fm.LabelVirtual)})
            c->SetVisible(true);
    }
}

void AccessModeSwitch::ClearPassportDisplay()
{
    TFm& fm = p_.fm;
    fm.Psp.ClearRows();
    for (int pane : {HDPn1, HdPn2, HdPn3, HdPn4})
        fm.StatusBar1.SetPanelText(pane, "");
    fm.StatusBar1.SetPanelText(HDPn1, "Press 'Passport' to init drive");
    // The sector editor waits for a passport taken in the new mode.
    fm.HexEOppenBtn.SetEnabled(false);
    fm.HexESaveBtn.SetEnabled(false);
}

void AccessModeSwitch::DefaultStopIndicators()
{
    TFm& fm = p_.fm;
    fm.IndicatorTimer.SetActive(false);
    fm.DisconnectTimer.SetActive(false);
    for (form::Lamp* lamp : {&fm.BusyLed, &fm.DrdyLed, &fm.WrfLed, &fm.DrscLed, &fm.DrqLed, &fm.ErrLed})
        lamp->SetBrush(form::colours::kBlack);
    fm.CorrLab.SetFontColour(form::colours::kWhite);
    fm.InxLab.SetFontColour(form::colours::kWhite);
    for (form::Label* label : {&fm.BbkLab, &fm.UncLab, &fm.IdnfLab, &fm.AbrtLab, &fm.T0nfLab, &fm.AmnfLab})
        label->SetFontColour(form::Colour::FromColorRef(0x808080));
    p_.ifm.Hide();
}

void AccessModeSwitch::StartIndicators()
{
    if (p_.steps.StartIndicators) {
        p_.steps.StartIndicators();
    } else {
        p_.fm.IndicatorTimer.SetActive(true);
        p_.fm.DisconnectTimer.SetActive(true);
    }
}

void AccessModeSwitch::SwitchToPio()
{
    SharedState& st = p_.state;
    TFm& fm = p_.fm;
    remembered_api_device_ = st.ApiDeviceIndex;
    p_.LogLine("PIO access enabled. Base=" + HexPort(st.BasePort) + "h, Alt=" + HexPort(st.StatusPort) + "h",
               kNewLine, kLogInfo);
    ShowPioControls(true);
    st.access_mode = AccessMode::Pio;
    StartIndicators();
    fm.SecurityGroup.SetCaption(" Security manager ");
    fm.SeekModeGrp.SetItemIndex(0);
    ClearPassportDisplay();
    p_.channel.RefreshPortIndicator();
}

void AccessModeSwitch::SwitchToApi()
{
    SharedState& st = p_.state;
    TFm& fm = p_.fm;
    st.access_mode = AccessMode::Api;
    p_.pio.Apply48BitBox();
    if (st.ApiDeviceIndex < 0 && remembered_api_device_ >= 0) st.ApiDeviceIndex = remembered_api_device_;
    access_.BuildApiDeviceList();
    p_.LogLine("API access enabled, device #" + std::to_string(st.ApiDeviceIndex), kNewLine, kLogInfo);
    ShowPioControls(false);
    access_.List().ShowSpinnerValue(st.ApiDeviceIndex);
    if (StopIndicators)
        StopIndicators();
    else
        DefaultStopIndicators();
    fm.SecurityGroup.SetCaption(" Security manager (disabled in API) ");
    ClearPassportDisplay();
    p_.channel.RefreshPortIndicator();
    access_.List().SelectCurrentRow();
}

} // namespace mrv
