// The MBR switch: signature off and on, nothing written when the signature is
// already there, write errors, and the system-disk question.

#include "views_fixture.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

using views::SectorBytes;

TEST_F(ViewsTest, OffThenOnRestoresTheSectorByteForByte)
{
    Start();
    SectorBytes mbr = Table({{0x80, 0x07, 2048, 1000}});
    mbr[0] = 0x33;
    mbr[1] = 0xC0;
    Write(0, mbr);
    TakePassport();

    fm().RzBitBtn12.Click();
    EXPECT_TRUE(fixture->Logged("Switch MBR OFF command"));
    EXPECT_TRUE(fixture->Logged("Signature AA55h found... Complete"));
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kRed);
    SectorBytes off = mbr;
    views::SetBootSignature(off, 0x88CC);
    EXPECT_EQ(Read(0), off);
    EXPECT_TRUE(fixture->dialogs.asked.empty()); // PIO mode: no system-disk question

    fm().RzBitBtn30.Click();
    EXPECT_TRUE(fixture->Logged("Switch MBR ON command"));
    EXPECT_TRUE(fixture->Logged("Signature 88CCh found... Complete"));
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kLime);
    EXPECT_EQ(Read(0), mbr);
}

TEST_F(ViewsTest, OffOnAnOffSignatureWritesNothing)
{
    // Any write to LBA 0 would fail: "Complete" shows none was tried.
    Start("WriteFail=0\n");
    Write(0, Table({{0x80, 0x07, 2048, 1000}}, 0x88CC));
    TakePassport();
    fm().RzBitBtn12.Click();
    EXPECT_TRUE(fixture->Logged("Signature 88CCh found... Complete"));
    EXPECT_FALSE(fixture->Logged("Error writing MBR"));

    fm().RzBitBtn30.Click();
    EXPECT_TRUE(fixture->Logged("Signature 88CCh found... Error writing MBR"));
    EXPECT_EQ(views::BootSignature(Read(0)), 0x88CC);
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kRed); // as the OFF left it
}

TEST_F(ViewsTest, UnreadableMbrAndMissingDriveAbort)
{
    Start("Unreadable=0\n");
    TakePassport();
    fm().RzBitBtn12.Click();
    EXPECT_TRUE(fixture->Logged("Error reading MBR"));

    // Without a drive the passport fails first.
    disk().PowerOff();
    fm().RzBitBtn30.Click();
    EXPECT_TRUE(fixture->Logged("Drive is corrupted! Process aborted"));
}

TEST_F(ViewsTest, SystemDiskQuestionInApiMode)
{
    // Physical drive 1 holds the system's mounted file systems.
    Start("OsInUse=mounted\n", true, 1);
    ASSERT_EQ(p().state.access_mode, AccessMode::Api);
    Write(0, Table({{0x80, 0x07, 2048, 1000}}));
    TakePassport();
    const SectorBytes before = Read(0);

    fixture->dialogs.yes_no_answers = {false};
    fm().RzBitBtn12.Click();
    ASSERT_EQ(fixture->dialogs.asked.size(), 1u);
    EXPECT_EQ(fixture->dialogs.asked[0], "ask: Warning: !!! WARNING! DEACTIVATED SYSTEM DISK ???");
    EXPECT_FALSE(fixture->Logged("Switch MBR OFF command"));
    EXPECT_EQ(Read(0), before);

    fixture->dialogs.yes_no_answers = {true};
    fm().RzBitBtn12.Click();
    EXPECT_EQ(views::BootSignature(Read(0)), 0x88CC);
    // "MBR ON" never asks.
    fm().RzBitBtn30.Click();
    EXPECT_EQ(fixture->dialogs.asked.size(), 2u);
    EXPECT_EQ(Read(0), before);
}

TEST_F(ViewsTest, SystemDiskRulesOfTheTarget)
{
    Start("", true, 1);
    SharedState& st = p().state;
    EXPECT_FALSE(p().ops.TargetIsSystemDisk()); // drive 1, nothing of the system on it
    st.ApiDeviceIndex = 0;
    EXPECT_TRUE(p().ops.TargetIsSystemDisk());
    st.ApiDeviceIndex = -1;
    st.ApiDriveLetter = 'c';
    EXPECT_TRUE(p().ops.TargetIsSystemDisk());
    st.ApiDriveLetter = 'F';
    EXPECT_FALSE(p().ops.TargetIsSystemDisk());
    st.access_mode = AccessMode::Pio;
    st.ApiDeviceIndex = 0;
    EXPECT_FALSE(p().ops.TargetIsSystemDisk());
}

} // namespace
} // namespace mrv::test
