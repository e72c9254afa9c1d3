#include "fake_sysfs.h"
#include "platform/linux/block_devices.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/port_access.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace mrv;
using namespace mrv::linux_platform;
using mrv::linux_test::FakeSysfs;

namespace
{

std::vector<std::string> Names(const std::vector<BlockDevice>& devices)
{
    std::vector<std::string> names;
    for (const auto& d : devices)
        names.push_back(d.name);
    return names;
}

/// A machine with a bit of everything, created in shuffled order.
void PopulateMachine(FakeSysfs& sys)
{
    sys.Disk("sdb", 4096, true); // USB stick with two partitions
    sys.Partition("sdb", "sdb2");
    sys.Partition("sdb", "sdb1");
    sys.Disk("nvme1n1");
    sys.Disk("sdaa");
    sys.Disk("sda");
    sys.Partition("sda", "sda1");
    sys.Disk("nvme0n1");
    sys.Disk("nvme0c0n1"); // a path of a multipath namespace, not a disk of its own
    sys.Disk("nvme0n2");
    sys.Disk("vda");
    sys.Disk("hda");
    sys.Disk("mmcblk0");
    sys.Disk("mmcblk0boot0");
    sys.Disk("sdz");
    sys.Loop("loop10", "/images/b.img");
    sys.Loop("loop2", "/images/a.img");
    sys.Loop("loop0", ""); // unbound
    sys.Disk("ram1", 8192);
    sys.Disk("ram0", 8192);
    sys.Disk("zram0", 0); // size not set yet
    sys.Disk("zram1", 8192);
    sys.Disk("sr0", 0, true);
    sys.Disk("nbd1");
    sys.Disk("nbd0");
    sys.File("block/nbd0/pid", "4242\n");
    sys.Disk("dm-0");
    sys.Disk("md127");
    sys.Disk("sdc", 0, true); // card reader slot without a card
}

} // namespace

TEST(BlockDevices, PhysicalDrivesAreWholeDisksInStableFamilyOrder)
{
    FakeSysfs sys;
    PopulateMachine(sys);
    const auto drives = PhysicalDrives(ScanBlockDevices(sys.block()));
    const std::vector<std::string> want = {"sda",     "sdb",   "sdc",     "sdz",     "sdaa",
                                           "hda",     "vda",   "nvme0n1", "nvme0n2", "nvme1n1",
                                           "mmcblk0", "loop2", "loop10"};
    EXPECT_EQ(Names(drives), want);
    EXPECT_TRUE(drives[1].removable);
    EXPECT_EQ(drives[1].partitions, (std::vector<std::string>{"sdb1", "sdb2"}));
}

TEST(BlockDevices, LettersFromDForRemovableCdRomRamAndNetwork)
{
    FakeSysfs sys;
    PopulateMachine(sys);
    const auto letters = LogicalDrives(ScanBlockDevices(sys.block()));
    ASSERT_EQ(letters.size(), 8u);
    const struct {
        char letter;
        const char* name;
        LogicalDriveType type;
    } want[] = {
        {'D', "sdb1", LogicalDriveType::Removable}, {'E', "sdb2", LogicalDriveType::Removable},
        {'F', "sdc", LogicalDriveType::Removable},  {'G', "sr0", LogicalDriveType::CdRom},
        {'H', "ram0", LogicalDriveType::RamDisk},   {'I', "ram1", LogicalDriveType::RamDisk},
        {'J', "zram1", LogicalDriveType::RamDisk},  {'K', "nbd0", LogicalDriveType::Remote},
    };
    for (size_t i = 0; i < letters.size(); ++i) {
        EXPECT_EQ(letters[i].letter, want[i].letter) << i;
        EXPECT_EQ(letters[i].name, want[i].name) << i;
        EXPECT_EQ(letters[i].type, want[i].type) << i;
    }
}

TEST(BlockDevices, LettersStopAtZ)
{
    FakeSysfs sys;
    for (int i = 0; i < 30; ++i)
        sys.Disk("ram" + std::to_string(i), 100);
    const auto letters = LogicalDrives(ScanBlockDevices(sys.block()));
    ASSERT_EQ(letters.size(), 23u);
    EXPECT_EQ(letters.front().name, "ram0");
    EXPECT_EQ(letters.back().letter, 'Z');
    EXPECT_EQ(letters.back().name, "ram22");
}

TEST(BlockDevices, MissingOrEmptySysfsGivesNothing)
{
    EXPECT_TRUE(ScanBlockDevices("/nonexistent/mrv/sys/block").empty());
    FakeSysfs sys;
    sys.Disk("sda");
    // Unreadable or garbled attribute files read as zero / not set.
    FakeSysfs::Write(sys.block() / "sda" / "size", "lots\n");
    FakeSysfs::Write(sys.block() / "sda" / "removable", "");
    const auto devices = ScanBlockDevices(sys.block());
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].size_sectors, 0u);
    EXPECT_FALSE(devices[0].removable);
}

TEST(BlockDevices, NamesAndOrder)
{
    EXPECT_EQ(KindFromName("sda1x"), BlockKind::Other);
    EXPECT_EQ(KindFromName("sda1"), BlockKind::Other); // partitions are never drives
    EXPECT_EQ(KindFromName("nvme12n3"), BlockKind::Disk);
    EXPECT_EQ(KindFromName("nvme0n1p1"), BlockKind::Other);
    EXPECT_EQ(KindFromName("mmcblk0p1"), BlockKind::Other);
    EXPECT_EQ(KindFromName("sr1"), BlockKind::CdRom);
    EXPECT_EQ(KindFromName("loop"), BlockKind::Other);
    EXPECT_TRUE(PhysicalOrderLess("sdz", "sdaa"));
    EXPECT_TRUE(PhysicalOrderLess("loop9", "loop10"));
    EXPECT_TRUE(PhysicalOrderLess("nvme2n1", "nvme10n1"));
    EXPECT_TRUE(PhysicalOrderLess("sdaa", "hda"));
    EXPECT_FALSE(PhysicalOrderLess("sda", "sda"));
}

TEST(LinuxOsDevices, LetterMaskTypesAndMissingDrives)
{
    FakeSysfs sys;
    PopulateMachine(sys);
    LinuxOsDevices devices(sys.block(), sys.dev());
    EXPECT_EQ(devices.LogicalDriveMask(), 0xFFu << 3); // D..K
    EXPECT_EQ(devices.DriveType('g'), LogicalDriveType::CdRom);
    EXPECT_EQ(devices.DriveType('K'), LogicalDriveType::Remote);
    EXPECT_EQ(devices.DriveType('C'), LogicalDriveType::NoRootDir);
    EXPECT_EQ(devices.PhysicalDriveNames().size(), 13u);

    uint32_t error = 0;
    EXPECT_EQ(devices.OpenPhysical(13, error), nullptr);
    EXPECT_EQ(error, win_error::kFileNotFound);
    EXPECT_EQ(devices.OpenPhysical(-1, error), nullptr);
    EXPECT_EQ(error, win_error::kFileNotFound);
    EXPECT_EQ(devices.OpenLogical('C', error), nullptr);
    EXPECT_EQ(error, win_error::kFileNotFound);
    // Listed in sysfs but without a node under the device directory.
    EXPECT_EQ(devices.OpenPhysical(0, error), nullptr);
    EXPECT_EQ(error, win_error::kFileNotFound);
}

TEST(BlockDevices, KindsAsTheKernelNamesThem)
{
    EXPECT_EQ(
        OsKindOf("sda", "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda"),
        OsDeviceKind::Disk);
    EXPECT_EQ(OsKindOf("sdb", "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/"
                              "6:0:0:0/block/sdb"),
              OsDeviceKind::UsbDisk);
    EXPECT_EQ(OsKindOf("vda", ""), OsDeviceKind::Virtio);
    EXPECT_EQ(OsKindOf("nvme0n1", ""), OsDeviceKind::Nvme);
    EXPECT_EQ(OsKindOf("mmcblk0", ""), OsDeviceKind::MemoryCard);
    EXPECT_EQ(OsKindOf("loop7", ""), OsDeviceKind::Loop);
    EXPECT_EQ(OsKindOf("sr0", ""), OsDeviceKind::CdRom);
    EXPECT_EQ(OsKindOf("zram0", ""), OsDeviceKind::RamDisk);
    EXPECT_EQ(OsKindOf("nbd3", ""), OsDeviceKind::Network);
    EXPECT_EQ(OsKindOf("dm-0", ""), OsDeviceKind::Unknown);
}

TEST(LinuxOsDevices, AFakeDiskWhoseIdentityChangesIsRefused)
{
    FakeSysfs sys;
    sys.Disk("sda");
    sys.File("block/sda/diskseq", "7\n");
    sys.File("dev/sda", std::string(1024 * 1024, '\0'));
    LinuxOsDevices devices(sys.block(), sys.dev());
    uint32_t error = 0;
    EXPECT_NE(devices.OpenPhysical(0, error), nullptr);
    // The kernel counts a new medium or a new attach: another disk.
    sys.File("block/sda/diskseq", "8\n");
    EXPECT_EQ(devices.OpenPhysical(0, error), nullptr);
    EXPECT_EQ(error, win_error::kMediaChanged);
    EXPECT_EQ(devices.PhysicalOpenFailure(0), "sda is another device since the device list was read");
    devices.ReadPhysicalDrives();
    EXPECT_NE(devices.OpenPhysical(0, error), nullptr);
}

TEST(LinuxOsDevices, CapacityRescanGoesToTheScsiDevicesRescanAttribute)
{
    FakeSysfs sys;
    sys.Disk("sda");
    sys.Disk("vda"); // a paravirtual disk has no SCSI device to rescan
    std::filesystem::create_directories(sys.block() / "sda" / "device");
    sys.File("block/sda/device/rescan", "");
    LinuxOsDevices devices(sys.block(), sys.dev());
    ASSERT_EQ(devices.PhysicalDriveNames(), (std::vector<std::string>{"sda", "vda"}));
    EXPECT_TRUE(devices.RereadCapacity(0));
    std::ifstream rescan(sys.block() / "sda" / "device" / "rescan");
    std::string written;
    std::getline(rescan, written);
    EXPECT_EQ(written, "1");
    EXPECT_FALSE(devices.RereadCapacity(1));
    EXPECT_FALSE(devices.RereadCapacity(2));
    EXPECT_FALSE(devices.RereadCapacity(-1));
}
