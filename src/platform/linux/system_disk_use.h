#pragma once
// What the running Linux system keeps on a disk: the root file system, other
// mounted file systems and swap, found through /proc/self/mountinfo,
// /proc/swaps and the holders in sysfs (partitions, device-mapper, md).

#include "platform/os_devices.h"

#include <compare>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mrv::linux_platform
{

/// A block device's number, as sysfs writes it ("8:2").
struct DeviceNumber {
    unsigned major = 0, minor = 0;
    auto operator<=>(const DeviceNumber&) const = default;
};

std::optional<DeviceNumber> ParseDeviceNumber(std::string_view text);

struct MountEntry {
    DeviceNumber device;
    std::string mount_point;
    std::string source; ///< the mount source ("/dev/sda2", "tmpfs" ...)
};

/// The lines of /proc/self/mountinfo; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
/// The file names of /proc/swaps (its header skipped).
std::vector<std::string> ParseSwaps(std::string_view text);

/// The numbers of a block device named in sysfs (a disk, or a partition of
/// one), of its partitions, and of every device stacked on any of them.
std::set<DeviceNumber> StackedDeviceNumbers(const std::filesystem::path& sys_block, const std::string& name);

/// The device numbers the system uses, each with how.
struct SystemDevices {
    std::set<DeviceNumber> root, mounted, swap;
    SystemDiskUse UseOf(const std::set<DeviceNumber>& numbers) const;
};

/// Reads /proc (or a stand-in directory) and the file systems' device numbers.
SystemDevices ReadSystemDevices(const std::filesystem::path& proc_dir);

} // namespace mrv::linux_platform
