#include "platform/linux/linux_os_devices.h"

#include "platform/linux/linux_os_device.h"
#include "platform/linux/system_disk_use.h"
#include "platform/port_access.h"

#include <cctype>

namespace mrv::linux_platform
{

namespace
{

char UpperLetter(char letter)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

} // namespace

LinuxOsDevices::LinuxOsDevices(std::filesystem::path sys_block, std::filesystem::path dev_dir,
                               std::filesystem::path proc_dir)
    : sys_block_(std::move(sys_block)), dev_dir_(std::move(dev_dir)), proc_dir_(std::move(proc_dir))
{
}

std::vector<std::string> LinuxOsDevices::PhysicalDriveNames() const
{
    std::vector<std::string> names;
    for (const auto& drive : PhysicalDrives(ScanBlockDevices(sys_block_)))
        names.push_back(drive.name);
    return names;
}

std::unique_ptr<OsDevice> LinuxOsDevices::OpenPhysical(int number, uint32_t& error)
{
    const auto drives = PhysicalDrives(ScanBlockDevices(sys_block_));
    if (number < 0 || static_cast<size_t>(number) >= drives.size()) {
        error = win_error::kFileNotFound; // as for a "\\.\PhysicalDriveN" that is not there
        return nullptr;
    }
    const BlockDevice& drive = drives[static_cast<size_t>(number)];
    DeviceNode node{(dev_dir_ / drive.name).string(), drive.removable, GeometrySourceFor(drive.name), trace_};
    return LinuxOsDevice::Open(node, error);
}

std::unique_ptr<OsDevice> LinuxOsDevices::OpenLogical(char letter, uint32_t& error)
{
    const char wanted = UpperLetter(letter);
    for (const auto& drive : LogicalDrives(ScanBlockDevices(sys_block_))) {
        if (drive.letter != wanted) continue;
        DeviceNode node{(dev_dir_ / drive.name).string(), drive.removable, GeometrySourceFor(drive.name),
                        trace_};
        return LinuxOsDevice::Open(node, error);
    }
    error = win_error::kFileNotFound;
    return nullptr;
}

uint32_t LinuxOsDevices::LogicalDriveMask()
{
    uint32_t mask = 0;
    for (const auto& drive : LogicalDrives(ScanBlockDevices(sys_block_)))
        mask |= 1u << (drive.letter - 'A');
    return mask;
}

LogicalDriveType LinuxOsDevices::DriveType(char letter)
{
    const char wanted = UpperLetter(letter);
    for (const auto& drive : LogicalDrives(ScanBlockDevices(sys_block_)))
        if (drive.letter == wanted) return drive.type;
    return LogicalDriveType::NoRootDir;
}

SystemDiskUse LinuxOsDevices::PhysicalDriveUse(int number)
{
    const auto drives = PhysicalDrives(ScanBlockDevices(sys_block_));
    if (number < 0 || static_cast<size_t>(number) >= drives.size()) return {};
    return ReadSystemDevices(proc_dir_).UseOf(
        StackedDeviceNumbers(sys_block_, drives[static_cast<size_t>(number)].name));
}

SystemDiskUse LinuxOsDevices::LogicalDriveUse(char letter)
{
    const char wanted = UpperLetter(letter);
    for (const auto& drive : LogicalDrives(ScanBlockDevices(sys_block_))) {
        if (drive.letter == wanted)
            return ReadSystemDevices(proc_dir_).UseOf(StackedDeviceNumbers(sys_block_, drive.name));
    }
    return {};
}

} // namespace mrv::linux_platform
