#pragma once
// Every SMART command the program sends (ATA B0h with the 4Fh/C2h signature),
// routed by access mode: the task file in PIO mode; in API mode the
// operating system's SMART request and then ATA PASS-THROUGH. The rest of the
// SMART subsystem reaches the drive only through this class.

#include "drive/drive_routes.h"

#include <cstdint>
#include <optional>

namespace mrv
{

class ProgramImpl;

/// The way a command reached the drive.
enum class SmartPath { None, TaskFile, SmartRequest, PassThrough };

/// LBA mid and high after RETURN STATUS.
struct SmartStatusRegisters {
    uint8_t lba_mid = 0;
    uint8_t lba_high = 0;
};

/// How a self-test or off-line routine start went.
enum class OfflineStart { Sent, NotReady, Rejected, NonAta };

class SmartCommands
{
  public:
    explicit SmartCommands(ProgramImpl& program) : p_(program) {}

    /// ENABLE OPERATIONS (D8h) before a read: the path that answered, None when
    /// every path refused. The data and thresholds then go the same way.
    SmartPath EnableForRead();
    /// READ DATA (D0h): 512 bytes into `block`. False when rejected or no data came.
    bool ReadData(SmartPath path, uint8_t* block);
    /// READ THRESHOLDS (D1h): 512 bytes into `block`.
    bool ReadThresholds(SmartPath path, uint8_t* block);
    /// The vendor switch of IBM drives (features F8h) that shows the extended attribute set.
    bool IbmSuperSmart(bool on);
    /// RETURN STATUS (DAh). Sets the passport's `UsbBridge` when only
    /// ATA PASS-THROUGH answered; nullopt when no path gave the registers.
    std::optional<SmartStatusRegisters> ReturnStatus();

    /// The control commands of the SMART panel (not sent to a NonAta drive in API mode).
    bool Enable();
    bool Disable();
    /// ATTRIBUTE AUTOSAVE (D2h), count F1h (on) or 00h (off).
    bool Autosave(bool on);
    /// EXECUTE OFF-LINE IMMEDIATE (D4h) with `subcommand` in LBA low. PIO mode
    /// writes the task file once the drive is ready and does not wait for the
    /// routine: a captive test keeps the drive busy for its whole run.
    OfflineStart ExecuteOffline(uint8_t subcommand);
    /// EXECUTE OFF-LINE IMMEDIATE with 7Fh: abort the running routine.
    bool AbortOffline();

  private:
    /// A non-data command in the current mode; `refuse_non_ata`: the API
    /// variant that sends nothing to a drive without ATA.
    bool NonData(uint8_t features, uint8_t count, uint8_t lba_low, bool refuse_non_ata,
                 SmartPath* answered = nullptr);
    bool ReadBlock(SmartPath path, uint8_t features, uint8_t* block, bool aux);
    /// A SMART command's registers (B0h with the 4Fh/C2h signature).
    AtaRegisters Registers(uint8_t features, uint8_t count, uint8_t lba_low) const;
    DriveRoute* RouteOf(SmartPath path);

    ProgramImpl& p_;
};

} // namespace mrv
