#include "form/controls.h"
#include "form/timer_pump.h"

#include <gtest/gtest.h>

namespace mrv::form
{
namespace
{

struct TestWindow : Window {
    TestWindow() : Window("W") {}
    PageControl pages{"Pages", this};
    TabSheet first{"First", &pages};
    TabSheet second{"Second", &pages};
    CheckBox box{"Box", &second};
    ComboBox combo{"Combo", &first};
    Timer fast{"Fast", this};
    Timer slow{"Slow", this};
};

TEST(Controls, ProgrammaticChangesFireTheUserEventOnlyOnChange)
{
    TestWindow w;
    int clicks = 0, changes = 0;
    w.box.OnClick = [&] { ++clicks; };
    w.box.SetChecked(true);
    w.box.SetChecked(true);
    w.box.Click();
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(w.box.Checked());

    w.combo.SetItems({" Primary", "Secondary", " Custom"});
    w.combo.OnChange = [&] { ++changes; };
    w.combo.SetText("Secondary");
    EXPECT_EQ(w.combo.ItemIndex(), 1);
    w.combo.SetItemIndex(1);
    EXPECT_EQ(changes, 1);
    w.combo.SetText("typed");
    EXPECT_EQ(w.combo.ItemIndex(), -1);
    EXPECT_EQ(changes, 2);
}

TEST(Controls, TreeLookupAndShowingFollowTheActivePage)
{
    TestWindow w;
    w.Show();
    EXPECT_EQ(w.Find("Box"), &w.box);
    EXPECT_EQ(w.box.OwnerWindow(), &w);
    EXPECT_FALSE(w.box.Showing());
    w.pages.SetActivePageIndex(1);
    EXPECT_TRUE(w.box.Showing());
    w.second.SetVisible(false);
    EXPECT_FALSE(w.box.Showing());
}

TEST(Controls, ObserverHearsEveryVisibleChange)
{
    TestWindow w;
    std::vector<Aspect> heard;
    w.box.SetObserver([&](Control&, Aspect a) { heard.push_back(a); });
    w.box.SetCaption("x");
    w.box.SetCaption("x");
    w.box.SetEnabled(false);
    w.box.SetFontColour(colours::kRed);
    EXPECT_EQ(heard, (std::vector<Aspect>{Aspect::Caption, Aspect::Enabled, Aspect::Colours}));
}

TEST(Controls, ListViewSelectionAndCellColours)
{
    ListView list("L", nullptr);
    list.AddRow({"a", "b"});
    list.AddRow({"c"});
    EXPECT_EQ(list.Cell(1, 1), "");
    EXPECT_EQ(list.Cell(5, 0), "");
    int selected = -2;
    list.OnSelectItem = [&](int row) { selected = row; };
    list.SelectRow(1);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(list.ItemIndex(), 1);
    list.OnCustomDrawCell = [](int row, int) -> std::optional<Colour> {
        return row == 0 ? std::optional<Colour>(colours::kRed) : std::nullopt;
    };
    EXPECT_EQ(list.CellColour(0, 0), colours::kRed);
    EXPECT_EQ(list.CellColour(1, 0), list.FontColour());
}

TEST(TimerPump, FiresDueTimersAtTheirIntervals)
{
    TestWindow w;
    TimerPump pump;
    pump.AddWindow(&w);
    int fast = 0, slow = 0;
    w.fast.SetInterval(20);
    w.slow.SetInterval(1000);
    w.fast.OnTimer = [&] { ++fast; };
    w.slow.OnTimer = [&] {
        ++slow;
        w.fast.SetActive(false); // a handler may stop another timer
    };
    w.fast.SetActive(true);
    w.slow.SetActive(true);
    EXPECT_EQ(pump.NextDueIn(0), 20u);
    for (uint64_t now = 0; now <= 1000; ++now)
        pump.RunDue(now);
    EXPECT_EQ(slow, 1);
    EXPECT_EQ(fast, 50); // at 20, 40, ... 1000; then stopped by the slow one
    EXPECT_FALSE(w.fast.Active());
}

} // namespace
} // namespace mrv::form
