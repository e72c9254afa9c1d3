#include "targets/fuzz_program.h"

#include "sim/lab_loader.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

namespace mrv::fuzz
{

sim::LabPc& FuzzProgram::SharedLab()
{
    static const std::unique_ptr<sim::LabPc> lab = [] {
        const std::string text = "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nModel=MORVANTA FUZZ DISK\n"
                                 "Serial=FZ0001\nFirmware=1.0\nSectors=" +
                                 std::to_string(kFuzzDiskSectors) + "\nOsNumber=1\nOsVia=sata\n";
        std::string error;
        auto built = sim::LoadLabFromText(text, "", error);
        if (!built) {
            std::cerr << "fuzz lab: " << error << "\n";
            std::abort();
        }
        return built;
    }();
    return *lab;
}

FuzzProgram& FuzzProgram::Shared()
{
    static FuzzProgram program;
    return program;
}

FuzzProgram::FuzzProgram()
{
    platform_.emplace(SharedLab().AsPlatform());
    fixture_ = std::make_unique<test::ProgramFixture>(*platform_);
    fixture_->Start();
    fm().PasspBtn.Click();
    Forget();
}

sim::AtaDrive& FuzzProgram::disk()
{
    return *SharedLab().Drive("hdd");
}

std::filesystem::path FuzzProgram::WriteFile(const std::string& name, const uint8_t* data, size_t size)
{
    const std::filesystem::path path = fixture_->home() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

void FuzzProgram::ShowLog() const
{
    if (!std::getenv("MRV_FUZZ_SHOW_LOG")) return;
    for (const auto& entry : fixture_->log)
        std::cerr << "LOG " << entry.level << " " << entry.text << "\n";
}

void FuzzProgram::Forget()
{
    ShowLog();
    last_log_ = fixture_->LoggedTexts();
    fixture_->log.clear();
    fixture_->dialogs.asked.clear();
    fixture_->dialogs.file_answers.clear();
    fixture_->dialogs.yes_no_answers.clear();
}

} // namespace mrv::fuzz
