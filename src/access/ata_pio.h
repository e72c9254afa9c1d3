#pragma once
// The task-file protocol as the program drives it: the time-out sliders and
// the timer choice, the "48 bit" box, the user-level readiness wait with its
// log lines, and the one-sector operations every test uses (which serve API
// mode too, so callers never test the mode themselves).

#include "drive/task_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace mrv
{

class ProgramImpl;
class OsDevice;

class AtaPio : public TaskFile
{
  public:
    explicit AtaPio(ProgramImpl& program);

    /// The one entry for read, write, verify, seek and max-address commands at an
    /// LBA, in the current access mode. PIO only loads the registers; API mode
    /// opens the current device for the call.
    bool IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba);
    /// The same on a device the caller holds open (API mode; ignored in PIO).
    bool IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba);

    /// The user-level readiness wait, with its log lines.
    bool AwaitDriveReady();

    /// The data phase of one sector into or out of the program's buffers,
    /// then the final status.
    bool PioReadSector();
    bool PioReadSectorAux();
    bool PioWriteSector();

    bool ReadSector(uint64_t lba);
    bool ReadSectorAux(uint64_t lba);
    bool WriteSector(uint64_t lba);

    /// Recomputes the three time-outs from the sliders and the timer choice.
    void ComputeAtaTimeouts();
    /// Port instructions are allowed: not an NT-family system without the grant.
    bool PortsUsable() const;
    /// Applies the "48 bit" box (and API mode, which always addresses 48 bits).
    void Apply48BitBox();
    /// Called after the addressing mode changed, so that the scan's block-size
    /// list can be rebuilt for it (set by the scan control).
    std::function<void()> OnAddressModeChanged;

  private:
    bool PioSectorIn(uint8_t* buffer);
    bool ApiSectorTransfer(uint64_t lba, uint8_t* buffer, size_t buffer_size, bool write);

    ProgramImpl& p_;
};

} // namespace mrv
