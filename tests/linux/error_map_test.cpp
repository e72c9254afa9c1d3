#include "platform/linux/error_map.h"
#include "platform/port_access.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

using namespace mrv;
using namespace mrv::linux_platform;

TEST(ErrnoToWinError, FailuresTheProgramMapsGetTheirWindowsNumbers)
{
    const struct {
        int error_number;
        uint32_t win;
    } cases[] = {
        {0, 0},        {EACCES, 5},      {EPERM, 5},   {EROFS, 19},         {ENOMEDIUM, 21},
        {ENODATA, 23}, // medium error under direct I/O
        {EILSEQ, 23},  {ESPIPE, 25},     {ENOSPC, 27}, {ENODEV, 55},        {ENXIO, 55},
        {EINVAL, 87},  {ETIMEDOUT, 121}, {EIO, 1117},  {EMEDIUMTYPE, 1785}, {ENOTTY, 50},
        {ENOSYS, 50},  {ENOENT, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errno_to_win_error(c.error_number), c.win) << "errno " << c.error_number;
}

TEST(ErrnoToWinError, UnknownErrnoIsGeneralFailure)
{
    EXPECT_EQ(errno_to_win_error(EXDEV), win_error::kGenFailure);
    EXPECT_EQ(errno_to_win_error(-1), win_error::kGenFailure);
}

namespace
{

std::vector<uint8_t> Fixed(uint8_t key, uint8_t asc, uint8_t ascq)
{
    std::vector<uint8_t> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

std::vector<uint8_t> Descriptor(uint8_t key, uint8_t asc, uint8_t ascq)
{
    return {0x72, key, asc, ascq, 0, 0, 0, 0};
}

} // namespace

TEST(SenseToWinError, KeyAndAdditionalCodeSelectTheNumberInBothFormats)
{
    const struct {
        uint8_t key, asc, ascq;
        uint32_t win;
    } cases[] = {
        {0x0, 0x00, 0x00, 0},    {0x1, 0x00, 0x1D, 0},    // ATA information available is no error
        {0x2, 0x04, 0x00, 21},   {0x2, 0x3A, 0x00, 21},   // not ready, medium not present
        {0x3, 0x11, 0x00, 23},   {0x3, 0x12, 0x00, 1122}, // unrecovered read, ID address mark
        {0x3, 0x14, 0x01, 27},   {0x3, 0x15, 0x01, 25},   // record not found, positioning
        {0x3, 0x30, 0x00, 1785}, {0x4, 0x44, 0x00, 1117}, // incompatible medium, hardware
        {0x5, 0x21, 0x00, 27},   {0x5, 0x20, 0x00, 1},    // LBA out of range, invalid opcode
        {0x5, 0x24, 0x00, 1},    {0x6, 0x28, 0x00, 1110}, // invalid field, medium changed
        {0x7, 0x27, 0x00, 19},   {0xB, 0x00, 0x00, 1117}, // write protected, aborted
        {0xE, 0x1D, 0x00, 23},   {0xF, 0x00, 0x00, 31},   // miscompare, reserved key
    };
    for (const auto& c : cases) {
        const auto fixed = Fixed(c.key, c.asc, c.ascq);
        const auto descriptor = Descriptor(c.key, c.asc, c.ascq);
        EXPECT_EQ(sense_to_win_error(fixed.data(), fixed.size()), c.win)
            << "fixed key " << int(c.key) << " asc " << int(c.asc);
        EXPECT_EQ(sense_to_win_error(descriptor.data(), descriptor.size()), c.win)
            << "descriptor key " << int(c.key) << " asc " << int(c.asc);
    }
}

TEST(SenseToWinError, MissingOrMalformedSense)
{
    EXPECT_EQ(sense_to_win_error(nullptr, 0), 0u);
    const uint8_t vendor[] = {0x7F, 0x00, 0x03};
    EXPECT_EQ(sense_to_win_error(vendor, sizeof vendor), win_error::kGenFailure);
    // A fixed header cut short still gives its key; the code defaults to 0.
    const uint8_t short_fixed[] = {0xF0, 0x00, 0x03};
    EXPECT_EQ(sense_to_win_error(short_fixed, sizeof short_fixed), win_error::kCrc);
}

TEST(SgStatusToWinError, TransportFailures)
{
    EXPECT_EQ(sg_status_to_win_error(0, 0), 0u);
    EXPECT_EQ(sg_status_to_win_error(0, 0x08), 0u); // DRIVER_SENSE only says sense is there
    EXPECT_EQ(sg_status_to_win_error(0x03, 0), win_error::kSemTimeout);
    EXPECT_EQ(sg_status_to_win_error(0, 0x06), win_error::kSemTimeout);
    EXPECT_EQ(sg_status_to_win_error(0x01, 0), win_error::kDeviceNotConnected);
    EXPECT_EQ(sg_status_to_win_error(0x04, 0), win_error::kDevNotExist);
    EXPECT_EQ(sg_status_to_win_error(0x07, 0), win_error::kIoDevice);
    EXPECT_EQ(sg_status_to_win_error(0x42, 0), win_error::kIoDevice);
}
