#include "util/program_folders.h"

namespace mrv
{
namespace
{
// The XDG base-directory rule: the variable when it holds an absolute path,
// else the default under $HOME.
std::filesystem::path BaseFolder(const std::string& variable, const std::string& home, const char* fallback)
{
    const std::filesystem::path given(variable);
    if (!variable.empty() && given.is_absolute()) return given;
    return std::filesystem::path(home.empty() ? "/" : home) / fallback;
}
} // namespace

ProgramFolders ChooseProgramFolders(const std::filesystem::path& exe_dir, bool exe_dir_writable,
                                    const UserEnvironment& env, const std::string& app_name)
{
    if (exe_dir_writable) return ProgramFolders::Beside(exe_dir);
    ProgramFolders folders;
    folders.settings = BaseFolder(env.xdg_config_home, env.home, ".config") / app_name;
    folders.data = BaseFolder(env.xdg_data_home, env.home, ".local/share") / app_name;
    // /usr/bin/morvanta reads /usr/share/morvanta.
    folders.help = exe_dir.parent_path() / "share" / "morvanta";
    return folders;
}

} // namespace mrv
