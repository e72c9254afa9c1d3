// morvanta-console [--lab FILE] [--home DIR] SCRIPT: the program headless,
// driven by a script, on the virtual PC (with --lab, in virtual time) or on
// this machine's drives.

#include "platform/linux/linux_platform.h"
#include "platform/linux/user_folders.h"
#include "platform/platform.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "ui/console/console_driver.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace mrv;
    console::ConsoleOptions options;
    std::string error;
    if (!console::ParseConsoleArgs(argc - 1, argv + 1, options, error)) {
        std::cerr << "morvanta-console: " << error << '\n' << console::ConsoleUsage() << std::endl;
        return 2;
    }
    const ProgramFolders home =
        options.home.empty() ? linux_platform::FoldersForExecutable(console::ExecutableDir(), "morvanta")
                             : ProgramFolders::Beside(options.home);

    if (!options.lab.empty()) {
        sim::LabOptions lab_options;
        lab_options.clock = sim::ClockMode::Virtual;
        auto lab = sim::LoadLab(options.lab, error, lab_options);
        if (!lab) {
            std::cerr << "morvanta-console: " << error << std::endl;
            return 2;
        }
        Platform platform = lab->AsPlatform();
        return console::RunConsoleScript(platform, home, options.script, std::cout, std::cerr);
    }
    linux_platform::LinuxPlatform machine;
    Platform platform{machine.ports,  machine.port_access, machine.devices,
                      machine.system, machine.clock,       machine.pci};
    return console::RunConsoleScript(platform, home, options.script, std::cout, std::cerr);
}
