#pragma once
// Physical and logical drives of a Linux machine, found in sysfs on every call
// (drives come and go) and opened under the device directory.

#include "platform/linux/block_devices.h"
#include "platform/linux/linux_os_device.h"
#include "platform/os_devices.h"

#include <filesystem>

namespace mrv::linux_platform
{

class LinuxOsDevices : public OsDevices
{
  public:
    explicit LinuxOsDevices(std::filesystem::path sys_block = "/sys/block",
                            std::filesystem::path dev_dir = "/dev", std::filesystem::path proc_dir = "/proc");

    std::unique_ptr<OsDevice> OpenPhysical(int number, uint32_t& error) override;
    std::unique_ptr<OsDevice> OpenLogical(char letter, uint32_t& error) override;
    uint32_t LogicalDriveMask() override;
    LogicalDriveType DriveType(char letter) override;
    SystemDiskUse PhysicalDriveUse(int number) override;
    SystemDiskUse LogicalDriveUse(char letter) override;

    /// Devices opened from now on report each register-level request to `sink`.
    void SetTrace(TraceSink sink) { trace_ = std::move(sink); }

    /// Kernel names of the physical drives, by number.
    std::vector<std::string> PhysicalDriveNames() const;

  private:
    std::filesystem::path sys_block_;
    std::filesystem::path dev_dir_;
    std::filesystem::path proc_dir_;
    TraceSink trace_;
};

} // namespace mrv::linux_platform
