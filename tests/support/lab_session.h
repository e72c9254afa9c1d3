#pragma once
// A program started on a lab of the virtual PC: the lab, the platform the
// program sees (the lab's own, or one with parts wrapped by a test) and the
// fixture that runs the program.

#include "app/program_impl.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "support/program_fixture.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace mrv::test
{

/// Settings that start the program in API mode on physical drive `device`.
inline std::string ApiModeSettings(int device)
{
    return "[Setup]\nAPI Enable=0\n[API]\nLast API device=" + std::to_string(device) + "\n";
}

struct LabSession {
    /// Loads the lab from its text; the files it names are looked for in `dir`.
    bool LoadLab(const std::string& text, std::string& error, const std::string& dir = ".")
    {
        lab = sim::LoadLabFromText(text, dir, error);
        return lab != nullptr;
    }
    /// Starts the program on `on` (the lab's own platform when absent), with
    /// `settings` as its settings file when they are given.
    void StartProgram(const std::string& settings = {}, const std::optional<Platform>& on = std::nullopt)
    {
        platform.emplace(on ? *on : lab->AsPlatform());
        fixture = std::make_unique<ProgramFixture>(*platform);
        if (!settings.empty()) std::ofstream(fixture->home() / "mrv40.ini") << settings;
        fixture->Start();
    }
    ProgramImpl& p() { return fixture->impl(); }
    TFm& fm() { return fixture->fm(); }

    std::unique_ptr<sim::LabPc> lab;
    std::optional<Platform> platform;
    std::unique_ptr<ProgramFixture> fixture;
};

} // namespace mrv::test
