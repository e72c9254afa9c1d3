// The partition viewer on the virtual PC: the MBR and EBR chain walk, the MBR
// copy file, the free-space row, volume names, the list's menu and the link to
// the sector editor.

#include "identify/format_capacity.h"
#include "views_fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

namespace fs = std::filesystem;
using views::SectorBytes;

std::string Size(uint64_t sectors)
{
    return FormatCapacity(512, sectors);
}

TEST_F(ViewsTest, OnePrimaryPartitionAndTheFreeSpaceBehindIt)
{
    Start();
    const SectorBytes mbr = Table({{0x80, 0x07, 2048, 1000}});
    Write(0, mbr);
    TakePassport();
    EXPECT_EQ(fm().PartBtn.Caption(), "View part data");
    fm().KeyDown(form::Key::F6);

    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 3);
    EXPECT_TRUE(fixture->Logged("Partinion analizer v1.1"));
    ASSERT_EQ(fm().PartList.RowCount(), 2);
    EXPECT_EQ(Row(0), "1 | Yes | NTFS | 2048 | 3047 | " + Size(1000) + " |  -");
    EXPECT_EQ(Row(1), "2 | Not | free space | 3048 | 99999 | " + Size(kDiskSectors - 3048) + " |  -");
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kLime);

    // The MBR copy is named after the serial number and replaced at every run.
    const fs::path copy = p().LogsDir() / "VW0001.mbr";
    ASSERT_TRUE(fs::exists(copy));
    std::ifstream in(copy, std::ios::binary);
    SectorBytes saved{};
    in.read(reinterpret_cast<char*>(saved.data()), saved.size());
    EXPECT_EQ(saved, mbr);
    EXPECT_EQ(fs::file_size(copy), 512u);
}

TEST_F(ViewsTest, ExtendedChainIsFollowedRelativeToTheFirstExtendedPartition)
{
    Start();
    // The primary table stops at its link: the NTFS entry after it is not listed.
    Write(0, Table({{0x00, 0x83, 2048, 2048}, {0x00, 0x05, 10000, 80000}, {0x80, 0x07, 95000, 100}}));
    // Logical partitions start relative to their own EBR; links relative to 10000.
    Write(10000, Table({{0x00, 0x06, 63, 1000}, {0x00, 0x05, 5000, 3000}}));
    Write(15000, Table({{0x00, 0x0B, 63, 500}, {0x00, 0x0F, 20000, 100}}));
    Write(30000, Table({{0x00, 0x82, 2048, 4096}}));
    SectorBytes label{};
    std::memcpy(&label[71], "DATA       ", 11);
    Write(15063, label);
    TakePassport();
    fm().PartBtn.Click();

    ASSERT_EQ(fm().PartList.RowCount(), 5);
    EXPECT_EQ(Row(0), "1 | Not | Linux | 2048 | 4095 | " + Size(2048) + " |  -");
    EXPECT_EQ(Row(1), "2 | Not | FAT-16 New | 10063 | 11062 | " + Size(1000) + " |  -");
    EXPECT_EQ(Row(2), "3 | Not | FAT-32 | 15063 | 15562 | " + Size(500) + " | DATA");
    EXPECT_EQ(Row(3), "4 | Not | Linux swap | 32048 | 36143 | " + Size(4096) + " |  -");
    EXPECT_EQ(Row(4), "5 | Not | free space | 36144 | 99999 | " + Size(kDiskSectors - 36144) + " |  -");
    EXPECT_TRUE(fixture->Logged("Found abstract MBR, LBA 10000"));
    EXPECT_TRUE(fixture->Logged("Found abstract MBR, LBA 5000"));
    EXPECT_TRUE(fixture->Logged("Found abstract MBR, LBA 20000"));

    // Without names and without the passport analysis: no labels, no free space.
    fm().PartGetNameChk.SetChecked(false);
    fm().PartAnalPassChk.SetChecked(false);
    fm().PartBtn.Click();
    ASSERT_EQ(fm().PartList.RowCount(), 4);
    EXPECT_EQ(fm().PartList.Cell(2, 7), " -");
}

TEST_F(ViewsTest, UnknownBootByteListsARowOfZerosAndKeepsTheNumber)
{
    Start();
    Write(0, Table({{0x01, 0x07, 2048, 1000}, {0x80, 0x0C, 4000, 1000}}));
    TakePassport();
    fm().PartBtn.Click();
    ASSERT_EQ(fm().PartList.RowCount(), 3);
    EXPECT_EQ(Row(0), "1 | Unk | Unknown | 0 | 0 | 0 |  -");
    EXPECT_EQ(Row(1), "1 | Yes | FAT-32 | 4000 | 4999 | " + Size(1000) + " |  -");
    EXPECT_EQ(fm().PartList.Cell(2, 1), "2");
}

TEST_F(ViewsTest, AChainThatLoopsBackEnds)
{
    Start();
    Write(0, Table({{0x00, 0x05, 10000, 80000}}));
    // The second EBR links back to the first.
    Write(10000, Table({{0x00, 0x83, 63, 100}, {0x00, 0x05, 5000, 1000}}));
    Write(15000, Table({{0x00, 0x83, 63, 100}, {0x00, 0x05, 0, 1000}}));
    TakePassport();
    fm().PartBtn.Click();
    EXPECT_EQ(fm().PartList.RowCount(), 3); // two partitions and the free space
    EXPECT_TRUE(fixture->Logged("Extended partition chain loops back to LBA 10000"));

    // An EBR that links to itself ends at once too.
    Write(10000, Table({{0x00, 0x83, 63, 100}, {0x00, 0x05, 0, 1000}}));
    fm().PartBtn.Click();
    EXPECT_EQ(fm().PartList.RowCount(), 2);
}

TEST_F(ViewsTest, EntriesPastTheEndOfTheDisk)
{
    Start();
    // A partition reaching past the end is listed as it stands, with no free space after it.
    Write(0, Table({{0x00, 0x83, 90000, 20000}}));
    TakePassport();
    fm().PartBtn.Click();
    ASSERT_EQ(fm().PartList.RowCount(), 1);
    EXPECT_EQ(Row(0), "1 | Not | Linux | 90000 | 109999 | " + Size(20000) + " |  -");

    // A link past the end cannot be read: the walk ends with the read error.
    Write(0, Table({{0x00, 0x83, 2048, 100}, {0x00, 0x05, 200000, 100}}));
    fm().PartBtn.Click();
    EXPECT_TRUE(fixture->Logged("Error reading sector 200000: out of range!"));
    EXPECT_TRUE(fixture->Logged("Error reading boot sector"));
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kGray);
    EXPECT_EQ(fm().PartList.RowCount(), 1);
}

TEST_F(ViewsTest, EmptyAndUnreadableMbr)
{
    Start("Unreadable=0\n");
    TakePassport();
    fm().PartBtn.Click();
    EXPECT_TRUE(fixture->Logged("Error reading sector 0"));
    EXPECT_FALSE(fixture->Logged("Error reading sector 0: out of range!"));
    EXPECT_TRUE(fixture->Logged("Error reading boot sector"));
    EXPECT_FALSE(fixture->Logged("Boot sector not found"));
}

TEST_F(ViewsTest, BlankDiskHasNoBootSectorAndAGreyLamp)
{
    Start();
    TakePassport();
    fm().PartBtn.Click();
    EXPECT_TRUE(fixture->Logged("Boot sector not found"));
    EXPECT_EQ(fm().PartList.RowCount(), 0);
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kGray);
}

TEST_F(ViewsTest, MenuCopiesAndClearsTheListAndARowPositionsTheEditor)
{
    Start();
    Write(0, Table({{0x80, 0x07, 2048, 1000}}));
    SectorBytes boot{};
    boot[0] = 0xEB;
    Write(2048, boot);
    TakePassport();
    fm().PartBtn.Click();

    ASSERT_TRUE(fm().PartMenu.Choose(0));
    const std::string& text = fixture->dialogs.clipboard;
    EXPECT_NE(text.find("1  Yes  NTFS              2048        3047"), std::string::npos) << text;
    EXPECT_NE(text.find("2  Not  free space        3048       99999"), std::string::npos) << text;

    // Without the option a selected row leaves the editor alone.
    fm().PartList.SelectRow(0);
    EXPECT_EQ(fm().HexeditIn.Text(), "63");
    fm().AdvSyncHexPV.SetChecked(true);
    fm().PartList.SelectRow(0);
    EXPECT_EQ(fm().HexeditIn.Text(), "2048");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 2048");
    EXPECT_EQ(fm().HexE.Data()[0], 0xEB);

    ASSERT_TRUE(fm().PartMenu.Choose(1));
    EXPECT_EQ(fm().PartList.RowCount(), 0);
}

TEST_F(ViewsTest, F6DoesNothingBeforeAPassport)
{
    Start();
    fm().KeyDown(form::Key::F6);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 0);
    EXPECT_FALSE(fixture->Logged("Partinion analizer"));
    EXPECT_EQ(fm().PartBtn.Caption(), "First get passport!");
}

} // namespace
} // namespace mrv::test
