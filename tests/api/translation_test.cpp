// Pure translation: command blocks, sense decoding, result codes, size texts
// and the write stamp, against bytes known to be right.

#include "access/os_device.h"
#include "drive/scsi_sense.h"
#include "identify/format_capacity.h"
#include "platform/sat.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace mrv
{
namespace
{

// The four kinds the pass-through route sends: non-data, PIO in, PIO out, and
// non-data with the registers wanted back.
enum class Kind { NonData, PioIn, PioOut, NonDataResult };

AtaCommand Command(Kind kind, const AtaRegisters& registers)
{
    AtaCommand c = AtaCommand::NonData(registers);
    if (kind == Kind::PioIn) c.protocol = AtaProtocol::PioIn;
    if (kind == Kind::PioOut) c.protocol = AtaProtocol::PioOut;
    c.want_registers = kind == Kind::NonDataResult;
    return c;
}

AtaCommand Identify(Kind kind)
{
    return Command(kind, {.count = 1, .lba_low = 1, .device = 0xA0, .command = 0xEC});
}

TEST(SatTranslation, SixteenByteBlocksByKind)
{
    using Cdb = std::array<uint8_t, 16>;
    EXPECT_EQ(BuildAtaPassThrough16(Identify(Kind::PioIn)),
              (Cdb{0x85, 0x09, 0x0E, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0xA0, 0xEC, 0}));
    const AtaRegisters smart{
        .features = 0xD8, .lba_mid = 0x4F, .lba_high = 0xC2, .device = 0xA0, .command = 0xB0};
    EXPECT_EQ(BuildAtaPassThrough16(Command(Kind::NonData, smart)),
              (Cdb{0x85, 0x07, 0x0C, 0, 0xD8, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
    EXPECT_EQ(BuildAtaPassThrough16(Command(Kind::PioOut, smart))[1], 0x0B);
    EXPECT_EQ(BuildAtaPassThrough16(Command(Kind::PioOut, smart))[2], 0x06);
    // The result-returning kind asks for the registers with CK_COND.
    EXPECT_EQ(BuildAtaPassThrough16(Command(Kind::NonDataResult, smart))[1], 0x07);
    EXPECT_EQ(BuildAtaPassThrough16(Command(Kind::NonDataResult, smart))[2], 0x2C);
}

TEST(SatTranslation, SixteenByteBlockCarriesThePreviousBytesOf48BitCommands)
{
    using Cdb = std::array<uint8_t, 16>;
    AtaCommand read = AtaCommand::Lba48(0x0102, 0x24, 0xA1B2C3D4E5F6ull);
    read.protocol = AtaProtocol::PioIn;
    EXPECT_EQ(BuildAtaPassThrough16(read),
              (Cdb{0x85, 0x09, 0x0E, 0, 0, 0x01, 0x02, 0xC3, 0xF6, 0xB2, 0xE5, 0xA1, 0xD4, 0xE0, 0x24, 0}));
}

TEST(SatTranslation, TwelveByteBlocksByKind)
{
    using Cdb = std::array<uint8_t, 12>;
    EXPECT_EQ(BuildAtaPassThrough12(Identify(Kind::PioIn)),
              (Cdb{0xA1, 0x08, 0x0E, 0, 1, 1, 0, 0, 0xA0, 0xEC, 0, 0}));
    const struct {
        Kind kind;
        uint8_t protocol, flags;
    } rows[] = {{Kind::NonData, 0x06, 0x00}, {Kind::PioOut, 0x0A, 0x00}, {Kind::NonDataResult, 0x06, 0x20}};
    for (const auto& row : rows) {
        const auto cdb = BuildAtaPassThrough12(Identify(row.kind));
        EXPECT_EQ(cdb[1], row.protocol);
        EXPECT_EQ(cdb[2], row.flags);
    }
}

// SMART RETURN STATUS through SG_IO on an AHCI disk in a QEMU guest.
const uint8_t kDescriptorSense[] = {0x72, 0x01, 0x00, 0x1D, 0,    0,    0,    0x0E, 0x09, 0x0C, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50};
// IDENTIFY aborted by the drive, fixed format as Linux libata writes it.
const uint8_t kFixedSense[] = {0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41,
                               0xA0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};

TEST(SatTranslation, DecodesDescriptorAndFixedReturns)
{
    AtaRegisters r;
    ASSERT_TRUE(DecodeAtaReturn(kDescriptorSense, sizeof kDescriptorSense, r));
    EXPECT_EQ(r.command, 0x50);
    EXPECT_EQ(r.device, 0xA0);
    EXPECT_EQ(r.lba_mid, 0x4F);
    EXPECT_EQ(r.lba_high, 0xC2);
    EXPECT_EQ(r.features, 0x00);
    EXPECT_TRUE(IsAtaPassThroughSuccess(kDescriptorSense, sizeof kDescriptorSense));

    ASSERT_TRUE(DecodeAtaReturn(kFixedSense, sizeof kFixedSense, r));
    EXPECT_EQ(r.features, 0x04);
    EXPECT_EQ(r.command, 0x41);
    EXPECT_EQ(r.device, 0xA0);
    EXPECT_EQ(r.count, 0x01);
    EXPECT_EQ(r.lba_low, 0x01);
    EXPECT_FALSE(IsAtaPassThroughSuccess(kFixedSense, sizeof kFixedSense));

    // Standard fixed layout: VALID set, registers in the information field.
    const uint8_t standard[] = {0xF0, 0x00, 0x01, 0x00, 0x50, 0xA0, 0x00,
                                0x0A, 0x00, 0x00, 0x4F, 0xC2, 0x00, 0x1D};
    ASSERT_TRUE(DecodeAtaReturn(standard, sizeof standard, r));
    EXPECT_EQ(r.command, 0x50);
    EXPECT_EQ(r.lba_mid, 0x4F);
    EXPECT_EQ(r.lba_high, 0xC2);
}

TEST(SatTranslation, RejectsSenseWithoutRegisters)
{
    AtaRegisters r;
    const uint8_t illegal[] = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0x00};
    EXPECT_FALSE(DecodeAtaReturn(illegal, sizeof illegal, r));
    const uint8_t other_descriptor[] = {0x72, 0x05, 0x24, 0, 0, 0, 0, 0x08, 0x02, 0x06, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(DecodeAtaReturn(other_descriptor, sizeof other_descriptor, r));
    // A descriptor length that runs past the buffer is not followed.
    const uint8_t truncated[] = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x00};
    EXPECT_FALSE(DecodeAtaReturn(truncated, sizeof truncated, r));
    EXPECT_FALSE(DecodeAtaReturn(nullptr, 0, r));
}

TEST(ScsiSense, SenseToResultCodes)
{
    EXPECT_EQ(SenseToResult(nullptr, 0), 0);
    const uint8_t none[18] = {};
    EXPECT_EQ(SenseToResult(none, sizeof none), 0);
    EXPECT_EQ(SenseToResult(kDescriptorSense, sizeof kDescriptorSense), 29);
    uint8_t s[18] = {0x70, 0, 0x03};
    EXPECT_EQ(SenseToResult(s, sizeof s), 37); // medium error
    s[2] = 0x05;
    EXPECT_EQ(SenseToResult(s, sizeof s), 39); // illegal request
    s[2] = 0x0F;
    EXPECT_EQ(SenseToResult(s, sizeof s), 49);
    s[2] = 0x80;
    EXPECT_EQ(SenseToResult(s, sizeof s), 30);
    s[2] = 0x40;
    EXPECT_EQ(SenseToResult(s, sizeof s), 31);
    s[2] = 0x20;
    EXPECT_EQ(SenseToResult(s, sizeof s), 32);
    s[2] = 0x00;
    EXPECT_EQ(SenseToResult(s, sizeof s), 34);
    s[0] = 0xF1; // deferred error, information valid
    EXPECT_EQ(SenseToResult(s, sizeof s), 33);
}

TEST(ScsiSense, SystemErrorCodes)
{
    const std::pair<uint32_t, int> rows[] = {
        {0, 0},    {1, 0},    {2, 1},    {3, 1},    {79, 51},   {121, 51}, {82, 50}, {87, 52},  {208, 52},
        {192, 53}, {209, 55}, {214, 55}, {222, 56}, {1117, 56}, {5, 10},   {23, 10}, {1167, 10}};
    for (auto [error, code] : rows)
        EXPECT_EQ(SystemErrorToResult(error), code) << error;
}

TEST(VerifyCommandBlock, TenByteFormWhileItFits)
{
    std::array<uint8_t, 16> cdb{};
    ASSERT_EQ(BuildVerifyCdb(0x12345678, 0x100, cdb), 10);
    const uint8_t expected[10] = {0x2F, 0x08, 0x12, 0x34, 0x56, 0x78, 0, 0x01, 0x00, 0};
    EXPECT_EQ(std::memcmp(cdb.data(), expected, 10), 0);
    EXPECT_EQ(BuildVerifyCdb(0xFFFFFFFF, 0xFFFF, cdb), 10);
}

TEST(VerifyCommandBlock, SixteenByteFormBeyondTheTenByteFields)
{
    std::array<uint8_t, 16> cdb{};
    ASSERT_EQ(BuildVerifyCdb(0x100000005ull, 256, cdb), 16);
    const std::array<uint8_t, 16> expected{0x8F, 0, 0, 0, 0, 0x01, 0, 0, 0, 0x05, 0, 0, 0x01, 0x00, 0, 0};
    EXPECT_EQ(cdb, expected);
    // 65536 sectors (the largest block) does not fit 16 bits either.
    ASSERT_EQ(BuildVerifyCdb(0, 65536, cdb), 16);
    EXPECT_EQ(cdb[11], 0x01);
    EXPECT_EQ(cdb[12], 0x00);
}

TEST(FormatCapacity, DecimalUnits)
{
    EXPECT_EQ(FormatCapacity(512, 1000), "512 kb");
    EXPECT_EQ(FormatCapacity(512, 2000), "1 Mb");
    EXPECT_EQ(FormatCapacity(512, 2000000), "1 Gb");
    EXPECT_EQ(FormatCapacity(512, 2000000000), "1.0 Tb");
    EXPECT_EQ(FormatCapacity(512, 0), "0 kb");
    EXPECT_EQ(FormatCapacity(4096, 244190646), "1.0 Tb");
    EXPECT_EQ(FormatCapacity(1000, 1000), "1000"); // exactly 1000 keeps the bare number
    EXPECT_EQ(FormatCapacity(512, 5000000000000ull), "2.56 Pb");
    // Beyond petabytes the number grows instead of overflowing.
    EXPECT_EQ(FormatCapacity(4096, 0xFFFFFFFFFFFFFFFFull), "75557863.73 Pb");
}

TEST(WriteStamp, ThreeFieldsPerSectorRestKept)
{
    std::vector<uint8_t> buffer(2 * 512, 0xAB);
    LocalDateTime now{2026, 3, 7, 9, 5, 1, 0};
    StampSectors(buffer.data(), 2, 512, 123456, now);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 48),
              "LBA 123456      Time 09:05:01   Date 07.03.2026 ");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data() + 512), 16), "LBA 123457      ");
    EXPECT_EQ(buffer[48], 0xAB);
    EXPECT_EQ(buffer[511], 0xAB);
    EXPECT_EQ(buffer[512 + 48], 0xAB);
    // A long number is cut to its field.
    StampSectors(buffer.data(), 1, 512, 12345678901234567ull, now);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 16), "LBA 123456789012");
}

} // namespace
} // namespace mrv
