// A loop device that shrinks or goes while the program holds it open: reads
// past the new end fail with "sector not found", the data before it still
// reads true, and once the handle is closed the number no longer opens and
// the system says why. Needs root and working loop devices; elsewhere the
// tests skip and say why.

#include "loop_image.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/port_access.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace mrv;
using namespace mrv::linux_platform;
using mrv::linux_test::LoopImage;

namespace
{

constexpr size_t kImageBytes = 4u << 20;
constexpr size_t kShrunkBytes = 1u << 20;

} // namespace

TEST(LoopVanish, ReadsUnderAnOpenHandleFailCleanlyWhenTheDeviceShrinksOrGoes)
{
    std::vector<uint8_t> contents(kImageBytes);
    for (size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<uint8_t>(i * 7 + i / 512);
    linux_test::OpenLoopDrive drive(contents, {});
    if (!drive.why_not.empty()) GTEST_SKIP() << drive.why_not;
    ASSERT_EQ(drive.failure, "");
    LoopImage& loop = drive.loop;
    auto& device = drive.device;

    alignas(4096) static uint8_t sector[4096];
    uint32_t done = 0;
    const uint64_t late = kImageBytes - 4096;
    ASSERT_EQ(device->SetPosition(late), static_cast<int64_t>(late));
    ASSERT_TRUE(device->Read(sector, sizeof sector, done));

    // The image is cut under the open device and the kernel told of it: the
    // sectors past the new end are gone, the ones before it read as they were.
    std::filesystem::resize_file(loop.image(), kShrunkBytes);
    std::string output;
    ASSERT_TRUE(linux_test::Run("losetup -c " + loop.device(), output)) << output;
    // The position past the new end is refused, or the read there finds no sector.
    if (device->SetPosition(late) < 0) {
        EXPECT_EQ(device->LastError(), win_error::kInvalidParameter);
    } else {
        EXPECT_FALSE(device->Read(sector, sizeof sector, done));
        EXPECT_EQ(done, 0u);
        EXPECT_EQ(device->LastError(), win_error::kSectorNotFound);
    }
    // A read across the new end gets what is left, and says why not the rest
    // (not whatever failed before it).
    EXPECT_EQ(device->SetPosition(uint64_t{kImageBytes} * 4), -1);
    ASSERT_EQ(device->SetPosition(kShrunkBytes - 512), static_cast<int64_t>(kShrunkBytes - 512));
    EXPECT_TRUE(device->Read(sector, sizeof sector, done));
    EXPECT_EQ(done, 512u);
    EXPECT_EQ(device->LastError(), win_error::kSectorNotFound);
    EXPECT_TRUE(std::equal(sector, sector + 512, contents.begin() + kShrunkBytes - 512));
    ASSERT_EQ(device->SetPosition(4096), 4096);
    ASSERT_TRUE(device->Read(sector, sizeof sector, done));
    EXPECT_EQ(done, sizeof sector);
    EXPECT_TRUE(std::equal(sector, sector + sizeof sector, contents.begin() + 4096));

    // Detached while open: the kernel lets the open handle finish; whatever a
    // read then gives, it is the image's data or a failure, never other bytes.
    const std::string name = loop.name();
    loop.Detach();
    std::fill(std::begin(sector), std::end(sector), 0xEE);
    if (device->SetPosition(0) == 0 && device->Read(sector, sizeof sector, done) && done == sizeof sector) {
        EXPECT_TRUE(std::equal(sector, sector + sizeof sector, contents.begin()));
    }
    device.reset();

    // Closed, the number reaches nothing any more, and the system says why.
    uint32_t error = 0;
    EXPECT_EQ(drive.devices.OpenPhysical(drive.number, error), nullptr);
    EXPECT_NE(error, win_error::kSuccess);
    const std::string why = drive.devices.PhysicalOpenFailure(drive.number);
    EXPECT_NE(why.find(name), std::string::npos) << why;
}
