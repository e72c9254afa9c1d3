#include "access/register_monitor.h"

#include "access/channel.h"
#include "app/program_impl.h"
#include "platform/ata_command.h"

#include <algorithm>

namespace mrv
{

namespace
{

using form::Colour;
namespace colours = form::colours;

// Indicator colours, given as Windows colour values.
const Colour kLampLime = Colour::FromColorRef(0x00FF00);
const Colour kLampBlue = Colour::FromColorRef(0xFF0000);
const Colour kLampRed = Colour::FromColorRef(0x0000FF);
const Colour kLampMagenta = Colour::FromColorRef(0xFF00FF);
const Colour kLabelYellow = Colour::FromColorRef(0x00FFFF);
const Colour kErrorGrey = Colour::FromColorRef(0x808080);
const Colour kMonitorGreen = Colour::FromColorRef(0x008000);
const Colour kMonitorYellow = Colour::FromColorRef(0x00FFFF);

std::string Hex2(uint8_t value)
{
    return HexPort(value, 2);
}

} // namespace

Colour RegisterMonitor::StatusLitColour(uint8_t bit)
{
    switch (bit) {
    case ata_bits::kBsy:
        return kLampLime;
    case ata_bits::kDrdy:
        return kLampBlue;
    case ata_bits::kDf:
        return kLampRed;
    case ata_bits::kDsc:
        return kLampBlue;
    case ata_bits::kDrq:
        return kLampMagenta;
    case ata_bits::kCorr:
        return kLampBlue;
    case ata_bits::kIdx:
        return kLabelYellow;
    default:
        return kLampRed;
    }
}

Colour RegisterMonitor::StatusClearColour(uint8_t bit)
{
    // CORR and INX are label texts on the black panel, the rest are lamps.
    return bit == ata_bits::kCorr || bit == ata_bits::kIdx ? colours::kWhite : colours::kBlack;
}

RegisterMonitor::RegisterMonitor(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.IndicatorTimer.OnTimer = [this] { RefreshStatusLeds(); };
    fm.DisconnectTimer.OnTimer = [this] { CheckDisconnected(); };
    fm.RegPanel.OnClick = [this] { ToggleRegisterMonitor(); };
    // The lamps and labels cover most of the panel: a click on them counts too.
    for (form::Control* child : fm.RegPanel.Children())
        child->OnClick = [this] { ToggleRegisterMonitor(); };

    TIFm& ifm = p_.ifm;
    ifm.ColourRg.OnClick = [this] {
        TIFm& w = p_.ifm;
        Colour colour = w.ColourRg.ItemIndex() == 1 ? kMonitorYellow : kMonitorGreen;
        for (form::Label* label : {&w.R1, &w.R2, &w.R3, &w.R4, &w.R5, &w.R6, &w.R7})
            label->SetFontColour(colour);
    };
    ifm.TranspTrk.OnChange = [this] { p_.ifm.SetAlpha(p_.ifm.TranspTrk.Position()); };

    p_.steps.StartIndicators = [this] { StartIndicators(); };
}

bool RegisterMonitor::MonitorVisible() const
{
    return p_.ifm.Visible();
}

void RegisterMonitor::PaintStatus(uint8_t status)
{
    TFm& fm = p_.fm;
    fm.StatusHexLab.SetCaption(Hex2(status));
    if (status & ata_bits::kBsy) {
        // While busy the other bits mean nothing.
        fm.BusyLed.SetBrush(kLampLime);
        fm.DrqLed.SetBrush(colours::kBlack);
        fm.ErrLed.SetBrush(colours::kBlack);
        return;
    }
    auto lamp = [status](form::Lamp& l, uint8_t bit) {
        l.SetBrush(status & bit ? StatusLitColour(bit) : StatusClearColour(bit));
    };
    auto text = [status](form::Label& l, uint8_t bit) {
        l.SetFontColour(status & bit ? StatusLitColour(bit) : StatusClearColour(bit));
    };
    fm.BusyLed.SetBrush(colours::kBlack);
    lamp(fm.DrdyLed, ata_bits::kDrdy);
    lamp(fm.WrfLed, ata_bits::kDf);
    lamp(fm.DrscLed, ata_bits::kDsc);
    lamp(fm.DrqLed, ata_bits::kDrq);
    text(fm.CorrLab, ata_bits::kCorr);
    text(fm.InxLab, ata_bits::kIdx);
    lamp(fm.ErrLed, ata_bits::kErr);
}

void RegisterMonitor::PaintErrors(uint8_t error)
{
    TFm& fm = p_.fm;
    fm.ErrorHexLab.SetCaption(Hex2(error));
    const std::pair<form::Label*, uint8_t> labels[] = {{&fm.BbkLab, 0x80},  {&fm.UncLab, 0x40},
                                                       {&fm.IdnfLab, 0x10}, {&fm.AbrtLab, 0x04},
                                                       {&fm.T0nfLab, 0x02}, {&fm.AmnfLab, 0x01}};
    for (auto [label, bit] : labels)
        label->SetFontColour(error & bit ? colours::kRed : kErrorGrey);
}

void RegisterMonitor::PaintOff()
{
    TFm& fm = p_.fm;
    for (form::Lamp* lamp : {&fm.BusyLed, &fm.DrdyLed, &fm.WrfLed, &fm.DrscLed, &fm.DrqLed, &fm.ErrLed})
        lamp->SetBrush(colours::kBlack);
    for (form::Label* label : {&fm.CorrLab, &fm.InxLab})
        label->SetFontColour(colours::kWhite);
    for (form::Label* label : {&fm.BbkLab, &fm.UncLab, &fm.IdnfLab, &fm.AbrtLab, &fm.T0nfLab, &fm.AmnfLab})
        label->SetFontColour(kErrorGrey);
}

void RegisterMonitor::RefreshStatusLeds()
{
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    // The alternate status register: reading it leaves a pending interrupt alone.
    const uint8_t status = ports.InByte(st.AltPort);
    const bool changed = !status_shown_ || status != last_status_;
    last_status_ = status;
    status_shown_ = true;
    if (changed) {
        PaintStatus(status);
    } else if ((status & ata_bits::kBsy) == 0) {
        const uint8_t error = ports.InByte(static_cast<uint16_t>(st.BasePort + 1));
        if (!error_shown_ || error != last_error_) {
            last_error_ = error;
            error_shown_ = true;
            PaintErrors(error);
        }
    }
    if (MonitorVisible()) RefreshMonitorWindow();
    p_.ui.ProcessMessages();
}

void RegisterMonitor::CheckDisconnected()
{
    TFm& fm = p_.fm;
    const bool all_lit = fm.DrqLed.Brush() == StatusLitColour(ata_bits::kDrq) &&
                         fm.DrdyLed.Brush() == StatusLitColour(ata_bits::kDrdy) &&
                         fm.WrfLed.Brush() == StatusLitColour(ata_bits::kDf) &&
                         fm.ErrLed.Brush() == StatusLitColour(ata_bits::kErr);
    // An all-ones status has BSY set, so the lamps alone never show it: the
    // status read itself tells that nothing drives the bus.
    const bool floating = status_shown_ && last_status_ == 0xFF && fm.BusyLed.Brush() == kLampLime;
    if (all_lit || floating) {
        // A floating bus reads as all ones: nothing answers on this channel.
        PaintOff();
        for (form::Label* label : {&fm.BusyLab, &fm.DrdyLab, &fm.WrfLab, &fm.DrscLab, &fm.DrqLab, &fm.ErrLab})
            label->SetFontColour(colours::kWhite);
        p_.LogLine("Port " + HexPort(p_.state.BasePort, 4) + "h - drive disconnected!", kNewLine,
                   kLogSuccess);
    }
    if (fm.BusyLed.Brush() == kLampLime) {
        for (form::Lamp* lamp : {&fm.DrqLed, &fm.WrfLed, &fm.ErrLed})
            lamp->SetBrush(colours::kBlack);
        fm.InxLab.SetFontColour(colours::kWhite);
        fm.CorrLab.SetFontColour(colours::kWhite);
    }
}

void RegisterMonitor::RefreshMonitorWindow()
{
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    if (ports.InByte(st.AltPort) & ata_bits::kBsy) return;
    TIFm& ifm = p_.ifm;
    form::Label* labels[] = {&ifm.R1, &ifm.R2, &ifm.R3, &ifm.R4, &ifm.R5, &ifm.R6, &ifm.R7};
    for (int i = 0; i < 7; ++i)
        labels[i]->SetCaption(Hex2(ports.InByte(static_cast<uint16_t>(st.BasePort + 1 + i))));
}

void RegisterMonitor::ToggleRegisterMonitor()
{
    TIFm& ifm = p_.ifm;
    if (ifm.Visible()) {
        ifm.Hide();
    } else {
        // Docked at the top of the screen, as wide as the main window.
        const int width = std::max(200, p_.fm.Geometry().width);
        ifm.SetBounds(0, 0, width, 92);
        ifm.SetAlpha(ifm.TranspTrk.Position());
        const form::Bounds& slider = ifm.TranspTrk.Geometry();
        ifm.TranspTrk.SetBounds(width - 100 - slider.width, slider.top, slider.width, slider.height);
        ifm.Show();
    }
}

void RegisterMonitor::StartIndicators()
{
    status_shown_ = false;
    error_shown_ = false;
    p_.fm.IndicatorTimer.SetActive(true);
    p_.fm.DisconnectTimer.SetActive(true);
}

} // namespace mrv
