#pragma once
// The ATA task-file protocol over I/O ports: register loads for 28- and 48-bit
// commands, status polling with time-outs, the data phase of PIO commands and
// whole commands as values. Works from any thread: every option it reads is
// an atomic of the drive state, and every long wait checks the stop flags.

#include "drive/drive_host.h"
#include "drive/drive_state.h"
#include "platform/ata_command.h"
#include "platform/clock.h"
#include "platform/port_bus.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mrv
{

class TaskFile
{
  public:
    TaskFile(PortBus& ports, Clock& clock, DriveState& state, const DriveHost& host);

    void SelectDevice();
    /// Writes the input registers in the drive's order (device, then the
    /// previous bytes of a 48-bit command, then the current ones, command last).
    void LoadTaskFile(const AtaCommand& command);
    /// Status, error, count, LBA and device (the previous bytes through HOB for
    /// a 48-bit command).
    AtaResult ReadOutputRegisters(bool ext);
    /// Loads a read, write, verify, seek or max-address command at an LBA,
    /// 48-bit when 48-bit access is on. False (after half a second, with
    /// `LbaOutOfRange` set) when a 28-bit command cannot address the LBA.
    bool LoadBlockCommand(uint32_t count, uint8_t command, uint64_t lba);
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
    /// A drive answers on the channel (its count and LBA registers hold what
    /// was written); always true with the readiness check switched off.
    bool ProbeChannel();

    /// Runs a whole command: load, one DRQ block of 512 bytes per sector, final
    /// status. Refused without port access.
    AtaResult Execute(const AtaCommand& command);
    /// A non-data command from its registers (28-bit).
    AtaResult AtaNonDataCommand(const AtaRegisters& registers);

    /// One 512-byte DRQ block through the data register, 16 or 32 bits wide.
    void ReadDataBlock(uint8_t* bytes);
    void WriteDataBlock(const uint8_t* bytes);
    void ReadDataBlock32(uint8_t* bytes);
    void WriteDataBlock32(const uint8_t* bytes);

    void SoftReset();

    /// The selected timer's current value (counter ticks or milliseconds).
    uint64_t Now() const;

    static std::string DescribeAtaError(uint8_t code);
    /// The code `DescribeAtaError` takes for a result: 0 (time-out) unless
    /// the drive ended the command with ERR.
    static uint8_t ErrorCodeOf(const AtaResult& result);

  protected:
    uint16_t Base(int offset) const;

    PortBus& ports_;
    Clock& clock_;
    DriveState& state_;
    const DriveHost& host_;

  private:
    uint64_t ReadLbaRegisters(bool ext, uint16_t* count);
};

} // namespace mrv
