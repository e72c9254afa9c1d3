// A real block device end to end: a loop device over an image file, found
// among the physical drives, read and written with O_DIRECT. Needs root and
// working loop devices; elsewhere the tests skip and say why.

#include "loop_image.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/port_access.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

using namespace mrv;
using namespace mrv::linux_platform;
using mrv::linux_test::LoopImage;
using mrv::linux_test::PhysicalNumberOf;
namespace fs = std::filesystem;

namespace
{

constexpr size_t kImageBytes = 4 * 1024 * 1024;

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 13 + i / 512) & 0xFF);
    return bytes;
}

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(LoopDevice, ReadWriteAndGeometryThroughThePhysicalDrive)
{
    const auto contents = Pattern(kImageBytes);
    linux_test::OpenLoopDrive drive(contents, {});
    if (!drive.why_not.empty()) GTEST_SKIP() << drive.why_not;
    ASSERT_EQ(drive.failure, "");
    LoopImage& loop = drive.loop;
    auto& device = drive.device;

    OsGeometry geometry;
    ASSERT_TRUE(device->Geometry(geometry));
    EXPECT_EQ(geometry.bytes_per_sector, 512u);
    EXPECT_EQ(geometry.media_type, 12u);
    EXPECT_NE(geometry.sectors_per_track, 63u); // listed as a virtual drive
    EXPECT_EQ(geometry.cylinders * geometry.tracks_per_cylinder * geometry.sectors_per_track * 512,
              kImageBytes);
    EXPECT_EQ(geometry.size_bytes, kImageBytes);
    EXPECT_EQ(geometry.kind, OsDeviceKind::Loop);

    alignas(4096) static uint8_t sectors[2048];
    uint32_t done = 0;
    ASSERT_EQ(device->SetPosition(3 * 512), 3 * 512);
    ASSERT_TRUE(device->Read(sectors, sizeof sectors, done));
    ASSERT_EQ(done, sizeof sectors);
    EXPECT_TRUE(std::equal(sectors, sectors + sizeof sectors, contents.begin() + 3 * 512));

    std::vector<uint8_t> odd(1001);
    ASSERT_EQ(device->SetPosition(70001), 70001);
    ASSERT_TRUE(device->Read(odd.data() + 1, 1000, done));
    EXPECT_TRUE(std::equal(odd.begin() + 1, odd.end(), contents.begin() + 70001));

    // Writes: two whole sectors from an aligned buffer, a piece from an odd one.
    auto want = contents;
    for (size_t i = 0; i < 1024; ++i)
        sectors[i] = static_cast<uint8_t>(0xA5 ^ i);
    ASSERT_EQ(device->SetPosition(10 * 512), 10 * 512);
    ASSERT_TRUE(device->Write(sectors, 1024, done));
    std::copy(sectors, sectors + 1024, want.begin() + 10 * 512);
    for (size_t i = 0; i < odd.size(); ++i)
        odd[i] = static_cast<uint8_t>(0x3C + i);
    ASSERT_EQ(device->SetPosition(200000), 200000);
    ASSERT_TRUE(device->Write(odd.data() + 1, 700, done));
    EXPECT_EQ(done, 700u);
    std::copy(odd.begin() + 1, odd.begin() + 701, want.begin() + 200000);

    // Beyond the end no position is taken; at the end no sector is read.
    EXPECT_EQ(device->SetPosition(kImageBytes + 512), -1);
    EXPECT_EQ(device->LastError(), win_error::kInvalidParameter);
    ASSERT_EQ(device->SetPosition(kImageBytes), static_cast<int64_t>(kImageBytes));
    EXPECT_FALSE(device->Read(sectors, 512, done));
    EXPECT_EQ(device->LastError(), win_error::kSectorNotFound);

    // A loop device carries no ATA or SCSI commands.
    AtaRegisters identify{0, 1, 0, 0, 0, 0xA0, 0xEC}, out;
    EXPECT_FALSE(device->SmartRequest(0, identify, sectors, true, out));
    EXPECT_EQ(device->LastError(), win_error::kNotSupported);
    AtaRegisters check_power{0, 0, 0, 0, 0, 0xA0, 0xE5};
    EXPECT_FALSE(device->IdePassThrough(check_power, nullptr, 0));
    EXPECT_EQ(device->LastError(), win_error::kNotSupported);
    ScsiRequest inquiry;
    inquiry.cdb = {0x12, 0, 0, 0, 0x60, 0};
    inquiry.cdb_length = 6;
    inquiry.direction = ScsiDirection::In;
    inquiry.data = sectors;
    inquiry.data_length = 0x60;
    ScsiReply reply;
    EXPECT_FALSE(device->ScsiPassThrough(inquiry, reply));
    EXPECT_EQ(device->LastError(), win_error::kNotSupported);

    device.reset();
    loop.Detach();
    EXPECT_EQ(ReadFile(loop.image()), want);
}

TEST(LoopDevice, ReadOnlyDeviceReadsButRefusesWrites)
{
    const auto contents = Pattern(kImageBytes);
    linux_test::OpenLoopDrive drive(contents, {.read_only = true});
    if (!drive.why_not.empty()) GTEST_SKIP() << drive.why_not;
    ASSERT_EQ(drive.failure, "");
    LoopImage& loop = drive.loop;
    auto& device = drive.device;
    alignas(4096) static uint8_t sector[512];
    uint32_t done = 0;
    ASSERT_TRUE(device->Read(sector, 512, done));
    EXPECT_TRUE(std::equal(sector, sector + 512, contents.begin()));
    ASSERT_EQ(device->SetPosition(0), 0);
    EXPECT_FALSE(device->Write(sector, 512, done));
    EXPECT_EQ(device->LastError(), win_error::kWriteProtect);
    device.reset();
    loop.Detach();
    EXPECT_EQ(ReadFile(loop.image()), contents);
}

TEST(LoopDevice, NumbersStayWithTheirDevicesUntilTheListIsReadAgain)
{
    std::string why_not;
    LoopImage first(8u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    LoopImage second(16u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    LoopImage other(24u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;

    LinuxOsDevices devices;
    devices.ReadPhysicalDrives();
    const int number = PhysicalNumberOf(devices, second.name());
    ASSERT_GE(number, 0);
    auto size_of = [&](int n) -> uint64_t {
        uint32_t error = 0;
        auto device = devices.OpenPhysical(n, error);
        OsGeometry geometry;
        return device && device->Geometry(geometry) ? geometry.size_bytes : 0;
    };
    EXPECT_EQ(size_of(number), 16u << 20);

    // Another drive going away moves no number.
    first.Detach();
    EXPECT_EQ(size_of(number), 16u << 20);

    // Another image on the same loop device is another disk.
    const std::string node = second.device();
    const std::string name = second.name();
    second.Detach();
    uint32_t error = 0;
    EXPECT_EQ(devices.OpenPhysical(number, error), nullptr);
    EXPECT_EQ(error, win_error::kDeviceNotConnected);
    EXPECT_EQ(devices.PhysicalOpenFailure(number), name + " has gone since the device list was read");
    other.Detach();
    // Another test or program may take the freed device first.
    if (!second.AttachInstead(other, node)) GTEST_SKIP() << node << " was taken by someone else meanwhile";
    EXPECT_EQ(devices.OpenPhysical(number, error), nullptr);
    EXPECT_EQ(error, win_error::kMediaChanged);
    EXPECT_EQ(devices.PhysicalOpenFailure(number),
              second.name() + " is another device since the device list was read");

    // Read again, the list numbers what is there now.
    devices.ReadPhysicalDrives();
    const int again = PhysicalNumberOf(devices, second.name());
    ASSERT_GE(again, 0);
    EXPECT_EQ(size_of(again), 24u << 20);
    EXPECT_EQ(devices.PhysicalOpenFailure(again), "");
}
