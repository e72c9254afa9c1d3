// The sector editor: reading by number, unit and percentage, the clamp to the
// last sector, errors, editing and saving with the read-back, and the fold of
// the partition viewer.

#include "views_fixture.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

using views::SectorBytes;

SectorBytes Pattern(uint8_t seed)
{
    SectorBytes s{};
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<uint8_t>(seed + i);
    return s;
}

TEST_F(ViewsTest, EditorStartsEmptyAndWaitsForAPassport)
{
    Start();
    EXPECT_EQ(fm().HexE.Data(), std::vector<uint8_t>(512, 0));
    EXPECT_EQ(fm().Label6.Caption(), "Press 'Passport'");
    EXPECT_EQ(fm().HexeditIn.Text(), "63");
    EXPECT_FALSE(fm().HexEOppenBtn.Enabled());
    EXPECT_FALSE(fm().HexESaveBtn.Enabled());
    TakePassport();
    EXPECT_EQ(fm().Label6.Caption(), "Press 'Open'");
    EXPECT_TRUE(fm().HexEOppenBtn.Enabled());
    // A change of the access mode asks for a new passport.
    fm().APIRg.SetItemIndex(0);
    EXPECT_FALSE(fm().HexEOppenBtn.Enabled());
    EXPECT_FALSE(fm().HexESaveBtn.Enabled());
}

TEST_F(ViewsTest, ReadsByNumberUnitAndPercentAndClampsToTheLastSector)
{
    Start("Unreadable=500\n");
    Write(2048, Pattern(1));
    Write(50000, Pattern(2));
    Write(kDiskSectors - 1, Pattern(3));
    TakePassport();

    fm().HexeditIn.SetText("1M");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 2048");
    EXPECT_EQ(fm().HexE.Data()[5], 6);
    fm().HexeditIn.SetText("50%");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 50000");
    EXPECT_EQ(fm().HexE.Data()[5], 7);

    fm().HexeditIn.SetText("99999999999");
    EXPECT_EQ(fm().HexeditIn.Text(), "99999");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 99999");
    EXPECT_EQ(fm().HexE.Data()[5], 8);
    // A size beyond 64 bits is beyond the drive as well.
    fm().HexeditIn.SetText("99999999999999999999999");
    EXPECT_EQ(fm().HexeditIn.Text(), "99999");

    fm().HexeditIn.SetText("500");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 500 Err");
    EXPECT_EQ(fm().Label6.FontColour(), form::colours::kRed);
    EXPECT_EQ(fm().HexE.Data(), std::vector<uint8_t>(512, 0));
    fm().HexeditIn.SetText("2048");
    EXPECT_EQ(fm().Label6.FontColour(), form::colours::kBlack);
}

TEST_F(ViewsTest, OpenEditSaveAndReadBack)
{
    Start();
    Write(0, Pattern(0x40));
    TakePassport();
    fm().HexEOppenBtn.Click();
    EXPECT_EQ(fm().HexeditIn.Text(), "00");
    EXPECT_EQ(fm().Label6.Caption(), "Sec 0");
    EXPECT_TRUE(fm().HexESaveBtn.Enabled());

    ASSERT_TRUE(fm().HexE.EditByte(3, 0xDE));
    ASSERT_TRUE(fm().HexE.EditByte(511, 0xAD));
    EXPECT_TRUE(fm().HexE.Edited(3));
    fm().HexESaveBtn.Click();
    SectorBytes want = Pattern(0x40);
    want[3] = 0xDE;
    want[511] = 0xAD;
    EXPECT_EQ(Read(0), want);
    EXPECT_EQ(fm().Label6.Caption(), "Sec 0");
    EXPECT_EQ(fm().Label6.FontColour(), form::colours::kBlack);
    // The view shows what was read back, as read.
    EXPECT_FALSE(fm().HexE.Edited(3));
    EXPECT_EQ(fm().HexE.Data()[3], 0xDE);
}

TEST_F(ViewsTest, RefusedWriteIsAnErrorEvenWhenTheReadBackWorks)
{
    Start("WriteFail=7\n");
    Write(7, Pattern(1));
    TakePassport();
    fm().HexeditIn.SetText("7");
    fm().HexE.EditByte(0, 0xFF);
    fm().HexESaveBtn.SetEnabled(true);
    fm().HexESaveBtn.Click();
    EXPECT_EQ(fm().Label6.Caption(), "Sec 7 Err");
    EXPECT_EQ(fm().Label6.FontColour(), form::colours::kRed);
    EXPECT_EQ(Read(7), Pattern(1));
    EXPECT_EQ(fm().HexE.Data()[0], 1); // the read-back shows the sector unchanged
}

TEST_F(ViewsTest, DoubleClickFoldsThePartitionViewerAway)
{
    Start();
    const int editor = fm().HexE.Geometry().height;
    fm().HexE.OnDblClick();
    EXPECT_EQ(fm().PartBox.Geometry().height, 0);
    EXPECT_FALSE(fm().PartBox.Visible());
    EXPECT_GT(fm().HexE.Geometry().height, editor);
    fm().HexE.OnDblClick();
    EXPECT_EQ(fm().PartBox.Geometry().height, kPartBoxHeight);
    EXPECT_TRUE(fm().PartBox.Visible());
    EXPECT_EQ(fm().HexE.Geometry().height, editor);
}

} // namespace
} // namespace mrv::test
