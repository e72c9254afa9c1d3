// The command value, the 48-bit translation, error texts and typed ports.

#include "access/ata_pio.h"
#include "access/channel.h"
#include "platform/ata_command.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

TEST(AtaCommandValue, Lba28PacksTheTopNibbleIntoTheDeviceRegister)
{
    AtaCommand c = AtaCommand::Lba28(1, 0x20, 0x0ABCDEF1);
    EXPECT_FALSE(c.ext);
    EXPECT_EQ(c.in.lba_low, 0xF1);
    EXPECT_EQ(c.in.lba_mid, 0xDE);
    EXPECT_EQ(c.in.lba_high, 0xBC);
    EXPECT_EQ(c.in.device, 0xEA);
    EXPECT_EQ(c.in.features, 0);
    EXPECT_EQ(c.Lba(), 0x0ABCDEF1u);
    EXPECT_EQ(c.Sectors(), 1u);
    EXPECT_EQ(AtaCommand::Lba28(0, 0x20, 0).Sectors(), 256u);
}

TEST(AtaCommandValue, Lba48PairsPreviousAndCurrentBytes)
{
    AtaCommand c = AtaCommand::Lba48(0, 0x24, 0xA1B2C3D4E5F6ull);
    EXPECT_TRUE(c.ext);
    EXPECT_EQ(c.in.lba_low, 0xC3F6);  // bits 31–24, bits 7–0
    EXPECT_EQ(c.in.lba_mid, 0xB2E5);  // bits 39–32, bits 15–8
    EXPECT_EQ(c.in.lba_high, 0xA1D4); // bits 47–40, bits 23–16
    EXPECT_EQ(c.in.device, 0xE0);
    EXPECT_EQ(c.Lba(), 0xA1B2C3D4E5F6ull);
    EXPECT_EQ(c.Sectors(), 65536u);
}

TEST(AtaResultValue, RegistersRoundTripIn28And48BitViews)
{
    AtaResult r;
    r.SetRegisters(AtaRegisters{0x04, 0x0102, 0x1122, 0x3344, 0x5566, 0xE7, 0x51}, true);
    EXPECT_EQ(r.error, 0x04);
    EXPECT_EQ(r.status, 0x51);
    EXPECT_EQ(r.count, 0x0102);
    EXPECT_EQ(r.lba, 0x553311664422ull);
    EXPECT_EQ(r.Registers(), (AtaRegisters{0x04, 0x0102, 0x1122, 0x3344, 0x5566, 0xE7, 0x51}));
    // The 28-bit view takes LBA bits 27-24 from the device register.
    r.SetRegisters(AtaRegisters{0, 0x0102, 0x11, 0x22, 0x33, 0xE7, 0x50}, false);
    EXPECT_EQ(r.count, 0x02);
    EXPECT_EQ(r.lba, 0x7332211ull);
}

TEST(AtaCommandValue, BlockCommandsTranslateTo48Bit)
{
    const std::pair<uint8_t, uint8_t> table[] = {{0x20, 0x24}, {0x30, 0x34}, {0x40, 0x42}, {0x70, 0x42},
                                                 {0xF8, 0x27}, {0xF9, 0x37}, {0xEC, 0x00}, {0x24, 0x00}};
    for (auto [command, sent] : table)
        EXPECT_EQ(ExtendedBlockCommand(command), sent) << int(command);
}

TEST(AtaErrorText, NamedCodesAndTheHexFallback)
{
    EXPECT_EQ(AtaPio::DescribeAtaError(0x00), " Timeout");
    EXPECT_EQ(AtaPio::DescribeAtaError(0x01), " Error: AMNF");
    EXPECT_EQ(AtaPio::DescribeAtaError(0x04), " Error: ABRT");
    EXPECT_EQ(AtaPio::DescribeAtaError(0x40), " Error: UNCR");
    EXPECT_EQ(AtaPio::DescribeAtaError(0x49), " - 48 bit addresing error");
    EXPECT_EQ(AtaPio::DescribeAtaError(0xFF), " - Unknown error");
    // By value, not by bits: UNC together with AMNF is not a named code.
    EXPECT_EQ(AtaPio::DescribeAtaError(0x41), " Error #41");
    EXPECT_EQ(AtaPio::DescribeAtaError(0x05), " Error #05");
    EXPECT_EQ(AtaPio::DescribeAtaError(0xAB), " Error #AB");
}

TEST(TypedPorts, HexParseTreatsStrangeCharactersAsZero)
{
    EXPECT_EQ(ParseHexPort("1f0"), 0x1F0);
    EXPECT_EQ(ParseHexPort("C000"), 0xC000);
    EXPECT_EQ(ParseHexPort("1x0"), 0x100);
    EXPECT_EQ(ParseHexPort(""), 0);
    EXPECT_EQ(ParseHexPort("FFFF"), 0xFFFF);
    EXPECT_EQ(ParseHexPort("10000"), std::nullopt);
    // Leading zeros do not count against the range, a long text does not wrap.
    EXPECT_EQ(ParseHexPort("0000170"), 0x170);
    EXPECT_EQ(ParseHexPort("100000000000000170"), std::nullopt);
}

TEST(TypedPorts, HexTextIsUppercaseWithAMinimumWidth)
{
    EXPECT_EQ(HexPort(0x1F0), "1F0");
    EXPECT_EQ(HexPort(0x3F6), "3F6");
    EXPECT_EQ(HexPort(0x9), "09");
    EXPECT_EQ(HexPort(0x170, 4), "0170");
    EXPECT_EQ(HexPort(0xD400, 3), "D400");
}

} // namespace
} // namespace mrv
