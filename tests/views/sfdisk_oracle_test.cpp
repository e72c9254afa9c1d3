// Disk images partitioned by sfdisk (util-linux) as the oracle: the viewer
// lists what `sfdisk -J` and `sfdisk -l` list, a GPT disk shows its protective
// entry, and a console script switching the MBR off and on leaves the image
// byte-identical.

#include "identify/format_capacity.h"
#include "support/program_fixture.h"
#include "ui/console/console_driver.h"
#include "views/partition_table.h"
#include "views_fixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <sstream>

namespace mrv::test
{
namespace
{

namespace fs = std::filesystem;

constexpr uint64_t kImageSectors = 131072; // 64 MiB

bool HaveSfdisk()
{
    return std::system("sfdisk --version >/dev/null 2>&1") == 0;
}

/// Runs a shell command; its standard output, and false when it failed.
bool Shell(const std::string& command, std::string& out)
{
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    return ::pclose(pipe) == 0;
}

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct SfdiskPartition {
    uint64_t start = 0, size = 0;
    uint8_t type = 0;
    bool bootable = false;
};

/// The partitions of `sfdisk -J`, in its order.
std::vector<SfdiskPartition> ParseSfdiskJson(const std::string& json)
{
    std::vector<SfdiskPartition> parts;
    const std::regex object(
        R"re(\{[^{}]*"start":\s*(\d+),\s*"size":\s*(\d+),\s*"type":\s*"([0-9a-f]+)"([^{}]*)\})re");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), object); it != std::sregex_iterator();
         ++it) {
        SfdiskPartition p;
        p.start = std::stoull((*it)[1]);
        p.size = std::stoull((*it)[2]);
        p.type = static_cast<uint8_t>(std::stoul((*it)[3], nullptr, 16));
        p.bootable = (*it)[4].str().find("\"bootable\": true") != std::string::npos;
        parts.push_back(p);
    }
    return parts;
}

/// Start and end of each partition line of `sfdisk -l` ("img1 * 2048 22527 ...").
std::vector<std::pair<uint64_t, uint64_t>> ParseSfdiskList(const std::string& text, const std::string& image)
{
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(image, 0) != 0 || line.find(':') != std::string::npos) continue;
        std::istringstream fields(line.substr(image.size()));
        std::string number, first;
        fields >> number >> first;
        if (first == "*") fields >> first;
        std::string end;
        fields >> end;
        ranges.emplace_back(std::stoull(first), std::stoull(end));
    }
    return ranges;
}

class SfdiskTest : public ViewsTest
{
  protected:
    void SetUp() override
    {
        if (!HaveSfdisk()) GTEST_SKIP() << "sfdisk (Debian package fdisk) is not installed";
        image = dir.Path() / "disk.img";
        std::filesystem::resize_file((std::ofstream(image), image), kImageSectors * 512);
    }
    void Partition(const std::string& script)
    {
        std::ofstream(dir.Path() / "layout.sfdisk") << script;
        std::string out;
        ASSERT_TRUE(Shell("sfdisk -q '" + image.string() + "' < '" + (dir.Path() / "layout.sfdisk").string() +
                              "' 2>&1",
                          out))
            << out;
    }
    std::string Lab() const
    {
        return "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nModel=SFDISK IMAGE\nSerial=SF0001\nSectors=" +
               std::to_string(kImageSectors) + "\nImage=" + image.string() + "\n";
    }
    void StartOnImage()
    {
        std::string error;
        ASSERT_TRUE(LoadLab(Lab(), error, dir.Path().string())) << error;
        StartProgram();
        TakePassport();
        fm().PartBtn.Click();
    }

    TempDir dir;
    fs::path image;
};

TEST_F(SfdiskTest, MbrWithAnExtendedChainListsWhatSfdiskLists)
{
    Partition("label: dos\n"
              "disk.img1 : start=2048, size=20480, type=83, bootable\n"
              "disk.img2 : start=22528, size=8192, type=7\n"
              "disk.img3 : start=32768, size=90000, type=5\n"
              "disk.img5 : size=10240, type=b\n"
              "disk.img6 : size=4096, type=82\n"
              "disk.img7 : type=83\n");
    std::string json, list;
    ASSERT_TRUE(Shell("sfdisk -J '" + image.string() + "'", json));
    ASSERT_TRUE(Shell("cd '" + dir.Path().string() + "' && sfdisk -l disk.img", list));
    std::vector<SfdiskPartition> expected;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    const auto all_ranges = ParseSfdiskList(list, "disk.img");
    const auto all = ParseSfdiskJson(json);
    ASSERT_EQ(all.size(), all_ranges.size()) << json << list;
    for (size_t i = 0; i < all.size(); ++i) {
        // The extended partition is a link, not a row of the list.
        if (views::IsExtendedLink(all[i].type)) continue;
        expected.push_back(all[i]);
        ranges.push_back(all_ranges[i]);
    }
    ASSERT_EQ(expected.size(), 5u) << json;

    StartOnImage();
    ASSERT_EQ(fm().PartList.RowCount(), static_cast<int>(expected.size()) + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        const int row = static_cast<int>(i);
        const SfdiskPartition& want = expected[i];
        EXPECT_EQ(fm().PartList.Cell(row, 1), std::to_string(i + 1));
        EXPECT_EQ(fm().PartList.Cell(row, 2), want.bootable ? "Yes" : "Not");
        EXPECT_EQ(fm().PartList.Cell(row, 3), views::PartitionTypeName(want.type));
        EXPECT_EQ(fm().PartList.Cell(row, 4), std::to_string(want.start));
        EXPECT_EQ(fm().PartList.Cell(row, 4), std::to_string(ranges[i].first));
        EXPECT_EQ(fm().PartList.Cell(row, 5), std::to_string(ranges[i].second));
        EXPECT_EQ(fm().PartList.Cell(row, 5), std::to_string(want.start + want.size - 1));
        EXPECT_EQ(fm().PartList.Cell(row, 6), FormatCapacity(512, want.size));
    }
    EXPECT_EQ(fm().PartList.Cell(static_cast<int>(expected.size()), 3), "free space");
    EXPECT_EQ(fm().MbrLed.Brush(), form::colours::kLime);
}

TEST_F(SfdiskTest, GptDiskShowsItsProtectiveEntry)
{
    Partition("label: gpt\nsize=10240, type=L\nsize=20480, type=L\n");
    StartOnImage();
    ASSERT_GE(fm().PartList.RowCount(), 1);
    // The name column reads whatever the GPT header holds where a FAT label would be.
    EXPECT_EQ(Row(0).rfind("1 | Not | Unkn EE | 1 | " + std::to_string(kImageSectors - 1) + " | " +
                               FormatCapacity(512, kImageSectors - 1) + " | ",
                           0),
              0u)
        << Row(0);
    EXPECT_FALSE(fixture->Logged("Found abstract MBR"));
}

TEST_F(SfdiskTest, ConsoleScriptMbrOffThenOnLeavesTheImageByteIdentical)
{
    Partition("label: dos\nstart=2048, size=20480, type=83, bootable\nstart=22528, type=7\n");
    const std::string before = ReadFile(image);
    std::ofstream(dir.Path() / "lab.ini") << Lab();
    std::ofstream(dir.Path() / "mbr.mrv") << "key F2\n"
                                             "waitidle\n"
                                             "click \"Advanced\"\n"
                                             "click \"View part data\"\n"
                                             "expect PartList rows 3\n"
                                             "click \"MBR OFF\"\n"
                                             "expectlog \"Signature AA55h found... Complete\"\n"
                                             "expect MbrLed colour #FF0000\n"
                                             "click \"MBR ON\"\n"
                                             "expectlog \"Signature 88CCh found... Complete\"\n"
                                             "expect MbrLed colour #00FF00\n"
                                             "quit\n";
    std::ostringstream out, err;
    {
        std::string error;
        sim::LabOptions options;
        options.clock = sim::ClockMode::Virtual;
        auto pc = sim::LoadLab((dir.Path() / "lab.ini").string(), error, options);
        ASSERT_TRUE(pc) << error;
        Platform on = pc->AsPlatform();
        fs::create_directories(dir.Path() / "home");
        EXPECT_EQ(console::RunConsoleScript(on, dir.Path() / "home", dir.Path() / "mbr.mrv", out, err), 0)
            << err.str() << out.str();
    }
    const std::string after = ReadFile(image);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(after == before);
    EXPECT_EQ(static_cast<uint8_t>(before[510]), 0x55);
}

} // namespace
} // namespace mrv::test
