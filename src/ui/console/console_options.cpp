#include "ui/console/console_driver.h"

#include <system_error>

namespace mrv::console
{

const char* ConsoleUsage()
{
    return "usage: morvanta-console [--lab FILE] [--home DIR] SCRIPT";
}

bool ParseConsoleArgs(int argc, const char* const* argv, ConsoleOptions& options, std::string& error)
{
    options = ConsoleOptions{};
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--lab" || arg == "--home") {
            if (i + 1 >= argc || std::string(argv[i + 1]).empty()) {
                error = arg + " needs a value";
                return false;
            }
            (arg == "--lab" ? options.lab : options.home) = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (options.script.empty()) {
            options.script = arg;
        } else {
            error = "more than one script given";
            return false;
        }
    }
    if (options.script.empty()) {
        error = "no script given";
        return false;
    }
    return true;
}

std::filesystem::path ExecutableDir()
{
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path();
    return self.parent_path();
}

} // namespace mrv::console
