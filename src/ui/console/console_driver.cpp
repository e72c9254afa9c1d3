#include "ui/console/console_driver.h"

#include "app/program.h"
#include "app/program_impl.h"
#include "ui/console/console_dialogs.h"
#include "ui/console/console_ui_thread.h"
#include "ui/console/script_runner.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

namespace mrv::console
{

int RunConsoleScript(Platform& platform, const std::filesystem::path& home,
                     const std::filesystem::path& script, std::ostream& out, std::ostream& err)
{
    return RunConsoleScript(platform, ProgramFolders::Beside(home), script, out, err);
}

int RunConsoleScript(Platform& platform, const ProgramFolders& folders, const std::filesystem::path& script,
                     std::ostream& out, std::ostream& err)
{
    std::ifstream file(script, std::ios::binary);
    if (!file) {
        err << "cannot read the script " << script.string() << std::endl;
        return kScriptError;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::vector<Command> commands;
    std::string error;
    if (!ParseScript(text.str(), commands, error)) {
        err << script.string() << ": " << Visible(error) << std::endl;
        return kScriptError;
    }
    for (const std::filesystem::path& folder : {folders.settings, folders.data}) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder)) {
            err << "the home directory " << folder.string() << " cannot be created" << std::endl;
            return kScriptError;
        }
    }

    ConsoleUiThread ui(platform.clock);
    ConsoleDialogs dialogs(out, folders.data);
    Program program(platform, dialogs, ui, folders);
    ScriptHost host;
    host.windows = [&program] { return program.Windows(); };
    host.busy = [&program] { return program.Impl().TestsRunning(); };
    host.shutdown = [&program] { program.Shutdown(); };
    host.save_report = [&program](const std::string& path, std::string& error) {
        return program.Impl().reports.Save(path, error);
    };
    ScriptRunner runner(ui, dialogs, host, out, err);
    program.OnLogLine = [&runner](int level, const std::string& line, bool replaced) {
        runner.OnLogLine(level, line, replaced);
    };

    program.Start();
    for (form::Window* window : program.Windows())
        ui.AddWindow(window);
    ui.ProcessMessages();
    ScriptResult result = runner.Run(commands);
    // The settings are written as when the main window closes, whatever the outcome.
    if (!runner.ShutDown()) program.Shutdown();
    if (result != kScriptOk) err << script.string() << ": failed" << std::endl;
    return result;
}

} // namespace mrv::console
