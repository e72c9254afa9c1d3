#pragma once
// The block devices of /sys/block as the program numbers and letters them:
// whole disks become physical drives 0, 1, ...; removable media, CD-ROMs,
// RAM disks and network block devices get drive letters from 'D' on.

#include "platform/os_devices.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mrv::linux_platform
{

enum class BlockKind {
    Disk,    ///< sd, hd, vd, nvme namespaces, mmcblk
    Loop,    ///< a loop device with a backing file
    CdRom,   ///< sr
    RamDisk, ///< ram (brd), zram
    Network, ///< nbd with a connected client
    Other,   ///< partitions, device-mapper, md, empty loops ... (not offered)
};

struct BlockDevice {
    std::string name; ///< kernel name, also the node name under /dev
    BlockKind kind = BlockKind::Other;
    bool removable = false;
    bool read_only = false;
    uint64_t size_sectors = 0;           ///< in 512-byte units, as sysfs counts
    std::vector<std::string> partitions; ///< names, in partition order
};

/// One lettered device (a whole device or a partition of a removable disk).
struct LogicalDrive {
    char letter = 0;
    std::string name;
    LogicalDriveType type = LogicalDriveType::Unknown;
    bool removable = false;
};

/// Letters are given from here on: A and B stay the floppy letters and C the
/// system drive, as the program expects on any system.
inline constexpr char kFirstLogicalLetter = 'D';

/// Kind of a /sys/block entry from its name alone (loop and nbd still need
/// their state to be offered).
BlockKind KindFromName(const std::string& name);

/// Ordering of physical drives: by family (sd, hd, vd, nvme, mmcblk, loop),
/// then naturally within it (sdz before sdaa, loop2 before loop10).
bool PhysicalOrderLess(const std::string& a, const std::string& b);

/// Reads every entry of a /sys/block directory. A missing directory gives none.
std::vector<BlockDevice> ScanBlockDevices(const std::filesystem::path& sys_block);

/// Whole disks in physical-drive order.
std::vector<BlockDevice> PhysicalDrives(const std::vector<BlockDevice>& devices);

/// Lettered devices in letter order: removable disks (each partition, or the
/// whole disk when it has none), then CD-ROMs, RAM disks, network devices.
std::vector<LogicalDrive> LogicalDrives(const std::vector<BlockDevice>& devices);

} // namespace mrv::linux_platform
