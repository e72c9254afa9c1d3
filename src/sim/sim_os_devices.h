#pragma once
// The virtual PC's operating-system devices. Each lab drive can also be a
// physical drive number, reached through a personality: a SATA port (legacy
// SMART request, IDE pass-through and SCSI/ATA translation all work), a USB
// bridge with ATA PASS-THROUGH(16) and (12) or only (12), a SCSI-only bridge,
// a virtual disk controller (no ATA, a geometry other than 63 sectors per
// track) or an NVMe controller (admin commands only, no ATA or SCSI). Numbers without a drive cannot be
// opened. Logical drive letters of each type can be declared, with or without a medium.

#include "platform/os_devices.h"
#include "platform/port_access.h"
#include "sim/ata_drive.h"
#include "sim/lab_config.h"
#include "sim/nvme_controller.h"
#include "sim/usb_bridge.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mrv::sim
{

enum class OsPersonality { SataPort, UsbSat, UsbSat12, ScsiBridge, VirtualDisk, Nvme };

/// The personality named in a lab file ("sata", "usb", "usb12", "scsi",
/// "virtual", "nvme"); false for an unknown name.
bool ParseOsPersonality(const std::string& name, OsPersonality& personality);

/// A logical drive letter and its type ("F:removable", "E:cdrom").
struct LetterSpec {
    char letter = 0;
    LogicalDriveType type = LogicalDriveType::Removable;
};

/// "E:cdrom,N:network,F:removable" (types removable, fixed, network, cdrom,
/// ramdisk, unknown); false with `why` for anything else.
bool ParseLetterList(const std::string& text, std::vector<LetterSpec>& letters, std::string& why);

struct OsDriveSlot {
    OsPersonality personality = OsPersonality::SataPort;
    AtaDrive* drive = nullptr;
    bool removable = false;
    uint32_t sectors_per_track = 0; ///< 0: 63, or 32 for a virtual disk
    uint32_t heads = 0;             ///< 0: 255, or 16 for a virtual disk
    NvmeController* nvme = nullptr; ///< the controller of an NVMe personality
};

struct OsLogicalSlot {
    LogicalDriveType type = LogicalDriveType::Removable;
    AtaDrive* drive = nullptr; ///< the medium; null: no medium (cannot be opened)
};

class SimOsDevices : public OsDevices
{
  public:
    SimOsDevices() = default;

    /// The drives and letters a lab declares.
    void Configure(const LabConfig& config, const std::vector<std::unique_ptr<AtaDrive>>& drives);

    void AddPhysical(int number, const OsDriveSlot& slot) { physical_[number] = slot; }
    void AddLogical(char letter, const OsLogicalSlot& slot) { logical_[letter] = slot; }
    void RemovePhysical(int number) { physical_.erase(number); }

    std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) override;
    std::unique_ptr<OsDevice> OpenLogical(char letter, uint32_t& error) override;
    uint32_t LogicalDriveMask() override;
    LogicalDriveType DriveType(char letter) override;
    /// The drive's OsInUse key.
    SystemDiskUse PhysicalDriveUse(int number) override;
    SystemDiskUse LogicalDriveUse(char letter) override;
    /// The NVMe controller in front of physical drive `number`; null when it has none.
    NvmeController* Nvme(int number);

    /// The bridge in front of physical drive `number` stops answering at the
    /// n-th request from now (1: the next; 0 disarms), through any of its
    /// handles: that request fails after its time-out, and the host gives the
    /// device up: later requests fail at once and it can no longer be opened.
    void HangAfterRequests(int number, uint32_t n);
    /// A reboot of the PC: devices the host gave up are found again.
    void PowerCycle();

    /// What a request through a handle of physical drive `number` meets:
    /// true to go on; false with `error` when the device has stopped answering
    /// (after `timeout_seconds` of the drive's time when this request is the one that hangs).
    bool Answers(int number, AtaDrive& drive, uint32_t timeout_seconds, uint32_t& error);

    /// Counters for tests: SCSI command blocks by operation code, SMART requests.
    std::map<uint8_t, int> scsi_commands;
    int smart_requests = 0;

  private:
    std::map<int, OsDriveSlot> physical_;
    std::map<char, OsLogicalSlot> logical_;
    std::map<int, std::unique_ptr<NvmeController>> nvme_;

    struct Hang {
        uint32_t countdown = 0; ///< requests until the bridge hangs; 0: it does not
        bool gone = false;      ///< the host gave the device up
    };
    std::mutex hang_lock_; ///< requests come from worker threads
    std::map<int, Hang> hangs_;
};

} // namespace mrv::sim
