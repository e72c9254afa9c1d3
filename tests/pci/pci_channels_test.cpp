// The ports a PCI function's rows carry.

#include "pci/pci_channels.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

PciFunctionRegisters Function(uint16_t vendor, uint16_t device, uint16_t cls, std::array<uint32_t, 4> bars)
{
    PciFunctionRegisters f;
    f.vendor_id = vendor;
    f.device_id = device;
    f.class_code = cls;
    f.bars = bars;
    return f;
}

void ExpectChannels(const std::vector<PciChannel>& actual,
                    std::vector<std::pair<uint16_t, uint16_t>> expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].base, expected[i].first) << "row " << i;
        EXPECT_EQ(actual[i].alt, expected[i].second) << "row " << i;
    }
}

TEST(PciChannelsTest, LegacyIdeShowsTheFixedPortsOfBothChannels)
{
    ExpectChannels(ChannelsOf(Function(0x8086, 0x7111, 0x0101, {0, 0, 0, 0})),
                   {{0x1F0, 0x3F6}, {0x170, 0x376}});
    // Some controllers set the I/O bit of a BAR that decodes nothing.
    ExpectChannels(ChannelsOf(Function(0x8086, 0x7010, 0x0101, {1, 1, 1, 1})),
                   {{0x1F0, 0x3F6}, {0x170, 0x376}});
}

TEST(PciChannelsTest, NativeControllerTakesItsPortsFromTheBars)
{
    ExpectChannels(ChannelsOf(Function(0x1095, 0x0680, 0x0180, {0xC001, 0xC801, 0xC401, 0xCC01})),
                   {{0xC000, 0xC802}, {0xC400, 0xCC02}});
    // Only a legacy IDE class falls back to the fixed ports: a RAID controller
    // without a second channel shows base 0.
    ExpectChannels(ChannelsOf(Function(0x105A, 0x3318, 0x0104, {0xB001, 0xB401, 0, 0})),
                   {{0xB000, 0xB402}, {0x0000, 0x0002}});
}

TEST(PciChannelsTest, MemoryBarsNameNoPort)
{
    ExpectChannels(ChannelsOf(Function(0x1000, 0x0411, 0x0104, {0xFEB04000, 0xFEB0C000, 0xE001, 0xE401})),
                   {{0x0000, 0x0002}, {0xE000, 0xE402}});
}

TEST(PciChannelsTest, DataRecoveryBoardsDeriveTheirPortsFromTheFirstBase)
{
    // PC-3000 PCI: one channel; its second row carries base 0.
    ExpectChannels(ChannelsOf(Function(0xACE1, 0x0005, 0x0180, {0xA001, 0xA401, 0xA801, 0xAC01})),
                   {{0xA000, 0xA00E}, {0x0000, 0x000E}});
    // PC-3000 UDMA: the second channel sits 20h above the first.
    ExpectChannels(ChannelsOf(Function(0xACE1, 0x0006, 0x0180, {0xA001, 0xA401, 0xA801, 0xAC01})),
                   {{0xA000, 0xA00E}, {0xA020, 0xA02E}});
    // The same IDs of another vendor are ordinary controllers.
    ExpectChannels(ChannelsOf(Function(0x1103, 0x0005, 0x0180, {0xA001, 0xA401, 0xA801, 0xAC01})),
                   {{0xA000, 0xA402}, {0xA800, 0xAC02}});
}

TEST(PciChannelsTest, OtherClassesShowOneRow)
{
    ExpectChannels(ChannelsOf(Function(0x8086, 0x100E, 0x0200, {0xFEBC0000, 0xC001, 0, 0})),
                   {{0x0000, 0xC002}});
    EXPECT_FALSE(IsStorageClass(0x0106)); // AHCI
    EXPECT_TRUE(IsStorageClass(0x0180));
}

} // namespace
} // namespace mrv::test
