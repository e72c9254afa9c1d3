// Every committed fuzz input — the seed corpus and each input that once broke
// a parser — through the same entry the fuzzers call, so that a parser fault
// comes back as a failing test without clang.
#include "app/program_impl.h"
#include "targets/fuzz_program.h"
#include "targets/targets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const fs::path kFuzzDir = fs::path(MRV_SOURCE_DIR) / "fuzz";

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& dir)
{
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::set<std::string> SubfolderNames(const fs::path& dir)
{
    std::set<std::string> names;
    if (!fs::is_directory(dir)) return names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_directory()) names.insert(entry.path().filename().string());
    return names;
}

void RunAll(const char* folder)
{
    for (const mrv::fuzz::Target& target : mrv::fuzz::Targets()) {
        for (const fs::path& file : FilesIn(kFuzzDir / folder / target.name)) {
            SCOPED_TRACE(file.string());
            const std::vector<uint8_t> bytes = ReadBytes(file);
            target.entry(bytes.empty() ? nullptr : bytes.data(), bytes.size());
        }
    }
}

} // namespace

TEST(FuzzInputs, TargetsListedOnceAndEveryFolderHasATarget)
{
    // tools/fuzz.sh builds what target_names.txt lists; the entries must match it.
    std::ifstream list(kFuzzDir / "target_names.txt");
    std::vector<std::string> listed;
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) listed.push_back(line);
    std::vector<std::string> entries;
    for (const auto& target : mrv::fuzz::Targets())
        entries.push_back(target.name);
    EXPECT_EQ(listed, entries);

    for (const char* folder : {"corpus", "regressions"})
        for (const std::string& name : SubfolderNames(kFuzzDir / folder))
            EXPECT_NE(mrv::fuzz::FindTarget(name), nullptr) << folder << "/" << name << " has no target";
    for (const auto& target : mrv::fuzz::Targets())
        EXPECT_FALSE(FilesIn(kFuzzDir / "corpus" / target.name).empty()) << target.name << " has no seeds";
}

TEST(FuzzInputs, SeedCorpusRunsClean)
{
    RunAll("corpus");
}

TEST(FuzzInputs, InputsThatOnceBrokeAParserRunClean)
{
    RunAll("regressions");
}

TEST(FuzzInputs, EmptyAndTinyInputsRunClean)
{
    const uint8_t byte = 0xFF;
    for (const mrv::fuzz::Target& target : mrv::fuzz::Targets()) {
        SCOPED_TRACE(target.name);
        target.entry(nullptr, 0);
        target.entry(&byte, 1);
    }
}

TEST(FuzzInputs, ProgramTargetsReachTheirParsers)
{
    // A target whose button went disabled or whose file never opened would
    // fuzz nothing while passing; these seeds must show their effect.
    using mrv::fuzz::FuzzProgram;
    const auto seed = ReadBytes(kFuzzDir / "corpus" / "partition" / "dos_extended_three_logical");
    mrv::fuzz::FuzzPartition(seed.data(), seed.size());
    FuzzProgram& program = FuzzProgram::Shared();
    // Three logical partitions and one primary, then the free space behind them.
    EXPECT_EQ(program.fm().PartList.RowCount(), 5);

    const uint8_t short_file[] = {1, 2, 3};
    const std::vector<std::string> refused = {"Error! Incorrect length of file"};
    mrv::fuzz::FuzzSmartFile(short_file, sizeof short_file);
    EXPECT_EQ(program.LastLog(), refused);
    mrv::fuzz::FuzzIdentify(short_file, sizeof short_file);
    EXPECT_EQ(program.LastLog(), refused);
}
