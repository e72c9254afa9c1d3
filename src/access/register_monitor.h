#pragma once
// The live task-file state: the status lamps and error labels of the register
// panel (repainted only on change), the disconnected-drive check, and the
// translucent "Registry Monitor" window with all seven readable registers.

#include "form/colour.h"

#include <cstdint>

namespace mrv
{

class ProgramImpl;

class RegisterMonitor
{
  public:
    explicit RegisterMonitor(ProgramImpl& program);

    /// The 20 ms indicator tick.
    void RefreshStatusLeds();
    /// The one-second tick.
    void CheckDisconnected();
    void ToggleRegisterMonitor();
    /// Shows the seven registers in the monitor window while the drive is not busy.
    void RefreshMonitorWindow();

    /// PIO mode (start-up, switch): both timers run and the next tick repaints everything.
    void StartIndicators();

    bool MonitorVisible() const;
    uint8_t LastStatus() const { return last_status_; }
    uint8_t LastError() const { return last_error_; }

    /// Lit colour of a status lamp or label, by bit (0x80 BSY … 0x01 ERR).
    static form::Colour StatusLitColour(uint8_t bit);
    static form::Colour StatusClearColour(uint8_t bit);

  private:
    void PaintStatus(uint8_t status);
    void PaintErrors(uint8_t error);
    void PaintOff();

    ProgramImpl& p_;
    uint8_t last_status_ = 0;
    uint8_t last_error_ = 0;
    /// False until the first reading is shown, so that it is painted whatever it is.
    bool status_shown_ = false;
    bool error_shown_ = false;
};

} // namespace mrv
