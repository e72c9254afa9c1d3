#pragma once
// Where the program keeps its files. A copy run from a folder it may write to
// keeps its settings, logs and help pages beside itself; an installed copy
// (its folder under /usr, not writable) keeps the settings in the user's
// configuration folder and the logs in the user's data folder, and reads the
// help pages from the package's shared data.

#include <filesystem>
#include <string>

namespace mrv
{

struct ProgramFolders {
    /// Holds the settings file.
    std::filesystem::path settings;
    /// Holds the logs folder (and the files saved into it).
    std::filesystem::path data;
    /// Holds the help pages.
    std::filesystem::path help;

    /// All three in one folder.
    static ProgramFolders Beside(const std::filesystem::path& folder) { return {folder, folder, folder}; }
};

/// What the choice needs of the user's environment.
struct UserEnvironment {
    std::string home;            ///< $HOME
    std::string xdg_config_home; ///< $XDG_CONFIG_HOME, may be empty
    std::string xdg_data_home;   ///< $XDG_DATA_HOME, may be empty
};

/// The folders of the program whose executable lies in `exe_dir`; `app_name`
/// names its folders under the user's configuration and data folders.
ProgramFolders ChooseProgramFolders(const std::filesystem::path& exe_dir, bool exe_dir_writable,
                                    const UserEnvironment& env, const std::string& app_name);

} // namespace mrv
