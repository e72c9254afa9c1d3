// What the system keeps on a disk: mountinfo and swaps parsing, the devices
// stacked on a disk in sysfs, and the answer for a physical drive.

#include "fake_sysfs.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/linux/system_disk_use.h"

#include <gtest/gtest.h>

using namespace mrv;
using namespace mrv::linux_platform;
using mrv::linux_test::FakeSysfs;

namespace
{

const char* kMountInfo = "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
                         "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
                         "40 22 253:0 / /srv/my\\040data rw,relatime shared:30 - xfs /dev/mapper/vg-data rw\n"
                         "41 22 0:45 / /home rw shared:31 - btrfs /dev/nonexistent-node rw\n"
                         "broken line\n"
                         "42 22 x:y / /bad rw - ext4 /dev/sdz1 rw\n";

TEST(SystemDiskUse, MountInfoAndSwapsAreParsed)
{
    auto mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].device, (DeviceNumber{8, 2}));
    EXPECT_EQ(mounts[0].mount_point, "/");
    EXPECT_EQ(mounts[0].source, "/dev/sda2");
    EXPECT_EQ(mounts[2].mount_point, "/srv/my data");
    EXPECT_EQ(mounts[2].source, "/dev/mapper/vg-data");

    auto swaps = ParseSwaps("Filename\tType\tSize\tUsed\tPriority\n"
                            "/dev/sdb3                               partition\t2097148\t0\t-2\n"
                            "/swap\\040file                           file\t1024\t0\t-3\n");
    EXPECT_EQ(swaps, (std::vector<std::string>{"/dev/sdb3", "/swap file"}));
    EXPECT_TRUE(ParseSwaps("").empty());

    EXPECT_EQ(ParseDeviceNumber("259:1\n"), (DeviceNumber{259, 1}));
    EXPECT_FALSE(ParseDeviceNumber("259"));
    EXPECT_FALSE(ParseDeviceNumber(":1"));
    EXPECT_FALSE(ParseDeviceNumber("a:1"));
}

TEST(SystemDiskUse, StackedDevicesFollowPartitionsAndHolders)
{
    FakeSysfs sys;
    sys.Disk("sda");
    sys.File("block/sda/dev", "8:0\n");
    sys.Partition("sda", "sda1");
    sys.File("block/sda/sda1/dev", "8:1\n");
    sys.Partition("sda", "sda2");
    sys.File("block/sda/sda2/dev", "8:2\n");
    // sda2 carries an LVM volume, which carries a dm-crypt volume.
    std::filesystem::create_directories(sys.block() / "sda" / "sda2" / "holders" / "dm-0");
    sys.Disk("dm-0");
    sys.File("block/dm-0/dev", "253:0\n");
    std::filesystem::create_directories(sys.block() / "dm-0" / "holders" / "dm-1");
    sys.Disk("dm-1");
    sys.File("block/dm-1/dev", "253:1\n");
    // A holder that points back does not loop.
    std::filesystem::create_directories(sys.block() / "dm-1" / "holders" / "dm-0");
    sys.Disk("sdb");
    sys.File("block/sdb/dev", "8:16\n");

    EXPECT_EQ(StackedDeviceNumbers(sys.block(), "sda"),
              (std::set<DeviceNumber>{{8, 0}, {8, 1}, {8, 2}, {253, 0}, {253, 1}}));
    EXPECT_EQ(StackedDeviceNumbers(sys.block(), "sda1"), (std::set<DeviceNumber>{{8, 1}}));
    EXPECT_EQ(StackedDeviceNumbers(sys.block(), "sdb"), (std::set<DeviceNumber>{{8, 16}}));
    EXPECT_TRUE(StackedDeviceNumbers(sys.block(), "nvme0n1").empty());
    EXPECT_TRUE(StackedDeviceNumbers(sys.block(), "../etc").empty());

    SystemDevices used;
    used.root = {{8, 2}};
    used.mounted = {{8, 2}, {253, 1}};
    used.swap = {{8, 16}};
    SystemDiskUse sda = used.UseOf(StackedDeviceNumbers(sys.block(), "sda"));
    EXPECT_TRUE(sda.root && sda.mounted && !sda.swap);
    SystemDiskUse sdb = used.UseOf(StackedDeviceNumbers(sys.block(), "sdb"));
    EXPECT_TRUE(sdb.swap && !sdb.mounted && !sdb.root);
    EXPECT_FALSE(used.UseOf(StackedDeviceNumbers(sys.block(), "sda1")).Any());
}

TEST(SystemDiskUse, PhysicalDrivesOfAFakeMachine)
{
    FakeSysfs sys;
    sys.Disk("sda");
    sys.File("block/sda/dev", "8:0\n");
    sys.Partition("sda", "sda1");
    sys.File("block/sda/sda1/dev", "8:1\n");
    sys.Disk("sdb");
    sys.File("block/sdb/dev", "8:16\n");
    std::filesystem::create_directories(sys.dev() / "proc" / "self");
    sys.File("dev/proc/self/mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    sys.File("dev/proc/swaps", "Filename Type Size Used Priority\n");

    LinuxOsDevices devices(sys.block(), sys.dev(), sys.dev() / "proc");
    EXPECT_TRUE(devices.PhysicalDriveUse(0).root);
    EXPECT_TRUE(devices.PhysicalDriveUse(0).mounted);
    EXPECT_FALSE(devices.PhysicalDriveUse(1).Any());
    EXPECT_FALSE(devices.PhysicalDriveUse(7).Any());
    EXPECT_FALSE(devices.LogicalDriveUse('Q').Any());
}

TEST(SystemDiskUse, TheRunningSystemHasARoot)
{
    // Whatever this machine is, its root file system is mounted from somewhere.
    const SystemDevices used = ReadSystemDevices("/proc");
    EXPECT_FALSE(used.root.empty());
    EXPECT_FALSE(used.mounted.empty());
}

} // namespace
