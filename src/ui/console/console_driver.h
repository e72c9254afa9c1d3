#pragma once
// morvanta-console: runs the program headless under a script of user actions.
//   morvanta-console [--lab FILE] [--home DIR] SCRIPT

#include "platform/platform.h"
#include "util/program_folders.h"

#include <filesystem>
#include <ostream>
#include <string>

namespace mrv::console
{

struct ConsoleOptions {
    std::string lab;  ///< lab file of the virtual PC; empty: the real platform
    std::string home; ///< stands for the executable's directory; empty: the executable's folders
    std::string script;
};

/// Parses the command line (argv[0] excluded); false with `error` set.
bool ParseConsoleArgs(int argc, const char* const* argv, ConsoleOptions& options, std::string& error);
const char* ConsoleUsage();
/// The directory of the running executable.
std::filesystem::path ExecutableDir();

/// Reads and parses the script, then runs it against a new program on
/// `platform` with `home` as its directory. Returns the exit code: 0 the script
/// ran to its end, 1 an expectation failed, 2 the script is wrong.
int RunConsoleScript(Platform& platform, const std::filesystem::path& home,
                     const std::filesystem::path& script, std::ostream& out, std::ostream& err);
/// The same with the settings, logs and help pages in their own folders.
int RunConsoleScript(Platform& platform, const ProgramFolders& folders, const std::filesystem::path& script,
                     std::ostream& out, std::ostream& err);

} // namespace mrv::console
