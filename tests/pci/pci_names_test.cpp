// The scan's name tables: the device table holds exactly the named IDs and the
// names users know, and unknown IDs show as hexadecimal with a star.

#include "pci/pci_names.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace mrv::test
{
namespace
{

constexpr const char* kNamedIds =
    "0001 0002 0003 0004 0005 0006 0007 0008 0009 0018 002D 0035 0036 003E 0044 0053 "
    "0054 0055 0065 0085 008E 00D5 00E3 00E5 00EE 0102 0103 0105 0180 0181 0182 0186 "
    "01BC 0211 0212 0213 0214 0217 0240 0241 0242 0243 024A 024B 0265 0266 0267 0368 "
    "036E 037E 037F 03E7 03EC 03F6 03F7 0410 0411 0415 0448 044C 044D 044E 044F 045C "
    "045D 045E 045F 0502 0550 0554 0555 0560 0561 056C 0571 0581 0591 0597 0601 0611 "
    "0612 0640 0643 0646 0648 0649 0680 0759 07F0 07F4 07F8 0AB4 0AB5 0AB6 0AB7 0AB8 "
    "0AB9 0ABA 0ABB 0ABC 0ABD 0ABE 0ABF 0AD0 0AD4 0AD8 0D1C 0D30 0D38 0D85 0D88 0D89 "
    "0D8D 0F23 1010 1183 1184 1185 1230 1234 1275 1571 1600 1622 1720 1740 1742 1841 "
    "1C00 1C01 1C02 1C03 1C04 1C05 1C08 1C09 1C3C 1D00 1D02 1D04 1D06 1D08 1D3C 1E00 "
    "1E01 1E02 1E03 1E04 1E05 1E06 1E07 1E08 1E09 1E0E 1E3C 1F22 1F23 1F24 1F25 1F26 "
    "1F27 1F2E 1F2F 1F32 1F33 1F34 1F35 1F36 1F37 1F3E 1F3F 2015 2300 2310 2323 2360 "
    "2361 2362 2363 2365 2366 2368 23A3 2411 2421 244A 244B 245B 248A 248B 24CA 24CB "
    "24D1 24DB 24DF 25A2 25A3 25B0 2651 2652 2653 266F 2680 2681 2682 2683 269E 27C0 "
    "27C1 27C3 27C4 27C5 27C6 27DF 2820 2821 2822 2823 2824 2825 2826 2827 2828 2829 "
    "282A 2850 2920 2921 2922 2923 2925 2926 2928 2929 292C 292D 292E 2996 29B6 2A06 "
    "2A46 2E16 3020 3112 3114 3124 3132 3149 3164 3200 3249 3318 3319 3349 3371 3373 "
    "3375 3376 3512 3515 3519 3531 3570 3571 3574 3577 3602 3A00 3A05 3A06 3A20 3A22 "
    "3A25 3A26 3B20 3B22 3B23 3B24 3B25 3B26 3B28 3B29 3B2B 3B2C 3B2D 3B2E 3B2F 3B66 "
    "3D17 3D18 3D73 3D75 3F20 4149 4349 4369 436E 4376 4379 437A 4380 4381 438C 4390 "
    "4391 4392 4393 4394 4395 439C 4D30 4D33 4D38 4D68 4D69 5028 502A 502B 5040 5041 "
    "5080 5081 5215 5225 5228 5229 5275 5281 5287 5288 5289 5324 5337 5372 5513 6040 "
    "6041 6042 6080 6081 6101 6121 6123 6145 6268 6269 6287 6565 6622 6629 7010 7042 "
    "7111 7174 7199 7275 7401 7409 7411 7441 7469 7601 7800 780C 7900 8000 8002 8013 "
    "811A 8211 8212 8213 84CA 8C02 8C03 8C04 8C05 8C06 8C07 8C0E 8C0F 8C82 8C83 8C84 "
    "8C85 8C86 8C87 8C8E 8C8F 8D02 8D04 8D06 8D0E 8D62 8D64 8D66 8D6E 9001 9123 9125 "
    "9130 9172 9178 917A 9192 91A0 91A3 91A4 9230 9C02 9C03 9C04 9C05 9C06 9C07 9C0E "
    "9C0F 9C83 9C85 9C87 9C8F A103 A105 A107 A10F A800 AE33 C558 C621 D001 D568 F021 "
    "F024 ";

TEST(PciNamesTest, DeviceTableHoldsExactlyTheNamedIdsInOrder)
{
    std::set<uint16_t> expected;
    std::istringstream ids(kNamedIds);
    for (std::string id; ids >> id;)
        expected.insert(static_cast<uint16_t>(std::stoul(id, nullptr, 16)));
    ASSERT_EQ(expected.size(), 433u);

    std::set<uint16_t> actual;
    uint16_t previous = 0;
    for (size_t i = 0; i < kPciDeviceNames.size(); ++i) {
        const PciDeviceName& entry = kPciDeviceNames[i];
        actual.insert(entry.id);
        if (i > 0) {
            EXPECT_LT(previous, entry.id) << "the lookup needs the table sorted";
        }
        previous = entry.id;
        ASSERT_NE(entry.name, nullptr);
        EXPECT_FALSE(std::string(entry.name).empty()) << std::hex << entry.id;
    }
    EXPECT_EQ(actual, expected);
}

TEST(PciNamesTest, NamesUsersKnowStayAsTheyAre)
{
    const std::pair<uint16_t, const char*> known[] = {
        {0x0005, "PC3000 PCI"},
        {0x0006, "PC3000 UDMA"},
        {0x0018, "PC3000 UDMA-E"},
        {0x0002, "87415/87560 IDE"},
        {0x0004, "HighPoint 366/368/370/370A/372/372N"},
        {0x27C0, "82801GB/GR/GH (ICH7 Family) SATA IDE"},
        {0x2829, "82801HBM/HEM (ICH8M/ICH8M-E) SATA AHCI"},
        {0x3A22, "82801JI (ICH10 Family) SATA AHCI"},
        {0x4380, "SB600 Non-Raid-5 SATA"},
        {0x4D38, "PDC20262 (FastTrak66/Ultra66)"},
        {0x5229, "M5229 IDE"},
        {0x7111, "82371AB/EB/MB PIIX4 IDE"},
        {0x0D8D, "MCP89 SATA (RAID mode)"},
    };
    for (const auto& [id, name] : known)
        EXPECT_EQ(PciDeviceIdName(id), name) << std::hex << id;
    // An ID shared with graphics chips names the disk controller.
    EXPECT_EQ(PciDeviceIdName(0x7010), "82371SB PIIX3 IDE [Natoma/Triton II]");
    EXPECT_EQ(PciDeviceIdName(0x0053), "CK804 IDE");
}

TEST(PciNamesTest, UnknownIdsShowAsHexadecimalWithAStar)
{
    EXPECT_EQ(PciVendorName(0x8086), "Intel");
    EXPECT_EQ(PciVendorName(0xACE1), "ACE Lab");
    EXPECT_EQ(PciVendorName(0x1234), "1234*");
    EXPECT_EQ(PciVendorName(0x00AB), "00AB*");
    EXPECT_EQ(PciDeviceIdName(0x9999), "ID 9999*");
    EXPECT_EQ(PciDeviceIdName(0x0000), "ID 0000*");
    EXPECT_EQ(PciClassName(0x0101), "Int ATA");
    EXPECT_EQ(PciClassName(0x0D80), "Wireless");
    EXPECT_EQ(PciClassName(0x0106), "0106"); // AHCI has no name of its own
}

} // namespace
} // namespace mrv::test
