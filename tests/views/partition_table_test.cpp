// The pure parts of the partition viewer: entries, type names, volume labels
// and the clipboard text.

#include "views/partition_table.h"
#include "views_fixture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace mrv::views
{
namespace
{

TEST(PartitionTable, EntriesAreLittleEndianAtTheirFourOffsets)
{
    SectorBytes s = test::Table({{0x80, 0x07, 2048, 1000}, {0, 0x05, 0x12345678, 0xFFFFFFFF}}, 0x88CC);
    PartitionEntry first = ReadPartitionEntry(s, 0);
    EXPECT_EQ(first.boot, 0x80);
    EXPECT_EQ(first.type, 0x07);
    EXPECT_EQ(first.start, 2048u);
    EXPECT_EQ(first.count, 1000u);
    PartitionEntry second = ReadPartitionEntry(s, 1);
    EXPECT_EQ(second.start, 0x12345678u);
    EXPECT_EQ(second.count, 0xFFFFFFFFu);
    EXPECT_EQ(ReadPartitionEntry(s, 3).type, 0);
    EXPECT_EQ(BootSignature(s), 0x88CC);
    EXPECT_EQ(s[510], 0xCC);
    EXPECT_EQ(s[511], 0x88);
}

TEST(PartitionTable, TypeNames)
{
    EXPECT_EQ(PartitionTypeName(0x00), "not used");
    EXPECT_EQ(PartitionTypeName(0x05), "extn");
    EXPECT_EQ(PartitionTypeName(0x0F), "extn");
    EXPECT_EQ(PartitionTypeName(0x07), "NTFS");
    EXPECT_EQ(PartitionTypeName(0x0E), "FAT-32");
    EXPECT_EQ(PartitionTypeName(0x1E), "FAT-32 Hid");
    EXPECT_EQ(PartitionTypeName(0x82), "Linux swap");
    EXPECT_EQ(PartitionTypeName(0xC6), "FAT16 Mirr2");
    EXPECT_EQ(PartitionTypeName(0xFE), "LANstep");
    EXPECT_EQ(PartitionTypeName(0xEE), "Unkn EE");
    EXPECT_EQ(PartitionTypeName(0x0D), "Unkn 0D");
    EXPECT_TRUE(IsExtendedLink(0x05));
    EXPECT_TRUE(IsExtendedLink(0x0F));
    EXPECT_FALSE(IsExtendedLink(0x85));
}

TEST(PartitionTable, VolumeLabelsOfFat32ThenFat16BootSectors)
{
    SectorBytes fat32{};
    std::memcpy(&fat32[71], "BACKUP_2018", 11);
    EXPECT_EQ(VolumeNameFromBootSector(fat32), "BACKUP_2018"); // all eleven characters

    SectorBytes fat16{};
    std::memcpy(&fat16[43], "DOS DISK   ", 11);
    EXPECT_EQ(VolumeNameFromBootSector(fat16), "DOS DISK");

    // Bytes outside 20h..7Ah become blanks; a label field starting blank is no label.
    SectorBytes odd{};
    std::memcpy(&odd[71], "A\x01{B", 4);
    EXPECT_EQ(VolumeNameFromBootSector(odd), "A  B");
    SectorBytes none{};
    std::memcpy(&none[72], "LATE", 4);
    EXPECT_EQ(VolumeNameFromBootSector(none), " -");
}

TEST(PartitionTable, ClipboardTextKeepsItsColumns)
{
    const std::string text =
        PartitionListText({{"1", "Yes", "NTFS", "2048", "3047", "512 kb", "SYSTEM"},
                           {"12", "Not", "free space", "3048", "99999", "49 Mb", " -"},
                           {"3", "Not", "FAT16 Mirr2", "123456789012345", "1", "1", "VERYLONGNAME"}});
    const std::string dashes(63, '-');
    EXPECT_EQ(text, dashes + "\n" + "N  Boot System         Start LBA   End LBA   Size      Name\n" + dashes +
                        "\n" +
                        "1  Yes  NTFS              2048        3047    512 kb    SYSTEM\n"
                        "12 Not  free space        3048       99999     49 Mb         -\n"
                        "3  Not  FAT16 Mirr2123456789012345           1         1VERYLONGNAME\n");
}

} // namespace
} // namespace mrv::views
