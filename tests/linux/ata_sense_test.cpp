#include "platform/sat.h"

#include <gtest/gtest.h>
#include <vector>

using namespace mrv;

// The device layer's own register requests ask for the registers back (CK_COND).
TEST(BuildAtaPassThrough16, RegisterRequestsAskForTheRegisters)
{
    AtaRegisters smart_status{0xDA, 0x00, 0x00, 0x4F, 0xC2, 0xA0, 0xB0};
    AtaCommand non_data = AtaCommand::NonData(smart_status);
    non_data.want_registers = true;
    const std::array<uint8_t, 16> want_non_data = {0x85, 0x07, 0x2C, 0, 0xDA, 0,    0x00, 0,
                                                   0x00, 0,    0x4F, 0, 0xC2, 0xA0, 0xB0, 0};
    EXPECT_EQ(BuildAtaPassThrough16(non_data), want_non_data);

    AtaRegisters identify{0x00, 0x01, 0x00, 0x00, 0x00, 0xA0, 0xEC};
    uint8_t data[512];
    AtaCommand pio_in = AtaCommand::PioIn(identify, data, sizeof data);
    pio_in.want_registers = true;
    const std::array<uint8_t, 16> want_pio_in = {0x85, 0x09, 0x2E, 0, 0x00, 0,    0x01, 0,
                                                 0x00, 0,    0x00, 0, 0x00, 0xA0, 0xEC, 0};
    EXPECT_EQ(BuildAtaPassThrough16(pio_in), want_pio_in);
}

TEST(DecodeAtaSenseRegisters, DescriptorFormatFromSmartReturnStatus)
{
    // As a QEMU guest under Linux 6.1 returns it for SMART RETURN STATUS with CK_COND.
    const std::vector<uint8_t> sense = {0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50};
    AtaRegisters regs;
    ASSERT_TRUE(DecodeAtaSenseRegisters(sense.data(), sense.size(), regs));
    EXPECT_EQ(regs.features, 0x00); // error
    EXPECT_EQ(regs.lba_mid, 0x4F);
    EXPECT_EQ(regs.lba_high, 0xC2);
    EXPECT_EQ(regs.device, 0xA0);
    EXPECT_EQ(regs.command, 0x50); // status
}

TEST(DecodeAtaSenseRegisters, DescriptorFoundAfterAnotherDescriptor)
{
    // An information descriptor (00h, 10 bytes) ahead of the ATA Return descriptor.
    std::vector<uint8_t> sense = {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 26, 0x00, 0x0A,
                                  0x80, 0,    0,    0,    0, 0, 0, 0,  0,    0};
    const std::vector<uint8_t> ata = {0x09, 0x0C, 0x00, 0x04, 0x00, 0x01, 0x00,
                                      0x11, 0x00, 0x22, 0x00, 0x33, 0xE0, 0x51};
    sense.insert(sense.end(), ata.begin(), ata.end());
    AtaRegisters regs;
    ASSERT_TRUE(DecodeAtaSenseRegisters(sense.data(), sense.size(), regs));
    EXPECT_EQ(regs.features, 0x04);
    EXPECT_EQ(regs.count, 0x01);
    EXPECT_EQ(regs.lba_low, 0x11);
    EXPECT_EQ(regs.lba_mid, 0x22);
    EXPECT_EQ(regs.lba_high, 0x33);
    EXPECT_EQ(regs.device, 0xE0);
    EXPECT_EQ(regs.command, 0x51);
}

TEST(DecodeAtaSenseRegisters, FixedFormatOfOlderKernelsForAnAbortedCommand)
{
    // Linux 6.1: error at byte 8, status at 9, device at 10, valid bit clear.
    const std::vector<uint8_t> sense = {0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04,
                                        0x41, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    AtaRegisters regs;
    regs.lba_mid = 0x77; // not in the returned bytes of this layout: stays
    ASSERT_TRUE(DecodeAtaSenseRegisters(sense.data(), sense.size(), regs));
    EXPECT_EQ(regs.features, 0x04);
    EXPECT_EQ(regs.command, 0x41);
    EXPECT_EQ(regs.device, 0xA0);
    EXPECT_EQ(regs.count, 0x00);
    EXPECT_EQ(regs.lba_mid, 0x77);
}

TEST(DecodeAtaSenseRegisters, FixedFormatWithRegistersInTheInformationField)
{
    const std::vector<uint8_t> sense = {0xF0, 0x00, 0x0B, 0x04, 0x51, 0xE0, 0x02, 0x0A, 0x00,
                                        0x10, 0x20, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    AtaRegisters regs;
    ASSERT_TRUE(DecodeAtaSenseRegisters(sense.data(), sense.size(), regs));
    EXPECT_EQ(regs.features, 0x04);
    EXPECT_EQ(regs.command, 0x51);
    EXPECT_EQ(regs.device, 0xE0);
    EXPECT_EQ(regs.count, 0x02);
    EXPECT_EQ(regs.lba_low, 0x10);
    EXPECT_EQ(regs.lba_mid, 0x20);
    EXPECT_EQ(regs.lba_high, 0x30);
}

TEST(DecodeAtaSenseRegisters, SenseWithoutRegistersIsNotDecoded)
{
    AtaRegisters regs;
    // ILLEGAL REQUEST, invalid command operation code: a device without SAT.
    const std::vector<uint8_t> fixed = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0x00, 0, 0, 0, 0};
    EXPECT_FALSE(DecodeAtaSenseRegisters(fixed.data(), fixed.size(), regs));
    const std::vector<uint8_t> descriptor = {0x72, 0x05, 0x20, 0x00, 0, 0, 0, 0};
    EXPECT_FALSE(DecodeAtaSenseRegisters(descriptor.data(), descriptor.size(), regs));
    // An ATA descriptor cut off by the sense length.
    const std::vector<uint8_t> cut = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x00, 0x00};
    EXPECT_FALSE(DecodeAtaSenseRegisters(cut.data(), cut.size(), regs));
    // An additional length that claims more than was returned is bounded.
    const std::vector<uint8_t> lying = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0xFF, 0x09, 0x0C};
    EXPECT_FALSE(DecodeAtaSenseRegisters(lying.data(), lying.size(), regs));
    EXPECT_FALSE(DecodeAtaSenseRegisters(nullptr, 0, regs));
}
