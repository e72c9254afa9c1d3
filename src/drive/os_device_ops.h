#pragma once
// The operating system's disk devices as the command layer uses them: sector
// data with positioned reads and writes, SCSI commands through the
// pass-through request with the program's result codes, capacity and
// identification. No handle is kept between operations.

#include "drive/drive_host.h"
#include "drive/drive_state.h"
#include "platform/clock.h"
#include "platform/os_devices.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace mrv
{

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

/// The LBA stamp of API writes: the first 48 bytes of each sector become
/// "LBA n", "Time hh:mm:ss" and "Date dd.mm.yyyy" fields of 16 characters.
void StampSectors(uint8_t* buffer, uint32_t count, uint32_t sector_size, uint64_t lba,
                  const LocalDateTime& now);

/// VERIFY(10) (0x2F), or VERIFY(16) (0x8F) when the LBA or the count does not
/// fit its 32-bit and 16-bit fields; returns the command block's length.
uint8_t BuildVerifyCdb(uint64_t lba, uint32_t count, std::array<uint8_t, 16>& cdb);

class OsDeviceOps
{
  public:
    OsDeviceOps(OsDevices& devices, Clock& clock, DriveState& state, const DriveHost& host);

    /// −1 (or 255) opens the logical drive `letter`, any other number the physical drive.
    std::unique_ptr<OsDevice> OpenApiDevice(int number, char letter);
    /// The selected device (`ApiDeviceIndex`, `ApiDriveLetter`); with
    /// `log_failure` a device that does not open is logged ("Unable to open
    /// physical drive #n").
    std::unique_ptr<OsDevice> OpenCurrentDevice(bool log_failure = false);
    /// "Unable to open physical drive #N" (or the logical drive's line) with
    /// the system's reason when it gave one (level 4).
    void LogOpenFailure();
    /// "Unable to open physical drive #N", followed by ": " and the system's
    /// reason when it gave one (the device's name and what became of it).
    std::string PhysicalOpenFailureText(int number);

    uint32_t ApiReadSectors(OsDevice* device, uint32_t count, uint8_t* buffer, uint32_t sector_size,
                            uint64_t lba);
    uint32_t ApiWriteSectors(OsDevice* device, uint32_t count, const uint8_t* buffer, uint32_t sector_size,
                             uint64_t lba);
    /// VERIFY; a device that takes no SCSI commands is read instead when the
    /// sector size is given.
    bool ApiVerifySectors(OsDevice* device, uint32_t count, uint64_t lba, uint32_t sector_size = 0);
    DeviceCapacity ApiGetCapacity(OsDevice* device);
    bool ApiScsiInquiry(OsDevice* device, std::string& model, std::string& revision, std::string& serial);
    bool ApiStopUnit(OsDevice* device);
    /// The program's result codes: 0 success, 5 invalid handle, 10 other system
    /// error, 29–49 from sense data, 50–56 from system errors.
    int ScsiPassThrough(OsDevice* device, const uint8_t* cdb, uint8_t cdb_length, ScsiRequestRecord& record,
                        ScsiDirection direction, uint32_t data_length, uint8_t* data);

    /// The block command of API mode on an open device: 0x20 read, 0x30 write
    /// (stamped when `WriteLbaStamp` is on), 0x40 verify, 0x70 one-sector read,
    /// through `buffer` of `buffer_size` bytes with the given sector size.
    bool IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba,
                           uint32_t sector_size, uint8_t* buffer, size_t buffer_size);

  protected:
    OsDevices& devices_;
    Clock& clock_;
    DriveState& state_;
    const DriveHost& host_;
};

} // namespace mrv
