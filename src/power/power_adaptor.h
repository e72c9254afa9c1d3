#pragma once
// The drive's supply through the external power adaptor board, one register
// at BasePort + 16h: 1 on, 0 off, read back to check that the board is there.
// The "&Power" button's font colour is the switch state.

#include <cstdint>

namespace mrv
{

class ProgramImpl;

class PowerAdaptor
{
  public:
    explicit PowerAdaptor(ProgramImpl& program);

    static constexpr uint16_t kRegisterOffset = 0x16;

    void PowerBtnClick();
    /// Reads the register and colours the button (start-up in PIO mode).
    void ReadPowerState();
    /// True while the button shows the supply on (yellow).
    bool PowerOn() const;

  private:
    void Switch(bool on);

    ProgramImpl& p_;
};

} // namespace mrv
