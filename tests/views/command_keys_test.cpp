// The function keys and their conditions, and the hints switch.

#include "views_fixture.h"

#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

TEST_F(ViewsTest, F3ResetsOnlyInPioMode)
{
    Start();
    int resets = 0;
    fm().ResetBtn.OnClick = [&] { ++resets; };
    fm().KeyDown(form::Key::F3);
    EXPECT_EQ(resets, 1);
    fm().APIRg.SetItemIndex(0);
    ASSERT_EQ(p().state.access_mode, AccessMode::Api);
    fm().KeyDown(form::Key::F3);
    EXPECT_EQ(resets, 1);
}

TEST_F(ViewsTest, F2DuringATestOnlySwitchesTheTab)
{
    Start();
    fm().MainPage.SetActivePageIndex(3);
    fm().PasspBtn.SetEnabled(false); // as a running test leaves it
    fm().KeyDown(form::Key::F2);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 0);
    EXPECT_FALSE(fixture->Logged("Get passport"));
    fm().PasspBtn.SetEnabled(true);
    fm().KeyDown(form::Key::F2);
    EXPECT_TRUE(fixture->Logged("Get passport... OK"));
}

TEST_F(ViewsTest, KeysThatPressAButtonOfTheirTab)
{
    Start();
    int scans = 0, seeks = 0, smarts = 0;
    fm().ScanStartBtn.OnClick = [&] { ++scans; };
    fm().SeekBtn.OnClick = [&] { ++seeks; };
    fm().SmartBtn.OnClick = [&] { ++smarts; };
    fm().KeyDown(form::Key::F4);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 2);
    EXPECT_EQ(fm().Focused(), &fm().Qn);
    fm().KeyDown(form::Key::F5);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 0);
    fm().KeyDown(form::Key::F9);
    EXPECT_EQ(fm().MainPage.ActivePageIndex(), 1);
    EXPECT_EQ(scans + seeks + smarts, 3);
    // A disabled button is not pressed.
    fm().ScanStartBtn.SetEnabled(false);
    fm().KeyDown(form::Key::F4);
    EXPECT_EQ(scans, 1);
}

TEST_F(ViewsTest, HintsSwitchAndTheOtherWindowsKeys)
{
    Start();
    fm().HintsChk.SetChecked(true);
    EXPECT_TRUE(fm().ShowHints());
    fm().HintsChk.SetChecked(false);
    EXPECT_FALSE(fm().ShowHints());
    fm().KeyDown(form::Key::F7);
    EXPECT_TRUE(p().logfm.Visible());
    fm().KeyDown(form::Key::F1);
    EXPECT_TRUE(p().about.Visible());
    EXPECT_EQ(p().about.Caption(), fm().Caption() + " Help");
}

} // namespace
} // namespace mrv::test
