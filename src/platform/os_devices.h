#pragma once
// Operating-system disk devices: physical drives by number, logical drives by
// letter. A handle is opened, used and closed within one operation. Failures are
// reported as Windows error numbers (see port_access.h win_error) so that the
// program maps them in one place whatever the platform.

#include "platform/ata_command.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace mrv
{

enum class ScsiDirection { None, In, Out };

/// What the system says a device is. Unknown leaves the program to judge by
/// the geometry (a system that does not say, such as the virtual PC's
/// Windows-like personalities).
enum class OsDeviceKind : uint8_t {
    Unknown,
    Disk,       ///< an ATA or SCSI disk on a host adapter
    UsbDisk,    ///< a disk behind a USB bridge
    Nvme,       ///< an NVMe namespace
    Virtio,     ///< a paravirtual disk of a virtual machine
    MemoryCard, ///< SD/MMC
    Loop,       ///< a loop device over an image file
    CdRom,
    RamDisk,
    Network, ///< a network block device
};

/// One SCSI command through the pass-through request.
struct ScsiRequest {
    std::array<uint8_t, 16> cdb{};
    uint8_t cdb_length = 0;
    ScsiDirection direction = ScsiDirection::None;
    uint8_t* data = nullptr; ///< in: filled; out: sent
    uint32_t data_length = 0;
    uint32_t timeout_seconds = 5;
};

struct ScsiReply {
    uint8_t scsi_status = 0; ///< 0 GOOD, 2 CHECK CONDITION
    std::array<uint8_t, 32> sense{};
    uint8_t sense_length = 0; ///< bytes of sense data returned
    uint32_t data_transferred = 0;
};

/// One NVMe admin command through the system's pass-through request. The
/// command dwords 10–15 go as given; data moves in the given direction.
struct NvmeAdminCommand {
    uint8_t opcode = 0;
    uint32_t nsid = 0;
    /// Put the namespace the opened device stands for into `nsid`.
    bool own_namespace = false;
    std::array<uint32_t, 6> cdw{}; ///< command dwords 10..15
    ScsiDirection direction = ScsiDirection::None;
    uint8_t* data = nullptr; ///< in: filled; out: sent
    uint32_t data_length = 0;
    uint32_t timeout_seconds = 10;
};

/// What the controller answered: its status field (bits 10:8 status code
/// type, 7:0 status code, 13 more, 14 do not retry; 0 is success) and
/// completion dword 0.
struct NvmeReply {
    uint16_t status = 0;
    uint32_t result = 0;
};

/// Geometry as the system reports it (DISK_GEOMETRY plus the byte size).
struct OsGeometry {
    uint64_t cylinders = 0;
    uint32_t media_type = 0; ///< system media-type code; 11 removable, 12 fixed
    uint32_t tracks_per_cylinder = 0;
    uint32_t sectors_per_track = 0;
    uint32_t bytes_per_sector = 0;
    /// The exact size in bytes when the system gives it (0 when it does not):
    /// the made-up cylinders above round a device's tail away.
    uint64_t size_bytes = 0;
    OsDeviceKind kind = OsDeviceKind::Unknown;
};

/// Kinds of logical drive (GetDriveType values).
enum class LogicalDriveType : uint32_t {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

/// An open device. Every call returns true on success; on failure LastError()
/// holds the Windows error number.
class OsDevice
{
  public:
    virtual ~OsDevice() = default;

    /// Moves the file position (from the beginning); returns the new position or -1.
    virtual int64_t SetPosition(uint64_t byte_offset) = 0;
    virtual bool Read(void* buffer, uint32_t length, uint32_t& done) = 0;
    virtual bool Write(const void* buffer, uint32_t length, uint32_t& done) = 0;

    /// SCSI pass-through. False when the request itself failed (no SCSI status).
    virtual bool ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply) = 0;

    /// Legacy SMART request, 28-bit registers only (the low bytes): `data_in` with a
    /// 512-byte buffer (SMART_RCV_DRIVE_DATA), otherwise a non-data command
    /// (SMART_SEND_DRIVE_COMMAND). `out` receives the registers after the command.
    virtual bool SmartRequest(uint8_t drive_number, const AtaRegisters& in, uint8_t* data512, bool data_in,
                              AtaRegisters& out) = 0;

    /// IDE register pass-through, 28-bit registers only; `regs` holds the
    /// registers after the command.
    virtual bool IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length) = 0;

    virtual bool Geometry(OsGeometry& geometry) = 0;

    /// NVMe admin command. True when the controller answered (its status may
    /// still be an error); false when the request itself failed, with
    /// LastError() set. A device that is no NVMe namespace refuses it.
    virtual bool NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply)
    {
        (void)command;
        reply = NvmeReply{};
        return false;
    }

    virtual uint32_t LastError() const = 0;
};

/// What the running system itself keeps on a disk: writing to such a disk
/// pulls the ground from under the system.
struct SystemDiskUse {
    bool root = false;    ///< the root file system
    bool mounted = false; ///< any mounted file system
    bool swap = false;    ///< active swap space
    bool Any() const { return root || mounted || swap; }
};

class OsDevices
{
  public:
    virtual ~OsDevices() = default;

    /// "\\.\PhysicalDrive<n>"; null with `error` set when it cannot be opened.
    virtual std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) = 0;
    /// "\\.\<letter>:".
    virtual std::unique_ptr<OsDevice> OpenLogical(char letter, uint32_t& error) = 0;
    /// Bit n set when drive letter 'A'+n exists (GetLogicalDrives).
    virtual uint32_t LogicalDriveMask() = 0;
    virtual LogicalDriveType DriveType(char letter) = 0;
    /// Numbers the physical drives afresh. Until the next call a number stays
    /// bound to the device it was given to: when that device has gone or been
    /// replaced, OpenPhysical fails rather than open another disk.
    virtual void ReadPhysicalDrives() {}
    /// Why the last OpenPhysical of `number` failed, in words (empty when the
    /// error number says it all).
    virtual std::string PhysicalOpenFailure(int /*number*/) { return {}; }

    /// What the system uses on physical drive `number` (including file systems
    /// on its partitions and on volumes built from them). Nothing by default:
    /// a platform that cannot tell says so by reporting no use.
    virtual SystemDiskUse PhysicalDriveUse(int number)
    {
        (void)number;
        return {};
    }
    /// The same for a logical drive.
    virtual SystemDiskUse LogicalDriveUse(char letter)
    {
        (void)letter;
        return {};
    }
    /// Asks the system to read the capacity of physical drive `number` again
    /// after its maximum address changed; false when it could not be asked (a
    /// system that reads it at every open needs nothing).
    virtual bool RereadCapacity(int number)
    {
        (void)number;
        return false;
    }
};

} // namespace mrv
