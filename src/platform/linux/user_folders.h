#pragma once
// The program's folders for an executable on this machine: the user's
// environment and whether the executable's folder may be written.

#include "util/program_folders.h"

#include <filesystem>
#include <string>

namespace mrv::linux_platform
{

ProgramFolders FoldersForExecutable(const std::filesystem::path& exe_dir, const std::string& app_name);

} // namespace mrv::linux_platform
