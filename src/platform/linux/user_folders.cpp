#include "platform/linux/user_folders.h"

#include <cstdlib>
#include <unistd.h>

namespace mrv::linux_platform
{
namespace
{
std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}
} // namespace

ProgramFolders FoldersForExecutable(const std::filesystem::path& exe_dir, const std::string& app_name)
{
    UserEnvironment env;
    env.home = Variable("HOME");
    env.xdg_config_home = Variable("XDG_CONFIG_HOME");
    env.xdg_data_home = Variable("XDG_DATA_HOME");
    // access() answers for the real user, which is who will write the files.
    const bool writable = ::access(exe_dir.c_str(), W_OK) == 0;
    return ChooseProgramFolders(exe_dir, writable, env, app_name);
}

} // namespace mrv::linux_platform
