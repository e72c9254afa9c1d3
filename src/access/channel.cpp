#include "access/channel.h"

#include "app/program_impl.h"

#include <cstdio>

namespace mrv
{

namespace
{
constexpr uint16_t kPrimaryBase = 0x1F0, kPrimaryAlt = 0x3F6;
constexpr uint16_t kSecondaryBase = 0x170, kSecondaryAlt = 0x376;
} // namespace

std::string HexPort(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::optional<uint16_t> ParseHexPort(const std::string& text)
{
    uint64_t value = 0;
    for (char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        value = value * 16 + static_cast<uint64_t>(digit);
        // Stop early: a long text must not wrap around into the range.
        if (value > 0xFFFF) return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

Channel::Channel(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.PortRg.OnChange = [this] {
        if (!updating_ && !p_.creating) SelectChannel();
    };
    fm.BaseEdit.OnChange = [this] {
        if (!updating_ && !p_.creating) SetBaseFromEdit();
    };
    fm.AltEdit.OnChange = [this] {
        if (!updating_ && !p_.creating) SetAltFromEdit();
    };
    fm.AltStChk.OnClick = [this] { SetAltStatusPolling(); };
    fm.SlaveChk.OnClick = [this] { SetSlave(); };
    std::function<void()> previous = fm.NonDestrChk.OnClick;
    fm.NonDestrChk.OnClick = [this, previous] {
        NonDestructiveChanged();
        if (previous) previous();
    };
    p_.steps.SelectChannel = [this] { SelectChannel(); };
    p_.steps.ApplyCustomPorts = [this] { ApplyCustomPorts(); };
}

bool Channel::Pio() const
{
    return p_.state.access_mode == AccessMode::Pio;
}

void Channel::SetPorts(uint16_t base, uint16_t alt)
{
    p_.state.BasePort = base;
    p_.state.AltPort = alt;
}

void Channel::ShowEdits(const std::string& base, const std::string& alt)
{
    updating_ = true;
    p_.fm.BaseEdit.SetText(base);
    p_.fm.AltEdit.SetText(alt);
    updating_ = false;
}

void Channel::SetSelector(int index)
{
    updating_ = true;
    p_.fm.PortRg.SetItemIndex(index);
    updating_ = false;
}

void Channel::UpdateStatusPort()
{
    SharedState& st = p_.state;
    st.StatusPort = p_.fm.AltStChk.Checked() ? st.AltPort.load() : static_cast<uint16_t>(st.BasePort + 7);
}

void Channel::SelectChannel()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    fm.BaseEdit.SetEnabled(false);
    fm.AltEdit.SetEnabled(false);
    switch (fm.PortRg.ItemIndex()) {
    case kPrimary:
        if (st.PrimaryAllowed) {
            SetPorts(kPrimaryBase, kPrimaryAlt);
            ShowEdits("1F0", "3F6");
            if (Pio())
                p_.LogLine("Select PRIMARY port: base=" + HexPort(st.BasePort) +
                               "h, alternative=" + HexPort(st.AltPort) + "h",
                           kNewLine, kLogError);
        } else {
            SetPorts(kSecondaryBase, kSecondaryAlt);
            ShowEdits("170", "376");
            if (Pio()) {
                p_.LogLine("Primary port is blocked. Please, read manual", kNewLine, kLogError);
                p_.LogLine("Select SECONDARY port: base=" + HexPort(st.BasePort) +
                               ", alternative=" + HexPort(st.AltPort) + "h",
                           kNewLine, kLogInfo);
            }
            SetSelector(kSecondary);
        }
        break;
    case kCustom:
        fm.BaseEdit.SetEnabled(true);
        fm.AltEdit.SetEnabled(true);
        ShowEdits(HexPort(st.CustomBase, 4), HexPort(st.CustomAlt, 4));
        SetPorts(st.CustomBase, st.CustomAlt);
        if (Pio())
            p_.LogLine("Select EXTERNAL port: base=" + HexPort(st.BasePort) +
                           "h, alternative=" + HexPort(st.AltPort) + "h",
                       kNewLine, kLogInfo);
        break;
    default:
        SetPorts(kSecondaryBase, kSecondaryAlt);
        ShowEdits("170", "376");
        if (Pio())
            p_.LogLine("Select SECONDARY port: base=" + HexPort(st.BasePort) +
                           "h, alternative=" + HexPort(st.AltPort) + "h",
                       kNewLine, kLogInfo);
        if (fm.PortRg.ItemIndex() != kSecondary) SetSelector(kSecondary);
        break;
    }
    UpdateStatusPort();
    RefreshPortIndicator();
}

void Channel::ApplyCustomPorts()
{
    SharedState& st = p_.state;
    ShowEdits(HexPort(st.CustomBase, 3), HexPort(st.CustomAlt, 3));
    SetPorts(st.CustomBase, st.CustomAlt);
    UpdateStatusPort();
    RefreshPortIndicator();
}

void Channel::FallBackToSecondary()
{
    SharedState& st = p_.state;
    p_.LogLine("Primary port is blocked. Please, read manual", kNewLine, kLogError);
    SetPorts(kSecondaryBase, kSecondaryAlt);
    ShowEdits("170", "376");
    p_.LogLine("Select SECONDARY port: base=" + HexPort(st.BasePort) +
                   ", alternative=" + HexPort(st.AltPort) + "h",
               kNewLine, kLogInfo);
    SetSelector(kSecondary);
}

void Channel::SetBaseFromEdit()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    const std::string text = fm.BaseEdit.Text();
    std::optional<uint16_t> value = ParseHexPort(text);
    if (!value) {
        p_.LogLine("Range error: port " + text + "h is above FFFFh, the ports stay as they were", kNewLine,
                   kLogError);
        return;
    }
    st.BasePort = *value;
    if (fm.PortRg.ItemIndex() == kCustom) st.CustomBase = *value;
    if (*value == kSecondaryBase) {
        st.AltPort = kSecondaryAlt;
        updating_ = true;
        fm.AltEdit.SetText("376");
        updating_ = false;
        SetSelector(kSecondary);
    } else if (*value != kPrimaryBase) {
        SetSelector(kCustom);
        st.CustomBase = *value;
        fm.BaseEdit.SetEnabled(true);
        fm.AltEdit.SetEnabled(true);
    } else if (st.PrimaryAllowed) {
        st.AltPort = kPrimaryAlt;
        updating_ = true;
        fm.AltEdit.SetText("3F6");
        updating_ = false;
        SetSelector(kPrimary);
    } else {
        FallBackToSecondary();
    }
    UpdateStatusPort();
    RefreshPortIndicator();
}

void Channel::SetAltFromEdit()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    const std::string text = fm.AltEdit.Text();
    std::optional<uint16_t> value = ParseHexPort(text);
    if (!value) {
        p_.LogLine("Range error: port " + text + "h is above FFFFh, the ports stay as they were", kNewLine,
                   kLogError);
        return;
    }
    st.AltPort = *value;
    if (fm.PortRg.ItemIndex() == kCustom) st.CustomAlt = *value;
    UpdateStatusPort();
    RefreshPortIndicator();
}

void Channel::SetAltStatusPolling()
{
    UpdateStatusPort();
}

void Channel::SetSlave()
{
    SharedState& st = p_.state;
    const bool slave = p_.fm.SlaveChk.Checked();
    st.DeviceSelectBit = slave ? 0x10 : 0x00;
    // The settings restore the box before the channel is chosen; the start-up
    // selects the device itself.
    if (p_.creating) return;
    p_.LogLine(std::string(slave ? "Set SLAVE" : "Set MASTER") + " port (base=" + HexPort(st.BasePort) +
                   ", alternative=" + HexPort(st.StatusPort) + ")",
               kNewLine, kLogInfo);
    if (p_.pio.PortsUsable()) p_.pio.SelectDevice();
}

void Channel::NonDestructiveChanged()
{
    SharedState& st = p_.state;
    if (p_.fm.NonDestrChk.Checked()) {
        st.PrimaryAllowed = false;
        p_.fm.PwdEraseBtn.SetEnabled(false);
    } else {
        st.PrimaryAllowed = st.EnablePm;
        if (Pio()) p_.fm.PwdEraseBtn.SetEnabled(true);
    }
}

void Channel::RefreshPortIndicator()
{
    SharedState& st = p_.state;
    form::Label& label = p_.fm.PortLab;
    if (Pio()) {
        label.SetCaption("Port " + HexPort(st.BasePort) + "h");
        if (st.BasePort == kSecondaryBase)
            label.SetFontColour(form::colours::kBlue);
        else if (st.BasePort == kPrimaryBase)
            label.SetFontColour(form::colours::kRed);
        else
            label.SetFontColour(form::Colour::FromColorRef(0x000080));
        return;
    }
    if (st.ApiDeviceIndex == -1)
        label.SetCaption(std::string("Device ") + st.ApiDriveLetter.load() + ":");
    else
        label.SetCaption("Device " + std::to_string(st.ApiDeviceIndex));
    label.SetFontColour(st.ApiDeviceIndex == 0 ? form::colours::kRed : form::colours::kBlue);
}

} // namespace mrv
