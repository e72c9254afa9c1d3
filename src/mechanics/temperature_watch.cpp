#include "mechanics/temperature_watch.h"

#include "app/program_impl.h"
#include "mechanics/seek_state.h"

#include <cstdint>

namespace mrv
{

namespace
{

constexpr uint8_t kTemperatureAttribute = 194;
constexpr int kNoSmartData = -126;
constexpr int kNoSensor = -127;
constexpr const char* kDegrees = " \xC2\xB0"
                                 "C";

} // namespace

TemperatureWatch::TemperatureWatch(ProgramImpl& program, SeekState& state) : p_(program), s_(state)
{
    p_.fm.TermoCtrlBox.OnClick = [this] { TermoCtrlBoxClick(); };
}

bool TemperatureWatch::Active() const
{
    const TFm& fm = p_.fm;
    const DrivePassport& d = p_.state.passport;
    return fm.TermoCtrlBox.Checked() && fm.TermoCtrlBox.Enabled() && (d.SmartSupported || d.NonAta);
}

int TemperatureWatch::ReadAttribute()
{
    const int64_t result = p_.smart.ReadSmart(kTemperatureAttribute, false, {});
    if (result == kNoSmartData || result == kNoSensor) return static_cast<int>(result);
    return static_cast<int16_t>(result & 0xFFFF);
}

void TemperatureWatch::SwitchOff()
{
    p_.fm.TermoCtrlBox.SetChecked(false);
    p_.fm.SeekTmprtLed.SetCaption("n/a");
}

void TemperatureWatch::ReadAtStart()
{
    if (!Active()) return;
    const int value = ReadAttribute();
    s_.HdaTemperature = static_cast<int16_t>(value);
    if (value == kNoSmartData || value == kNoSensor) {
        p_.LogLine("SMART: HDA temperature sensor not detected!", true, 4);
        SwitchOff();
        return;
    }
    p_.fm.SeekTmprtLed.SetCaption(std::to_string(value) + kDegrees);
    p_.LogLine("HDA temperature = " + std::to_string(value) + kDegrees, false, 2);
}

bool TemperatureWatch::ReadSeekTemperature(const std::string& average_text)
{
    p_.ops.SleepWithMessages(1000);
    const int value = ReadAttribute();
    s_.HdaTemperature = static_cast<int16_t>(value);
    bool ok = true;
    if (value == kNoSmartData) {
        p_.LogLine("SMART Error, termocontrol disabled", true, 4);
        ok = false;
    } else if (value == kNoSensor) {
        p_.LogLine("Temperature sensor not found, termocontrol disabled", true, 4);
        ok = false;
    }
    if (ok) {
        const std::string text = std::to_string(value) + kDegrees;
        p_.fm.SeekTmprtLed.SetCaption(text);
        p_.LogLine("HDA temperature = " + text, false, 1);
    } else {
        SwitchOff();
    }
    p_.LogLine("Average seek time = " + average_text + " ms", false, 1);
    return ok;
}

void TemperatureWatch::TermoCtrlBoxClick()
{
    if (!p_.fm.TermoCtrlBox.Checked()) p_.fm.SeekTmprtLed.SetCaption("n/a");
}

} // namespace mrv
