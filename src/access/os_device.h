#pragma once
// API mode: drives reached through the operating system's devices. Sector data
// moves with positioned reads and writes; ATA, SMART and SCSI commands go
// through the pass-through requests. No handle is kept between operations.

#include "access/sat_translation.h"
#include "platform/clock.h"
#include "platform/os_devices.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace mrv
{

class ProgramImpl;

/// Filled by ApiGetCapacity, in the order the program keeps it.
struct DeviceCapacity {
    uint64_t total_sectors = 0;
    uint16_t sector_size = 0;
    uint32_t media_type = 0; ///< 11 = removable media
    uint64_t cylinders = 0;
    uint32_t tracks_per_cylinder = 0;
    uint32_t sectors_per_track = 0;
    OsDeviceKind kind = OsDeviceKind::Unknown; ///< what the system says the device is
};

/// The caller's pass-through record: time-out in, error and sense out.
struct ScsiRequestRecord {
    uint32_t timeout_seconds = 5;
    uint32_t system_error = 0;
    uint32_t data_returned = 0;
    std::array<uint8_t, 128> sense{};
};

class ApiDeviceList;
class AccessModeSwitch;

/// The LBA stamp of API writes: the first 48 bytes of each sector become
/// "LBA n", "Time hh:mm:ss" and "Date dd.mm.yyyy" fields of 16 characters.
void StampSectors(uint8_t* buffer, uint32_t count, uint32_t sector_size, uint64_t lba,
                  const LocalDateTime& now);

/// VERIFY(10) (0x2F), or VERIFY(16) (0x8F) when the LBA or the count does not
/// fit its 32-bit and 16-bit fields; returns the command block's length.
uint8_t BuildVerifyCdb(uint64_t lba, uint32_t count, std::array<uint8_t, 16>& cdb);

class OsDeviceAccess
{
  public:
    explicit OsDeviceAccess(ProgramImpl& program);
    ~OsDeviceAccess();

    /// −1 (or 255) opens the logical drive `letter`, any other number the physical drive.
    std::unique_ptr<OsDevice> OpenApiDevice(int number, char letter);
    uint32_t ApiReadSectors(OsDevice* device, uint32_t count, uint8_t* buffer, uint32_t sector_size,
                            uint64_t lba);
    uint32_t ApiWriteSectors(OsDevice* device, uint32_t count, const uint8_t* buffer, uint32_t sector_size,
                             uint64_t lba);
    bool ApiVerifySectors(OsDevice* device, uint32_t count, uint64_t lba);
    DeviceCapacity ApiGetCapacity(OsDevice* device);
    bool ApiScsiInquiry(OsDevice* device, std::string& model, std::string& revision, std::string& serial);
    bool ApiStopUnit(OsDevice* device);
    /// The program's result codes: 0 success, 5 invalid handle, 10 other system
    /// error, 29–49 from sense data, 50–56 from system errors.
    int ScsiPassThrough(OsDevice* device, const uint8_t* cdb, uint8_t cdb_length, ScsiRequestRecord& record,
                        ScsiDirection direction, uint32_t data_length, uint8_t* data);
    /// An ATA command through ATA PASS-THROUGH(16), then (12). `data` holds
    /// count × 512 bytes for the data kinds.
    bool SatAtaCommand(int drive_number, uint8_t sector_count, SatKind kind, uint8_t command, uint8_t device,
                       uint8_t lba_high, uint8_t lba_mid, uint8_t lba_low, uint8_t count_register,
                       uint8_t features, uint8_t* data = nullptr, AtaResultRegisters* result = nullptr,
                       uint32_t timeout_seconds = 5);
    bool SmartIoctlCommand(OsDevice* device, int drive_number, uint32_t buffer_size, uint8_t command,
                           uint8_t device_head, uint8_t cyl_high, uint8_t cyl_low, uint8_t sector_number,
                           uint8_t sector_count, uint8_t features, uint8_t* data = nullptr,
                           IdeRegisters* out = nullptr);
    /// The legacy SMART request on the current device; `refuse_non_ata`: the
    /// variant that refuses while the passport says NonAta.
    bool ApiSmartCommand(int drive_number, uint32_t buffer_size, uint8_t features, uint8_t command,
                         uint8_t device_head, uint8_t cyl_high, uint8_t cyl_low, uint8_t sector_number,
                         uint8_t sector_count, uint8_t* data = nullptr, bool refuse_non_ata = true,
                         IdeRegisters* out = nullptr);
    bool IdePassThrough(uint32_t data_length, const IdeRegisters& registers, IdeRegisters& result,
                        uint8_t* data = nullptr);
    void BuildApiDeviceList();

    /// The block command of API mode on an open device: 0x20 read, 0x30 write
    /// (stamped when `WriteLbaStamp` is on), 0x40 verify, 0x70 one-sector read,
    /// through `ApiBuffer` with the passport's sector size.
    bool IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba);
    /// The same on the current device, opened for this call only.
    bool IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba);
    /// The current device (`ApiDeviceIndex`, `ApiDriveLetter`).
    std::unique_ptr<OsDevice> OpenCurrentDevice();
    /// "Unable to open physical drive #N" (or the logical drive's line) with
    /// the system's reason when it gave one (level 4).
    void LogOpenFailure();

    ApiDeviceList& List() { return *list_; }
    AccessModeSwitch& ModeSwitch() { return *mode_switch_; }

  private:
    ProgramImpl& p_;
    std::unique_ptr<ApiDeviceList> list_;
    std::unique_ptr<AccessModeSwitch> mode_switch_;
};

} // namespace mrv
