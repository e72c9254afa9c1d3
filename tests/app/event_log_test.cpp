#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace mrv::test
{
namespace
{

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class EventLogTest : public ::testing::Test
{
  protected:
    void SetUp() override { f.Start(); }
    form::ListView& list() { return f.fm().StringLog; }
    EventLog& log() { return f.impl().log; }
    form::Colour TextColour(int row) { return list().CellColour(row, 3); }
    TestPlatform pc;
    ProgramFixture f{pc.platform};
};

TEST_F(EventLogTest, ReplaceOnEmptyListAddsAndColoursFollowLevels)
{
    list().ClearRows();
    log().LogLine("Waiting of readiness...", true, 1);
    ASSERT_EQ(list().RowCount(), 1);
    log().LogLine("SMART status = GOOD", false, 2);
    log().LogLine("plain", false, 0);
    log().LogLine("later", false, 1);
    EXPECT_EQ(TextColour(1), form::Colour::FromColorRef(0x008000));
    EXPECT_EQ(TextColour(2), form::colours::kBlack);
    EXPECT_EQ(TextColour(3), form::Colour::FromColorRef(0xFF0000)); // the last plain line is blue
    log().LogLine("Waiting of readiness... Drive not ready!", true, 4);
    EXPECT_EQ(list().RowCount(), 4);
    EXPECT_EQ(list().Cell(3, 3), "Waiting of readiness... Drive not ready!");
    EXPECT_EQ(list().Cell(3, 2), "4");
    EXPECT_EQ(TextColour(3), form::Colour::FromColorRef(0x0000FF));
    log().LogLine("Get passport... OK", true, 2);
    EXPECT_EQ(TextColour(3), form::Colour::FromColorRef(0x008000));
    EXPECT_EQ(list().Cell(3, 1).size(), 8u);
    EXPECT_EQ(list().CellColour(3, 1), form::colours::kBlack); // the time column keeps the default colour
}

TEST_F(EventLogTest, RepeatedLineReachesFileOnceAndPanelTwice)
{
    int before = list().RowCount();
    log().LogLine("same line", false, 1);
    log().LogLine("same line", false, 1);
    EXPECT_EQ(list().RowCount(), before + 2);
    std::string file = ReadText(log().LogFilePath);
    EXPECT_EQ(file.find(" : same line"), file.rfind(" : same line"));
    EXPECT_NE(file.find(" : same line"), std::string::npos);
}

TEST_F(EventLogTest, PanelEmptiesAfterTheThousandAndFirstLine)
{
    list().ClearRows();
    for (int i = 1; i <= 1000; ++i)
        log().LogLine("line " + std::to_string(i), false, 1);
    EXPECT_EQ(list().RowCount(), 1000);
    log().LogLine("line 1001", false, 1);
    EXPECT_EQ(list().RowCount(), 0);
}

TEST_F(EventLogTest, ForbiddenFileNameDisablesMirrorSilently)
{
    std::filesystem::remove(log().LogFilePath);
    f.fm().LogFileEdit.SetText("\"*?<>|");
    log().LogLine("not mirrored", false, 1);
    EXPECT_EQ(f.fm().LogFileEdit.Text(), "");
    EXPECT_FALSE(std::filesystem::exists(log().LogFilePath));
    EXPECT_TRUE(f.dialogs.asked.empty());
}

TEST_F(EventLogTest, ShowLogShowsCompleteTailLines)
{
    std::filesystem::path path = log().LogFilePath;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(2000, 'x') << "\nA\nB\n";
    log().ShowLog();
    EXPECT_TRUE(f.impl().logfm.Visible());
    EXPECT_EQ(f.impl().logfm.Caption(), "Eventlog");
    EXPECT_EQ(f.impl().logfm.LogMemo.Lines(), (std::vector<std::string>{"A", "B"}));

    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(1500, 'y');
    log().ShowLog();
    EXPECT_TRUE(f.impl().logfm.LogMemo.Lines().empty());

    std::filesystem::remove(path);
    f.fm().KeyDown(form::Key::F7);
    EXPECT_EQ(f.impl().logfm.LogMemo.Lines(),
              std::vector<std::string>{"File " + path.string() + " not found!"});
}

TEST_F(EventLogTest, MenuCopiesValuesSelectionAndSavesTheLog)
{
    list().ClearRows();
    log().LogLine("Model: X; Capacity: 1953525168 LBAs", false, 1);
    log().LogLine("no digits here", false, 1);
    auto& menu = f.fm().LogMenu;
    list().SelectRow(0);
    menu.Open();
    EXPECT_EQ(menu.Items()[2].caption, "Copy value: 1953525168");
    ASSERT_TRUE(menu.Choose(2));
    EXPECT_EQ(f.dialogs.clipboard, "1953525168");
    list().SelectRow(1);
    menu.Open();
    EXPECT_EQ(menu.Items()[2].caption, "Copy value");
    EXPECT_FALSE(menu.Choose(2));

    ASSERT_TRUE(menu.Choose(0));
    ASSERT_TRUE(menu.Choose(1));
    EXPECT_NE(f.dialogs.clipboard.find(" : Model: X; Capacity: 1953525168 LBAs\n"), std::string::npos);
    EXPECT_NE(f.dialogs.clipboard.find(" : no digits here\n"), std::string::npos);

    std::filesystem::path saved = f.home() / "saved.txt";
    f.dialogs.file_answers.push_back(saved.string());
    ASSERT_TRUE(menu.Choose(3));
    EXPECT_EQ(f.dialogs.asked.back(), "save: mrvlog.txt");
    std::string text = ReadText(saved);
    EXPECT_EQ(text.rfind(f.fm().Caption() + " log file. 09.12.2026\n", 0), 0u) << text;
    EXPECT_NE(text.find(" : no digits here\n"), std::string::npos);

    ASSERT_TRUE(menu.Choose(4));
    ASSERT_EQ(list().RowCount(), 1);
    EXPECT_EQ(list().Cell(0, 3), "");
    // A cleared line is saved as nothing.
    f.dialogs.file_answers.push_back(saved.string());
    menu.Choose(3);
    std::string after = ReadText(saved);
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 1);
}

TEST_F(EventLogTest, ClearFileTruncatesTheLogFile)
{
    log().LogLine("something", false, 1);
    ASSERT_GT(std::filesystem::file_size(log().LogFilePath), 0u);
    f.fm().ClearFileBtn.Click();
    EXPECT_EQ(std::filesystem::file_size(log().LogFilePath), 0u);
}

} // namespace
} // namespace mrv::test
