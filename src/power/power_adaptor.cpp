#include "power/power_adaptor.h"

#include "app/program_impl.h"

namespace mrv
{

namespace
{
const form::Colour kOnColour = form::colours::kYellow;
const form::Colour kOffColour = form::colours::kRed;
} // namespace

PowerAdaptor::PowerAdaptor(ProgramImpl& program) : p_(program)
{
    p_.fm.PowerBtn.OnClick = [this] { PowerBtnClick(); };
    p_.steps.ReadPowerState = [this] { ReadPowerState(); };
}

bool PowerAdaptor::PowerOn() const
{
    return p_.fm.PowerBtn.FontColour() == kOnColour;
}

void PowerAdaptor::PowerBtnClick()
{
    if (p_.state.access_mode == AccessMode::Api) {
        p_.LogLine("Power Adaptor not operational on API mode", kNewLine, kLogError);
        return;
    }
    Switch(!PowerOn());
}

void PowerAdaptor::Switch(bool on)
{
    // The button shows the wanted state even when no board answers.
    p_.fm.PowerBtn.SetFontColour(on ? kOnColour : kOffColour);
    p_.LogLine(on ? "Adaptor Power ON" : "Adaptor Power OFF", kNewLine, kLogInfo);
    PortBus& ports = p_.platform.ports;
    const uint16_t port = static_cast<uint16_t>(p_.state.BasePort + kRegisterOffset);
    const uint8_t value = on ? 1 : 0;
    ports.OutByte(port, value);
    p_.platform.clock.SleepMs(1);
    if (ports.InByte(port) != value) p_.LogLine("Power Adaptor PC3000 not found", kReplaceLast, kLogError);
}

void PowerAdaptor::ReadPowerState()
{
    const uint16_t port = static_cast<uint16_t>(p_.state.BasePort + kRegisterOffset);
    const uint8_t value = p_.platform.ports.InByte(port);
    p_.fm.PowerBtn.SetFontColour(value == 0 ? kOffColour : kOnColour);
}

} // namespace mrv
