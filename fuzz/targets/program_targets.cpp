// Targets whose parser runs inside the program: the settings file at start-up,
// passport and SMART files opened by the user, and the partition walk over
// whatever the disk holds.
#include "app/program_impl.h"
#include "sim/ata_drive.h"
#include "targets/fuzz_program.h"
#include "targets/targets.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace mrv::fuzz
{

namespace
{

/// True when a folder or file name of the settings stays inside the program's
/// home: the program makes the logs folder and writes the event log where the
/// user's settings say, and a fuzzed absolute path would reach the host.
bool StaysInHome(const std::string& name)
{
    const std::filesystem::path path(name);
    if (path.is_absolute() || path.has_root_name() || path.has_root_directory()) return false;
    for (const auto& part : path)
        if (part == "..") return false;
    return true;
}

} // namespace

void FuzzSettings(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const IniFile ini = IniFile::Parse(text);
    if (!StaysInHome(ini.ReadString("Setup", "LogDirName", "")) ||
        !StaysInHome(ini.ReadString("Setup", "LogFileName", "")))
        return;
    // A fresh program every time: the settings are read once, while the main
    // window is created, and written back when it closes.
    sim::LabPc& lab = FuzzProgram::SharedLab();
    Platform platform = lab.AsPlatform();
    test::ProgramFixture fixture(platform);
    {
        std::ofstream out(fixture.home() / Settings::kFileName, std::ios::binary | std::ios::trunc);
        out << text;
    }
    fixture.Start();
    fixture.Run(50);
    fixture.Quit();
}

void FuzzIdentify(const uint8_t* data, size_t size)
{
    DecodeIdentifyWords(data, size);
    // The same bytes as a passport file the user opens.
    FuzzProgram& program = FuzzProgram::Shared();
    program.Forget();
    program.fixture().dialogs.file_answers.push_back(
        program.WriteFile("fuzz_passport.bin", data, size).string());
    program.fm().OpenBinBtn.Click();
    program.Forget();
}

void FuzzSmartFile(const uint8_t* data, size_t size)
{
    DecodeSmartBlocks(data, size);
    // The same bytes as a SMART file the user opens.
    FuzzProgram& program = FuzzProgram::Shared();
    program.Forget();
    program.fixture().dialogs.file_answers.push_back(
        program.WriteFile("fuzz_smart.bin", data, size).string());
    program.fm().SmartOpenBinBtn.Click();
    program.Forget();
}

void FuzzPartition(const uint8_t* data, size_t size)
{
    // The disk image: the first 512 bytes are LBA 0; after them come records
    // of a little-endian 32-bit LBA and the 512 bytes of that sector, so that
    // extended boot records far from the start fit in a small input.
    FuzzProgram& program = FuzzProgram::Shared();
    program.Forget();
    sim::MediaStore& media = program.disk().Media();
    static std::set<uint64_t> written;
    const std::array<uint8_t, 512> zeros{};
    for (uint64_t lba : written)
        media.Write(lba, zeros.data());
    written.clear();

    auto put = [&](uint64_t lba, const uint8_t* bytes, size_t length) {
        if (lba >= kFuzzDiskSectors) return;
        std::array<uint8_t, 512> sector{};
        std::copy_n(bytes, std::min(length, sector.size()), sector.begin());
        media.Write(lba, sector.data());
        written.insert(lba);
    };
    put(0, data, size);
    for (size_t at = 512; at + 4 < size; at += 4 + 512) {
        const uint64_t lba = static_cast<uint64_t>(data[at]) | static_cast<uint64_t>(data[at + 1]) << 8 |
                             static_cast<uint64_t>(data[at + 2]) << 16 |
                             static_cast<uint64_t>(data[at + 3]) << 24;
        put(lba, data + at + 4, size - at - 4);
    }
    program.fm().PartAnalPassChk.SetChecked(true);
    program.fm().PartGetNameChk.SetChecked(true);
    program.fm().PartBtn.Click();
    program.Forget();
}

} // namespace mrv::fuzz
