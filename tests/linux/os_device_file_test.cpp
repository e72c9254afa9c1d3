// The transfer paths of an opened device, run on an image file standing in
// for the device node (the device-only requests answer as on a plain disk
// without them).

#include "fake_sysfs.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/port_access.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>
#include <vector>

using namespace mrv;
using namespace mrv::linux_platform;
using mrv::linux_test::FakeSysfs;

namespace
{

// More than two of the device layer's 1 MiB bounce chunks, and not a whole number of them.
constexpr size_t kImageBytes = 3 * 1024 * 1024 + 3 * 512;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + seed + i / 512) & 0xFF);
    return bytes;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ImageDevice : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        sys_.Disk("sda", kImageBytes / 512);
        image_ = Pattern(kImageBytes, 3);
        std::ofstream out(sys_.dev() / "sda", std::ios::binary);
        out.write(reinterpret_cast<const char*>(image_.data()), static_cast<std::streamsize>(image_.size()));
        out.close();
        uint32_t error = 99;
        device_ = devices_.OpenPhysical(0, error);
        ASSERT_NE(device_, nullptr) << "error " << error;
        EXPECT_EQ(error, 0u);
    }

    FakeSysfs sys_;
    LinuxOsDevices devices_{sys_.block(), sys_.dev()};
    std::vector<uint8_t> image_;
    std::unique_ptr<OsDevice> device_;
};

} // namespace

TEST_F(ImageDevice, ReadsAnyBufferAtAnyPosition)
{
    // Aligned sectors straight into an aligned buffer.
    alignas(4096) static uint8_t aligned[4096];
    uint32_t done = 0;
    ASSERT_EQ(device_->SetPosition(8192), 8192);
    ASSERT_TRUE(device_->Read(aligned, 4096, done));
    EXPECT_EQ(done, 4096u);
    EXPECT_TRUE(std::equal(aligned, aligned + 4096, image_.begin() + 8192));

    // A buffer at an odd address, an odd position and an odd length.
    std::vector<uint8_t> storage(3000);
    ASSERT_EQ(device_->SetPosition(1000), 1000);
    ASSERT_TRUE(device_->Read(storage.data() + 1, 2500, done));
    EXPECT_EQ(done, 2500u);
    EXPECT_TRUE(std::equal(storage.begin() + 1, storage.begin() + 2501, image_.begin() + 1000));

    // The position moves on by what was read.
    ASSERT_TRUE(device_->Read(storage.data() + 1, 10, done));
    EXPECT_TRUE(std::equal(storage.begin() + 1, storage.begin() + 11, image_.begin() + 3500));
}

TEST_F(ImageDevice, UnalignedWriteChangesOnlyItsBytes)
{
    const auto data = Pattern(5000, 99);
    uint32_t done = 0;
    ASSERT_EQ(device_->SetPosition(513), 513);
    ASSERT_TRUE(device_->Write(data.data() + 1, 4000, done));
    EXPECT_EQ(done, 4000u);
    device_.reset();

    auto want = image_;
    std::copy(data.begin() + 1, data.begin() + 4001, want.begin() + 513);
    EXPECT_EQ(ReadFile(sys_.dev() / "sda"), want);
}

TEST_F(ImageDevice, UnalignedTransfersAcrossBounceChunks)
{
    std::vector<uint8_t> buffer(kImageBytes);
    uint32_t done = 0;
    ASSERT_EQ(device_->SetPosition(7), 7);
    ASSERT_TRUE(device_->Read(buffer.data() + 1, static_cast<uint32_t>(kImageBytes - 8), done));
    EXPECT_EQ(done, kImageBytes - 8);
    EXPECT_TRUE(std::equal(buffer.begin() + 1, buffer.begin() + 1 + done, image_.begin() + 7));

    const auto data = Pattern(kImageBytes, 41);
    const uint32_t length = static_cast<uint32_t>(kImageBytes - 3000);
    ASSERT_EQ(device_->SetPosition(1111), 1111);
    ASSERT_TRUE(device_->Write(data.data() + 3, length, done));
    EXPECT_EQ(done, length);
    device_.reset();
    auto want = image_;
    std::copy(data.begin() + 3, data.begin() + 3 + length, want.begin() + 1111);
    EXPECT_EQ(ReadFile(sys_.dev() / "sda"), want);
}

TEST_F(ImageDevice, ReadsEndAtTheEndOfTheDevice)
{
    std::vector<uint8_t> buffer(2048);
    uint32_t done = 0;
    ASSERT_EQ(device_->SetPosition(kImageBytes - 100), static_cast<int64_t>(kImageBytes - 100));
    ASSERT_TRUE(device_->Read(buffer.data() + 1, 1000, done));
    EXPECT_EQ(done, 100u);
    EXPECT_TRUE(std::equal(buffer.begin() + 1, buffer.begin() + 101, image_.end() - 100));
    // At the end nothing is left: the sector does not exist.
    EXPECT_FALSE(device_->Read(buffer.data(), 512, done));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(device_->LastError(), win_error::kSectorNotFound);
}

TEST_F(ImageDevice, RequestsAPlainFileCannotCarry)
{
    uint32_t done = 0;
    EXPECT_FALSE(device_->Read(nullptr, 512, done));
    EXPECT_EQ(device_->LastError(), win_error::kInvalidParameter);
    EXPECT_TRUE(device_->Read(nullptr, 0, done));

    ScsiRequest inquiry;
    inquiry.cdb = {0x12, 0, 0, 0, 0x60, 0};
    inquiry.cdb_length = 6;
    ScsiReply reply;
    EXPECT_FALSE(device_->ScsiPassThrough(inquiry, reply));
    EXPECT_EQ(device_->LastError(), win_error::kNotSupported);
    inquiry.cdb_length = 0;
    EXPECT_FALSE(device_->ScsiPassThrough(inquiry, reply));
    EXPECT_EQ(device_->LastError(), win_error::kInvalidParameter);

    AtaRegisters identify{0, 1, 0, 0, 0, 0xA0, 0xEC}, out;
    std::vector<uint8_t> sector(512);
    EXPECT_FALSE(device_->SmartRequest(0, identify, sector.data(), true, out));
    EXPECT_EQ(device_->LastError(), win_error::kNotSupported);
    EXPECT_FALSE(device_->SmartRequest(0, identify, nullptr, true, out));
    EXPECT_EQ(device_->LastError(), win_error::kInvalidParameter);
    EXPECT_FALSE(device_->IdePassThrough(identify, sector.data(), 100));
    EXPECT_EQ(device_->LastError(), win_error::kInvalidParameter);
    EXPECT_FALSE(device_->IdePassThrough(identify, sector.data(), 512));
    EXPECT_EQ(device_->LastError(), win_error::kNotSupported);

    // An sd disk answers with the classic translation whatever the kernel says.
    OsGeometry geometry;
    ASSERT_TRUE(device_->Geometry(geometry));
    EXPECT_EQ(geometry.sectors_per_track, 63u);
    EXPECT_EQ(geometry.tracks_per_cylinder, 255u);
    EXPECT_EQ(geometry.bytes_per_sector, 512u);
    EXPECT_EQ(geometry.media_type, 12u);
}

TEST(ImageDeviceTrace, RegisterRequestsAreTracedWhenAsked)
{
    FakeSysfs sys;
    sys.Disk("sda", 8);
    FakeSysfs::Write(sys.dev() / "sda", std::string(4096, '\0'));
    LinuxOsDevices devices(sys.block(), sys.dev());
    std::vector<std::string> lines;
    devices.SetTrace([&](const std::string& line) { lines.push_back(line); });
    uint32_t error = 0;
    auto device = devices.OpenPhysical(0, error);
    ASSERT_NE(device, nullptr);
    AtaRegisters smart_status{0xDA, 0, 0, 0x4F, 0xC2, 0xA0, 0xB0}, out;
    EXPECT_FALSE(device->SmartRequest(0, smart_status, nullptr, false, out));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("SMART non-data DA 00 00 4F C2 A0 B0"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("error 50"), std::string::npos) << lines[0];
    // Sector transfers are not register requests and stay out of the trace.
    std::vector<uint8_t> sector(512);
    uint32_t done = 0;
    EXPECT_TRUE(device->Read(sector.data(), 512, done));
    EXPECT_EQ(lines.size(), 1u);
}
