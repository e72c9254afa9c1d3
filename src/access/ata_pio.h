#pragma once
// The ATA task-file protocol over I/O ports: register loads for 28- and 48-bit
// commands, status polling with time-outs, one-sector PIO transfers, the
// non-data command and the one-sector operations every test uses (which serve
// API mode too, so callers never test the mode themselves).

#include "access/ata_command.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace mrv
{

class ProgramImpl;
class OsDevice;
struct LocalDateTime;

class AtaPio
{
  public:
    explicit AtaPio(ProgramImpl& program);

    void SelectDevice();
    void WriteTaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                         uint8_t cyl_low, uint8_t sector);
    void WriteTaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid, uint16_t high,
                         uint8_t device, uint8_t command);
    void IssueLba28(uint8_t count, uint8_t command, uint64_t lba);
    void IssueLba48(uint16_t count, uint8_t command, uint64_t lba);
    /// The one entry for read, write, verify, seek and max-address commands at an
    /// LBA, in the current access mode. PIO only loads the registers; API mode
    /// opens the current device for the call.
    bool IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba);
    /// The same on a device the caller holds open (API mode; ignored in PIO).
    bool IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba);
    uint64_t ReadTaskFileLba();

    /// −1 on time-out, otherwise the elapsed time in 100 µs units.
    int64_t WaitNotBusy();
    bool WaitDataRequest();
    /// `ms` = 0: no limit.
    bool WaitDriveReady(uint32_t ms);
    uint8_t ReadErrorRegister();
    bool IsDriveReady();
    bool IsDriveBusy();
    bool IsDriveFaulted();
    bool ProbeChannel();
    /// The user-level readiness wait, with its log lines.
    bool AwaitDriveReady();
    bool AtaNonDataCommand(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                           uint8_t cyl_low, uint8_t sector);

    bool PioReadSector();
    bool PioReadSectorAux();
    bool PioWriteSector();
    void PioReadSector32();
    void PioWriteSector32();

    bool ReadSector(uint64_t lba);
    bool ReadSectorAux(uint64_t lba);
    bool WriteSector(uint64_t lba);
    void SoftReset();

    static std::string DescribeAtaError(uint8_t code);

    // The command value on the task file.

    /// Writes the input registers in the drive's order (device, then the
    /// previous bytes of a 48-bit command, then the current ones, command last).
    void LoadTaskFile(const AtaCommand& command);
    /// Reads status, error, count, LBA and device into `command.out` (the
    /// previous bytes through HOB for a 48-bit command).
    void ReadOutputRegisters(AtaCommand& command);
    /// Runs a whole command in PIO mode: load, one DRQ block of 512 bytes per
    /// sector, final status. True when the drive answered without ERR or DF.
    bool Execute(AtaCommand& command);

    // Timing.

    /// The selected timer's current value (counter ticks or milliseconds).
    uint64_t Now() const;
    /// Recomputes the three time-outs from the sliders and the timer choice.
    void ComputeAtaTimeouts();
    /// Port instructions are allowed: not an NT-family system without the grant.
    bool PortsUsable() const;
    /// Applies the "48 bit" box (and API mode, which always addresses 48 bits).
    void Apply48BitBox();
    /// Called after the addressing mode changed, so that the scan's block-size
    /// list can be rebuilt for it (set by the scan control).
    std::function<void()> OnAddressModeChanged;

    /// The first 48 bytes of an API write: "LBA n", "Time t", "Date d" in three

  private:
    uint16_t Base(int offset) const;
    /// LBA (and count) registers; the previous bytes through HOB when `ext`.
    uint64_t ReadLbaRegisters(bool ext, uint16_t* count);
    /// Lets the message queue run when called on the user-interface thread.
    void Pump();
    bool ApiSectorTransfer(uint64_t lba, uint8_t* buffer, size_t buffer_size, bool write);

    ProgramImpl& p_;
    /// Mirror of "Enable breaking internal loops" that workers may read.
    std::atomic<bool> break_loops_{false};
};

} // namespace mrv
