#include "platform/linux/linux_os_devices.h"

#include "platform/linux/linux_os_device.h"
#include "platform/linux/system_disk_use.h"
#include "platform/port_access.h"

#include <cctype>
#include <fstream>

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

const std::vector<BlockDevice>& LinuxOsDevices::BoundDrives()
{
    if (!bound_) {
        drives_ = PhysicalDrives(ScanBlockDevices(sys_block_));
        failures_.clear();
        bound_ = true;
    }
    return drives_;
}

void LinuxOsDevices::ReadPhysicalDrives()
{
    std::lock_guard lock(mutex_);
    bound_ = false;
    BoundDrives();
}

std::vector<std::string> LinuxOsDevices::PhysicalDriveNames()
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& drive : BoundDrives())
        names.push_back(drive.name);
    return names;
}

std::string LinuxOsDevices::PhysicalOpenFailure(int number)
{
    std::lock_guard lock(mutex_);
    const auto it = failures_.find(number);
    return it == failures_.end() ? std::string() : it->second;
}

std::unique_ptr<OsDevice> LinuxOsDevices::Fail(int number, uint32_t code, const std::string& why,
                                               uint32_t& error)
{
    std::lock_guard lock(mutex_);
    failures_[number] = why;
    error = code;
    return nullptr;
}

std::unique_ptr<OsDevice> LinuxOsDevices::OpenPhysical(int number, uint32_t& error)
{
    BlockDevice bound;
    {
        std::lock_guard lock(mutex_);
        const auto& drives = BoundDrives();
        // As for a "\\.\PhysicalDriveN" that is not there.
        if (number < 0 || static_cast<size_t>(number) >= drives.size()) {
            failures_[number] = "no such drive in the device list";
            error = win_error::kFileNotFound;
            return nullptr;
        }
        bound = drives[static_cast<size_t>(number)];
    }
    BlockDevice now;
    if (!ReadBlockDevice(sys_block_ / bound.name, now) || now.kind != bound.kind)
        return Fail(number, win_error::kDeviceNotConnected,
                    bound.name + " has gone since the device list was read", error);
    const std::string replaced = bound.name + " is another device since the device list was read";
    if (now.identity != bound.identity) return Fail(number, win_error::kMediaChanged, replaced, error);

    DeviceNode node;
    node.path = (dev_dir_ / bound.name).string();
    node.removable = now.removable;
    node.geometry = GeometrySourceFor(bound.name);
    node.kind = bound.os_kind;
    node.check_number = bound.identity.has_number;
    node.major = bound.identity.major;
    node.minor = bound.identity.minor;
    node.trace = trace_;
    auto device = LinuxOsDevice::Open(node, error);
    if (!device) {
        if (error == win_error::kMediaChanged) return Fail(number, error, replaced, error);
        return Fail(number, error, {}, error);
    }
    std::lock_guard lock(mutex_);
    failures_.erase(number);
    return device;
}

std::unique_ptr<OsDevice> LinuxOsDevices::OpenLogical(char letter, uint32_t& error)
{
    const char wanted = UpperLetter(letter);
    for (const auto& drive : LogicalDrives(ScanBlockDevices(sys_block_))) {
        if (drive.letter != wanted) continue;
        DeviceNode node;
        node.path = (dev_dir_ / drive.name).string();
        node.removable = drive.removable;
        node.geometry = GeometrySourceFor(drive.name);
        node.kind = drive.os_kind;
        node.trace = trace_;
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

bool LinuxOsDevices::RereadCapacity(int number)
{
    std::string name;
    {
        std::lock_guard lock(mutex_);
        const auto& drives = BoundDrives();
        if (number < 0 || static_cast<size_t>(number) >= drives.size()) return false;
        name = drives[static_cast<size_t>(number)].name;
    }
    // The kernel reads the capacity again on a rescan of the SCSI device; a
    // partition-table re-read would not notice a changed size.
    const std::filesystem::path rescan = sys_block_ / name / "device" / "rescan";
    std::error_code ec;
    if (!std::filesystem::exists(rescan, ec)) return false;
    std::ofstream out(rescan);
    out << "1\n";
    out.flush();
    return static_cast<bool>(out);
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
