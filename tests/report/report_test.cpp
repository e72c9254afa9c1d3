#include "report/drive_report.h"
#include "report/json_schema_check.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "support/program_fixture.h"
#include "ui/console/console_driver.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace mrv::test
{
namespace
{

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Json Schema()
{
    return JsonReader(ReadText(MRV_SOURCE_DIR "/docs/report-schema.json")).Read();
}

TEST(DriveReport, JsonFollowsItsSchemaAndKeepsEveryCharacter)
{
    // Texts from the drive may hold quotes, back-slashes and control bytes.
    DriveReport r;
    r.program = "Morvanta 4.4";
    r.generated = "2026-12-09 10:00:00";
    r.model = "WDC \"Black\" \\ 2TB";
    r.serial = std::string("SN\x01\t1", 5);
    r.passport =
        std::vector<PassportReportRow>{{"Model:", r.model, ""}, {"Sector:", "Logic 512 bytes", "Phys 4096"}};
    r.smart = std::vector<SmartReportRow>{{"5", "Reallocated sectors count", "100", "100", "5", "0", "OK"}};

    const Json json = JsonReader(ReportJson(r)).Read();
    EXPECT_EQ(SchemaViolations(json, Schema()), "");
    EXPECT_EQ(json.Field("drive")->Field("model")->text, r.model);
    EXPECT_EQ(json.Field("drive")->Field("serial")->text, r.serial);
    ASSERT_EQ(json.Field("passport")->items.size(), 2u);
    EXPECT_EQ(json.Field("passport")->items[1].Field("comment")->text, "Phys 4096");
    EXPECT_EQ(json.Field("smart")->items[0].Field("threshold")->text, "5");

    // Without a passport or a SMART table the keys are absent, not empty.
    DriveReport bare;
    const Json empty = JsonReader(ReportJson(bare)).Read();
    EXPECT_EQ(SchemaViolations(empty, Schema()), "");
    EXPECT_EQ(empty.Field("passport"), nullptr);
    EXPECT_EQ(empty.Field("smart"), nullptr);
}

TEST(DriveReport, TheSchemaCheckCatchesWrongReports)
{
    // The checker must fail what the schema forbids, or the test above proves nothing.
    const Json schema = Schema();
    EXPECT_NE(SchemaViolations(JsonReader(R"({"format":"morvanta-report","version":1})").Read(), schema), "");
    const std::string extra = R"({"format":"morvanta-report","version":1,"program":"","generated":"",)"
                              R"("drive":{"model":"","serial":"","firmware":"","capacity":""},"colour":1})";
    EXPECT_NE(SchemaViolations(JsonReader(extra).Read(), schema).find("unknown key colour"),
              std::string::npos);
}

TEST(DriveReport, HtmlEscapesTheDrivesTexts)
{
    DriveReport r;
    r.model = "<script>alert(1)</script> & Co";
    r.passport = std::vector<PassportReportRow>{{"Model:", r.model, ""}};
    const std::string html = ReportHtml(r);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; Co"), std::string::npos);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

TEST(DriveReport, TheConsoleSavesThePassportAndSmartOfTheLabDrive)
{
    TempDir dir;
    std::ofstream(dir.Path() / "report.mrv") << "key F2\n"
                                                "expectlog Model:\n"
                                                "key F9\n"
                                                "save report " +
                                                    (dir.Path() / "r.json").string() + "\nsave report " +
                                                    (dir.Path() / "r.html").string() + "\nquit\n";
    std::ofstream(dir.Path() / "bad.mrv") << "save report " + (dir.Path() / "r.txt").string() + "\n";
    std::string error;
    sim::LabOptions options;
    options.clock = sim::ClockMode::Virtual;
    auto pc = sim::LoadLab(MRV_SOURCE_DIR "/labs/default.ini", error, options);
    ASSERT_TRUE(pc) << error;
    Platform on = pc->AsPlatform();
    std::ostringstream out, err;
    ASSERT_EQ(console::RunConsoleScript(on, dir.Path() / "home", dir.Path() / "report.mrv", out, err), 0)
        << err.str() << out.str();

    const Json json = JsonReader(ReadText(dir.Path() / "r.json")).Read();
    EXPECT_EQ(SchemaViolations(json, Schema()), "");
    EXPECT_EQ(json.Field("drive")->Field("model")->text, "WDC WD5000AAKX-00ERMA0");
    EXPECT_EQ(json.Field("drive")->Field("serial")->text, "WD-WCC2EVL12345");
    ASSERT_NE(json.Field("passport"), nullptr);
    EXPECT_GT(json.Field("passport")->items.size(), 10u);
    ASSERT_NE(json.Field("smart"), nullptr);
    EXPECT_FALSE(json.Field("smart")->items.empty());
    EXPECT_NE(ReadText(dir.Path() / "r.html").find("WD-WCC2EVL12345"), std::string::npos);

    // Another ending is refused with a reason, and nothing is written.
    std::ostringstream out2, err2;
    EXPECT_EQ(console::RunConsoleScript(on, dir.Path() / "home", dir.Path() / "bad.mrv", out2, err2), 1);
    EXPECT_NE(err2.str().find(".json, .html or .png"), std::string::npos) << err2.str();
    EXPECT_FALSE(fs::exists(dir.Path() / "r.txt"));
}

TEST(DriveReport, AScanReportsItsCountsDefectsAndPictures)
{
    // A verify over the scan lab's slow (3000) and unreadable (4100) sectors.
    // (Its stuck sector at 600 lies below the range.)
    TempDir dir;
    std::ofstream(dir.Path() / "scan.mrv") << "key F2\nwaitidle\nclick TabTests\n"
                                              "set StartLbaEdit 2048\nset EndLbaEdit 5119\nset AutoSizeSC 0\n"
                                              "set ScBlockSizeBox 256\nkey F4\nwaitidle 60000\n"
                                              "save report " +
                                                  (dir.Path() / "scan.json").string() + "\nsave report " +
                                                  (dir.Path() / "grid.png").string() + "\nquit\n";
    std::string error;
    sim::LabOptions options;
    options.clock = sim::ClockMode::Virtual;
    auto pc = sim::LoadLab(MRV_SOURCE_DIR "/labs/scan.ini", error, options);
    ASSERT_TRUE(pc) << error;
    Platform on = pc->AsPlatform();
    std::ostringstream out, err;
    ASSERT_EQ(console::RunConsoleScript(on, dir.Path() / "home", dir.Path() / "scan.mrv", out, err), 0)
        << err.str() << out.str();

    const Json json = JsonReader(ReadText(dir.Path() / "scan.json")).Read();
    EXPECT_EQ(SchemaViolations(json, Schema()), "");
    const Json* scan = json.Field("scan");
    ASSERT_NE(scan, nullptr);
    const std::string summary = scan->Field("summary")->text;
    EXPECT_EQ(summary.substr(summary.size() - 10), "errors - 1") << summary;
    EXPECT_EQ(scan->Field("started")->text.rfind("Starting surface scan, LBA=2048..5119", 0), 0u);
    ASSERT_EQ(scan->Field("classes")->items.size(), 6u);
    uint64_t blocks = 0;
    for (const Json& c : scan->Field("classes")->items)
        blocks += static_cast<uint64_t>(c.Field("blocks")->number);
    // Eleven blocks of 256, then the tail: 255 sectors and the last one alone.
    EXPECT_EQ(blocks + static_cast<uint64_t>(scan->Field("errors")->number), 13u);
    EXPECT_EQ(scan->Field("errors")->number, 1);
    // The unreadable block's error is the last line the scan logged.
    const auto& defects = scan->Field("defects")->items;
    ASSERT_FALSE(defects.empty());
    EXPECT_EQ(defects.back().text.rfind("Block 4096 ", 0), 0u) << defects.back().text;
    EXPECT_FALSE(scan->Field("grid_png_base64")->text.empty());
    EXPECT_EQ(ReadText(dir.Path() / "grid.png").rfind("\x89PNG", 0), 0u);
    EXPECT_EQ(ReadText(dir.Path() / "grid-graph.png").rfind("\x89PNG", 0), 0u);
}

} // namespace
} // namespace mrv::test
