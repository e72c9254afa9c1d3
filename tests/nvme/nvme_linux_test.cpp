// The Linux NVMe pass-through on a node that is no NVMe device (an image file
// standing in for one): the request is refused as not supported, and a
// malformed request is refused before it reaches the kernel.

#include "drive/nvme_admin.h"
#include "linux/fake_sysfs.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/port_access.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace mrv
{
namespace
{

TEST(NvmeLinux, ANodeWithoutNvmeRefusesAdminCommands)
{
    linux_test::FakeSysfs sys;
    sys.Disk("nvme0n1", 64);
    {
        std::ofstream out(sys.dev() / "nvme0n1", std::ios::binary);
        const std::vector<char> zeros(64 * 512, 0);
        out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    linux_platform::LinuxOsDevices devices{sys.block(), sys.dev()};
    uint32_t error = 0;
    std::unique_ptr<OsDevice> device = devices.OpenPhysical(0, error);
    ASSERT_TRUE(device) << error;
    OsGeometry g;
    ASSERT_TRUE(device->Geometry(g));
    EXPECT_EQ(g.kind, OsDeviceKind::Nvme);

    std::vector<uint8_t> data(4096, 0xEE);
    const NvmeResult identify =
        SendNvmeAdmin(*device, NvmeIdentifyCommand(nvme::kCnsController, data.data()));
    EXPECT_FALSE(identify.answered);
    EXPECT_EQ(identify.system_error, win_error::kNotSupported);

    NvmeAdminCommand odd = NvmeLogPageCommand(nvme::kLogHealth, data.data(), 510, true);
    EXPECT_FALSE(SendNvmeAdmin(*device, odd).answered);
    EXPECT_EQ(device->LastError(), win_error::kInvalidParameter);
    odd.data = nullptr;
    odd.data_length = 512;
    EXPECT_FALSE(SendNvmeAdmin(*device, odd).answered);
    EXPECT_EQ(device->LastError(), win_error::kInvalidParameter);
}

} // namespace
} // namespace mrv
