#pragma once
// Physical and logical drives of a Linux machine, found in sysfs and opened
// under the device directory. Physical drive numbers are bound to the devices
// when the list is read, so that a number never moves to another disk when
// drives come and go; letters are found afresh on every call.

#include "platform/linux/block_devices.h"
#include "platform/linux/linux_os_device.h"
#include "platform/os_devices.h"

#include <filesystem>
#include <map>
#include <mutex>

namespace mrv::linux_platform
{

class LinuxOsDevices : public OsDevices
{
  public:
    explicit LinuxOsDevices(std::filesystem::path sys_block = "/sys/block",
                            std::filesystem::path dev_dir = "/dev", std::filesystem::path proc_dir = "/proc");

    std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) override;
    void ReadPhysicalDrives() override;
    std::string PhysicalOpenFailure(int number) override;
    std::unique_ptr<OsDevice> OpenLogical(char letter, uint32_t& error) override;
    uint32_t LogicalDriveMask() override;
    LogicalDriveType DriveType(char letter) override;
    SystemDiskUse PhysicalDriveUse(int number) override;
    SystemDiskUse LogicalDriveUse(char letter) override;
    /// Writes to the SCSI device's `rescan` attribute (libata, usb-storage,
    /// virtio-scsi disks), where the disk has one.
    bool RereadCapacity(int number) override;

    /// Devices opened from now on report each register-level request to `sink`.
    void SetTrace(TraceSink sink) { trace_ = std::move(sink); }

    /// Kernel names of the physical drives, by number (read when no list was read yet).
    std::vector<std::string> PhysicalDriveNames();

  private:
    /// The bound list, read on first use; call with `mutex_` held.
    const std::vector<BlockDevice>& BoundDrives();
    std::unique_ptr<OsDevice> Fail(int number, uint32_t code, const std::string& why, uint32_t& error);

    std::filesystem::path sys_block_;
    std::filesystem::path dev_dir_;
    std::filesystem::path proc_dir_;
    TraceSink trace_;
    // Opens come from worker threads as well as the user-interface thread.
    std::mutex mutex_;
    bool bound_ = false;
    std::vector<BlockDevice> drives_;
    std::map<int, std::string> failures_;
};

} // namespace mrv::linux_platform
