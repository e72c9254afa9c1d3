#pragma once
// The API/PIO switch (`APIRg`): what each mode shows, hides, starts, stops and
// logs, and the port indicator beside the switch.

#include <functional>
#include <string>

namespace mrv
{

class ProgramImpl;
class OsDeviceAccess;

class AccessModeSwitch
{
  public:
    AccessModeSwitch(ProgramImpl& program, OsDeviceAccess& access);

    /// The switch changed (by the user, or by the program as a user would).
    void APIRgClick();
    void SwitchToPio();
    void SwitchToApi();

    /// Stops the register indicators and paints them off. The channel code may
    /// set its own; the default stops both timers, blackens the lamps, greys the
    /// error labels and hides the register monitor.
    std::function<void()> StopIndicators;

  private:
    void ShowPioControls(bool pio);
    void ClearPassportDisplay();
    void DefaultStopIndicators();
    void StartIndicators();

    ProgramImpl& p_;
    OsDeviceAccess& access_;
    int remembered_api_device_ = 0;
};

} // namespace mrv
