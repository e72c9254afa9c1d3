// The program on the machine's real block devices: loop devices listed,
// identified and opened by number while they are detached and attached under
// it. Needs root and working loop devices; elsewhere the tests skip and say why.

#include "access/api_device_list.h"
#include "identify/format_capacity.h"
#include "loop_program.h"

#include <string>

namespace mrv::test
{
namespace
{

using linux_test::LoopImage;

TEST_F(LoopProgram, ExactSizesOfDevicesThatAreNoWholeCylinders)
{
    std::string why_not;
    // 53 MiB of 4096-byte sectors: 13568 of them, 6.6 cylinders of 64 × 32.
    LoopImage big_sectors(53u << 20, {.sector_size = 4096}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    // 93184 sectors of 512 bytes: 45.5 cylinders.
    LoopImage odd(93184u * 512, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    Start();

    const int big_row = RowOf(big_sectors);
    ASSERT_GE(big_row, 0);
    EXPECT_EQ(fm().ApiList.Cell(big_row, kApiSize), FormatCapacity(4096, 13568));
    EXPECT_EQ(fm().ApiList.Cell(big_row, kApiNote), "Virtual drive, sector=4096 B");
    EXPECT_EQ(fm().ApiList.Cell(big_row, kApiKind), "0");
    Select(big_row);
    EXPECT_TRUE(fx->Logged("Capacity: 13568 LBAs")) << testing::PrintToString(fx->LoggedTexts());
    EXPECT_EQ(fm().EndLbaEdit.Text(), "13567");
    // The passport calls it what the list calls it.
    EXPECT_EQ(fx->impl().state.passport.NonAtaFeatures, "Non ATA, HDD, Virtual");
    EXPECT_EQ(fm().LabelVirtual.Caption(), "Virtual");
    EXPECT_EQ(fm().ScBlockSizeBox.Text(), "256");

    const int odd_row = RowOf(odd);
    ASSERT_GE(odd_row, 0);
    EXPECT_EQ(fm().ApiList.Cell(odd_row, kApiSize), FormatCapacity(512, 93184));
    EXPECT_EQ(fm().ApiList.Cell(odd_row, kApiNote), "Virtual drive");
    Select(odd_row);
    EXPECT_TRUE(fx->Logged("Capacity: 93184 LBAs")) << testing::PrintToString(fx->LoggedTexts());
}

TEST_F(LoopProgram, TheSelectedNumberNeverOpensAnotherDisk)
{
    std::string why_not;
    LoopImage small(8u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    LoopImage middle(16u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    LoopImage large(24u << 20, {}, why_not);
    if (!why_not.empty()) GTEST_SKIP() << why_not;
    Start();

    const int row = RowOf(middle);
    ASSERT_GE(row, 0);
    const std::string number = std::to_string(row);
    Select(row);
    ASSERT_TRUE(fx->Logged("Capacity: 32768 LBAs")) << testing::PrintToString(fx->LoggedTexts());

    // A drive listed before it goes: the number still reaches the same disk.
    small.Detach();
    Passport();
    EXPECT_TRUE(fx->Logged("Capacity: 32768 LBAs")) << testing::PrintToString(fx->LoggedTexts());

    // The disk goes: the open fails and says why.
    const std::string node = middle.device();
    const std::string name = middle.name();
    middle.Detach();
    Passport();
    EXPECT_TRUE(fx->Logged("Unable to open physical drive #" + number + ": " + name +
                           " has gone since the device list was read"))
        << testing::PrintToString(fx->LoggedTexts());
    EXPECT_TRUE(fx->Logged("Get drive passport: Drive error!"));
    EXPECT_FALSE(fx->Logged("Capacity:"));

    // Another disk in its place is not taken for it either.
    large.Detach();
    // Another test or program may take the freed device first.
    if (!middle.AttachInstead(large, node)) GTEST_SKIP() << node << " was taken by someone else meanwhile";
    Passport();
    EXPECT_TRUE(fx->Logged("Unable to open physical drive #" + number + ": " + name +
                           " is another device since the device list was read"))
        << testing::PrintToString(fx->LoggedTexts());
    EXPECT_FALSE(fx->Logged("Capacity:"));

    // A click on a column header reads the list again: now it is that disk.
    fm().ApiList.ClickColumn(0);
    const int again = RowOf(middle);
    ASSERT_GE(again, 0);
    Select(again);
    EXPECT_TRUE(fx->Logged("Capacity: 49152 LBAs")) << testing::PrintToString(fx->LoggedTexts());
}

} // namespace
} // namespace mrv::test
