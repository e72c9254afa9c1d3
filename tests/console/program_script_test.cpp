#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "ui/console/console_driver.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace mrv::console
{
namespace
{

namespace fs = std::filesystem;

/// Runs a script against the whole program on the default lab in virtual time.
class ProgramScriptTest : public ::testing::Test
{
  protected:
    ProgramScriptTest()
    {
        home =
            fs::temp_directory_path() /
            ("mrv_console_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(home);
    }
    ~ProgramScriptTest() override { fs::remove_all(home); }

    int Run(const std::string& script)
    {
        fs::create_directories(home);
        fs::path file = home / "script.mrv";
        std::ofstream(file) << script;
        std::string error;
        sim::LabOptions options;
        options.clock = sim::ClockMode::Virtual;
        auto lab = sim::LoadLab(MRV_SOURCE_DIR "/labs/default.ini", error, options);
        EXPECT_TRUE(lab) << error;
        if (!lab) return -1;
        Platform platform = lab->AsPlatform();
        out.str("");
        err.str("");
        return RunConsoleScript(platform, home, file, out, err);
    }

    fs::path home;
    std::ostringstream out, err;
};

TEST_F(ProgramScriptTest, KeysCaptionsAndLogOnTheRealWindow)
{
    EXPECT_EQ(Run("key F9\nexpect MainPage index 1\nclick \"Standard\"\nkey F2\nwaitidle\n"
                  "expectlog \"Get passport... OK\"\nprint StatusBar1\n"),
              0)
        << err.str();
    EXPECT_EQ(out.str().rfind("LOG 4 Warning! Main INI-file 'mrv40.ini' not found", 0), 0u) << out.str();
    EXPECT_NE(out.str().find("LOG~ 1 Get passport... OK\n"), std::string::npos);
    EXPECT_NE(out.str().find("StatusBar1: text=\"WDC WD5000AAKX-00ERMA0 | "), std::string::npos);
    // The settings are written at the end even without quit.
    EXPECT_TRUE(fs::exists(home / "mrv40.ini"));
}

TEST_F(ProgramScriptTest, ScriptErrorsStopBeforeOrDuringTheRun)
{
    EXPECT_EQ(Run("key F2\nfly away\n"), 2);
    EXPECT_NE(err.str().find("line 2: unknown command 'fly'"), std::string::npos);
    EXPECT_EQ(out.str(), ""); // the program never started

    EXPECT_EQ(Run("expect APIRg text API\n"), 1);
    EXPECT_NE(err.str().find("line 1: expect 'APIRg' text \"API\": it is \"PIO\""), std::string::npos);
    EXPECT_EQ(Run("click NoSuchControl\n"), 2);
}

TEST_F(ProgramScriptTest, QuitWritesTheSettingsOnce)
{
    EXPECT_EQ(Run("set MainPage Tests\nquit\n"), 0) << err.str();
    std::ifstream ini(home / "mrv40.ini");
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_NE(text.str().find("PageIndex=2"), std::string::npos) << text.str();
}

} // namespace
} // namespace mrv::console
