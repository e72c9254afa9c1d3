#include "util/program_folders.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

TEST(ProgramFolders, AWritableFolderKeepsEverythingBesideTheExecutable)
{
    const UserEnvironment env{"/home/tech", "/home/tech/cfg", "/home/tech/data"};
    const ProgramFolders f = ChooseProgramFolders("/opt/morvanta", true, env, "morvanta");
    EXPECT_EQ(f.settings, "/opt/morvanta");
    EXPECT_EQ(f.data, "/opt/morvanta");
    EXPECT_EQ(f.help, "/opt/morvanta");
}

TEST(ProgramFolders, AnInstalledCopyFollowsTheUsersBaseFolders)
{
    // The variables win when they hold absolute paths; relative or empty
    // ones are ignored as the base-directory rules say.
    ProgramFolders f =
        ChooseProgramFolders("/usr/bin", false, {"/home/tech", "/x/cfg", "/x/data"}, "morvanta");
    EXPECT_EQ(f.settings, "/x/cfg/morvanta");
    EXPECT_EQ(f.data, "/x/data/morvanta");
    EXPECT_EQ(f.help, "/usr/share/morvanta");

    f = ChooseProgramFolders("/usr/bin", false, {"/home/tech", "", "relative/data"}, "morvanta");
    EXPECT_EQ(f.settings, "/home/tech/.config/morvanta");
    EXPECT_EQ(f.data, "/home/tech/.local/share/morvanta");

    // Without a home (a service account) the files still get a definite place.
    f = ChooseProgramFolders("/usr/bin", false, {"", "", ""}, "morvanta");
    EXPECT_EQ(f.settings, "/.config/morvanta");
}

} // namespace
} // namespace mrv
