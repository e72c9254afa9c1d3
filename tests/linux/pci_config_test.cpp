// PCI configuration reads on Linux: the configuration ports while the port
// grant is held, otherwise the kernel's copy in sysfs.

#include "fake_sysfs.h"
#include "platform/linux/linux_pci_config.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

using linux_platform::LinuxPciConfig;

TEST(LinuxPciConfigTest, ReadsTheKernelsCopyWithoutPortAccess)
{
    linux_test::FakeSysfs sysfs;
    // What an unprivileged reader sees: the first 64 bytes of the header.
    std::string header(64, '\0');
    const uint8_t start[] = {0x86, 0x80, 0x10, 0x70, 0x07, 0x00, 0x80, 0x02, 0x00, 0x80,
                             0x01, 0x01, 0x00, 0x00, 0x80, 0x00, 0x01, 0xC0, 0x00, 0x00};
    std::copy(std::begin(start), std::end(start), header.begin());
    const auto devices = sysfs.dev().parent_path() / "pci";
    std::filesystem::create_directories(devices / "0000:00:01.1");
    sysfs.File("pci/0000:00:01.1/config", header);
    RecordingPortBus ports;
    LinuxPciConfig config(ports, devices);

    ASSERT_EQ(config.Open(false), PciRoute::System);
    EXPECT_EQ(config.Read(0, 1, 1, 0x00), 0x70108086u);
    EXPECT_EQ(config.Read(0, 1, 1, 0x0A), 0x01018000u) << "the register's dword, as the ports give it";
    EXPECT_EQ(config.Read(0, 1, 1, 0x0C) & 0x00800000u, 0x00800000u);
    EXPECT_EQ(config.Read(0, 1, 1, 0x10), 0xC001u);
    EXPECT_EQ(config.Read(0, 1, 1, 0x40), 0xFFFFFFFFu) << "beyond what the kernel shows";
    EXPECT_EQ(config.Read(0, 1, 2, 0x00), 0xFFFFFFFFu) << "an absent function";
    EXPECT_EQ(config.Read(3, 1, 1, 0x00), 0xFFFFFFFFu);
    EXPECT_TRUE(ports.accesses.empty());
}

TEST(LinuxPciConfigTest, UsesThePortsWhenGrantedAndNothingWithoutEither)
{
    RecordingPortBus ports;
    ports.inputs[0xCFC] = 0x70108086;
    LinuxPciConfig config(ports, "/nonexistent/pci/devices");
    EXPECT_EQ(config.Open(false), PciRoute::None);
    EXPECT_EQ(config.Read(0, 1, 1, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(ports.accesses.empty());

    ASSERT_EQ(config.Open(true), PciRoute::Ports);
    EXPECT_EQ(config.Read(0, 1, 1, 0x0E), 0x70108086u);
    EXPECT_EQ(ports.WritesTo(0xCF8), std::vector<uint32_t>{0x8000090Cu});
}

} // namespace
} // namespace mrv::test
