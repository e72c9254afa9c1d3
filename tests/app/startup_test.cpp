#include "app/event_log.h"
#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace mrv::test
{
namespace
{

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

/// The order of "[Section] key" entries as they stand in an INI text.
std::vector<std::string> KeyOrder(const std::string& text)
{
    std::vector<std::string> keys;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[')
            section = line;
        else if (auto eq = line.find('='); eq != std::string::npos)
            keys.push_back(section + " " + line.substr(0, eq));
    }
    return keys;
}

TEST(Startup, FreshHomeWarnsStartsAndWritesSettingsAndLogOnQuit)
{
    TestPlatform pc;
    ProgramFixture f(pc.platform);
    f.Start();
    ASSERT_GE(f.log.size(), 2u);
    EXPECT_EQ(f.log[0].text, "Warning! Main INI-file 'mrv40.ini' not found, and writen default sets!");
    EXPECT_EQ(f.log[0].level, 4);
    const std::string& start = f.log[1].text;
    EXPECT_EQ(start.rfind("Starting Morvanta 4.60b SSD (12.07.2018) - ", 0), 0u) << start;
    EXPECT_NE(start.find(", 2xCPU, 2400."), std::string::npos) << start;
    EXPECT_NE(start.find(" MHz, Windows XP x32 found."), std::string::npos) << start;
    EXPECT_EQ(f.fm().Caption()[0], ' ');
    EXPECT_TRUE(f.fm().Visible());
    EXPECT_FALSE(f.impl().about.Visible());
    EXPECT_EQ(f.program->ApplicationTitle(), "Morvanta ");

    f.Quit();
    std::string ini = ReadText(f.home() / "mrv40.ini");
    auto order = KeyOrder(ini);
    std::vector<std::string> expected_head = {"[Info] Author",       "[Position] X",     "[Position] Y",
                                              "[Position] Height",   "[Position] Width", "[Position] Name",
                                              "[Position] PageIndex"};
    ASSERT_GE(order.size(), expected_head.size());
    EXPECT_TRUE(std::equal(expected_head.begin(), expected_head.end(), order.begin()));
    // The second [Scan] key goes into the one [Scan] section, after its others.
    auto pos = [&](const std::string& key) {
        return std::find(order.begin(), order.end(), key) - order.begin();
    };
    EXPECT_LT(pos("[Scan] Grid"), pos("[Scan] Reset after jump"));
    EXPECT_LT(pos("[Security] Password"), pos("[Advanced] Sync PA"));
    EXPECT_EQ(order.back(), "[Advanced] Get name");
    EXPECT_EQ(order.size(), 77u);
    for (const char* never : {"AutoInstallDriver", "Write=", "Enable PM"})
        EXPECT_EQ(ini.find(never), std::string::npos) << never;
    EXPECT_NE(ini.find("Password=lantvorp"), std::string::npos);
    EXPECT_NE(ini.find("Time of RND=10.1"), std::string::npos);

    std::string logfile = ReadText(f.home() / "LOGS" / "eventlog.txt");
    EXPECT_NE(logfile.find(" : Warning! Main INI-file 'mrv40.ini' not found"), std::string::npos);
    EXPECT_NE(logfile.find(" : Starting Morvanta"), std::string::npos);
}

TEST(Startup, WriteZeroNeverCreatesOrChangesFiles)
{
    TestPlatform pc;
    TempDir home;
    WriteText(home.Path() / "mrv40.ini", "[Setup]\nWrite=0\n");
    {
        ProgramFixture f(pc.platform, home.Path());
        f.Start();
        EXPECT_FALSE(f.Logged("not found, and writen default sets"));
        EXPECT_FALSE(f.fm().PassChk.Enabled());
        EXPECT_FALSE(f.fm().LogGroup.Enabled());
        f.Quit();
    }
    EXPECT_EQ(ReadText(home.Path() / "mrv40.ini"), "[Setup]\nWrite=0\n");
    EXPECT_FALSE(std::filesystem::exists(home.Path() / "LOGS"));
}

TEST(Startup, NonAdministratorIsDisabledAndNoDriverIsTouched)
{
    TestPlatform pc;
    pc.system.admin = false;
    ProgramFixture f(pc.platform);
    f.Start();
    ASSERT_EQ(f.log.size(), 3u);
    EXPECT_EQ(f.log[2].text, "Program disabled. Please, use administrator rights");
    EXPECT_TRUE(pc.port_access.calls.empty());
    EXPECT_FALSE(f.fm().MainPage.Enabled());
    EXPECT_FALSE(f.fm().APIRg.Enabled());
    EXPECT_FALSE(f.fm().KeyDown(form::Key::F1));
    EXPECT_FALSE(f.impl().about.Visible());
}

TEST(Startup, SixtyFourBitStartsInApiModeWithoutDriver)
{
    TestPlatform pc;
    pc.system.wow64 = true;
    pc.system.version = OsVersion{2, 6, 1, 7601, true};
    ProgramFixture f(pc.platform);
    f.Start();
    EXPECT_TRUE(f.Logged("Warning! Windows 64 bit does not support PIO mode."));
    EXPECT_TRUE(f.Logged("We recommend 32-bit Windows XP to work in PIO"));
    EXPECT_TRUE(f.Logged("[Hint] We recommend 32-bit Windows XP for a best work!"));
    EXPECT_TRUE(f.Logged("Windows 7 x64 found."));
    EXPECT_EQ(f.impl().state.access_mode, AccessMode::Api);
    EXPECT_EQ(f.fm().APIRg.ItemIndex(), 0);
    EXPECT_FALSE(f.fm().APIRg.Enabled());
    EXPECT_TRUE(pc.port_access.calls.empty());
}

TEST(Startup, NonNtSystemRefusesApiMode)
{
    TestPlatform pc;
    pc.system.version = OsVersion{1, 4, 10, 1998, true};
    ProgramFixture f(pc.platform);
    f.Start();
    EXPECT_TRUE(f.Logged("Windows 2000/XP not detected. API mode disabled."));
    EXPECT_TRUE(f.Logged("[ Hint ] Use Windows 2000/XP to full capacity utilization!"));
    EXPECT_TRUE(f.Logged("Windows 98 x32 found."));
    EXPECT_EQ(f.impl().state.access_mode, AccessMode::Pio);
    EXPECT_FALSE(f.fm().APIRg.Enabled());
}

TEST(Startup, NonNtSystemTalksToTheSavedChannel)
{
    TestPlatform pc;
    pc.system.version = OsVersion{1, 4, 10, 1998, true};
    TempDir home;
    WriteText(home.Path() / "mrv40.ini", "[ATA Port]\nEnable PM=1\nChannel=0\n");
    ProgramFixture f(pc.platform, home.Path());
    f.Start();
    // The selector and the ports agree.
    EXPECT_EQ(f.fm().PortRg.ItemIndex(), 0);
    EXPECT_EQ(f.impl().state.BasePort, 0x1F0);
    EXPECT_EQ(f.impl().state.AltPort, 0x3F6);
    EXPECT_EQ(f.fm().BaseEdit.Text(), "1F0");
}

TEST(Startup, LinuxNamesItselfAndGivesNoWindowsAdvice)
{
    TestPlatform pc;
    pc.system.kernel_name = "Linux 6.1.0 x64";
    pc.system.version = OsVersion{2, 6, 1, 0, true};
    ProgramFixture f(pc.platform);
    f.Start();
    EXPECT_TRUE(f.Logged(", Linux 6.1.0 x64 found."));
    EXPECT_FALSE(f.Logged("[Hint] We recommend"));
}

TEST(Startup, NightTimeMutesSoundButKeepsTheUsersChoice)
{
    for (int hour : {3, 9}) {
        TestPlatform pc;
        pc.clock.start.hour = hour;
        TempDir home;
        WriteText(home.Path() / "mrv40.ini", "[Setup]\nAll Sound=1\n");
        ProgramFixture f(pc.platform, home.Path());
        f.Start();
        EXPECT_EQ(f.fm().AllSoundChk.Checked(), hour == 9) << hour;
        EXPECT_EQ(f.fm().SoundChk.Checked(), hour == 9) << hour;
        f.Quit();
        EXPECT_NE(ReadText(home.Path() / "mrv40.ini").find("All Sound=1"), std::string::npos) << hour;
    }
}

TEST(Startup, SettingsSpecialValues)
{
    TestPlatform pc;
    TempDir home;
    WriteText(home.Path() / "mrv40.ini",
              "[API]\nLast API device=-1\n[ATA Port]\nEnable PM=1\nChannel=0\nRemember Primary=1\n"
              "CustomBase=70000\n[Setup]\nBUSY Timeout=abc\nLogFileName=\n");
    ProgramFixture f(pc.platform, home.Path());
    f.Start();
    EXPECT_EQ(f.fm().ApiDevSpin.Value(), 1);
    EXPECT_EQ(f.impl().state.ApiDeviceIndex, 1);
    EXPECT_EQ(f.fm().BusyTrk.Position(), 15);
    EXPECT_TRUE(f.Logged("[Setup] BUSY Timeout=abc is not a number, default used"));
    EXPECT_EQ(f.impl().state.CustomBase, 0xD400);
    EXPECT_TRUE(f.Logged("[ATA Port] CustomBase=70000 is out of range 0..65535, default used"));
    EXPECT_EQ(f.fm().LogFileEdit.Text(), "eventlog.txt");
    f.Quit();
    std::string ini = ReadText(home.Path() / "mrv40.ini");
    // "Don't remember Primary chan.": the next start opens on the secondary channel.
    EXPECT_NE(ini.find("Channel=1"), std::string::npos);
    EXPECT_NE(ini.find("Last API device=1"), std::string::npos);
    EXPECT_NE(ini.find("Enable PM=1"), std::string::npos);
}

TEST(Startup, TheLogFileStaysInTheLogsDirectory)
{
    TestPlatform pc;
    TempDir root;
    const auto home = root.Path() / "a" / "b";
    std::filesystem::create_directories(home);
    WriteText(home / "mrv40.ini", "[Setup]\nLogFileName=../../escape.txt\n");
    {
        ProgramFixture f(pc.platform, home);
        f.Start();
        EXPECT_EQ(f.fm().LogFileEdit.Text(), "....escape.txt");
        EXPECT_EQ(f.impl().log.LogFilePath, home / "LOGS" / "....escape.txt");
        f.Quit();
    }
    EXPECT_FALSE(std::filesystem::exists(root.Path() / "escape.txt"));
    EXPECT_NE(ReadText(home / "LOGS" / "....escape.txt").find(" : Starting Morvanta"), std::string::npos);

    // Too long for any file system: cut; cleaned to nothing: the default name.
    EXPECT_EQ(EventLog::LogFileName(std::string(300, 'x')), std::string(255, 'x'));
    EXPECT_EQ(EventLog::LogFileName(std::string(254, 'x') + "\xD0\x96"), std::string(254, 'x'));
    EXPECT_EQ(EventLog::LogFileName("\"*?"), "eventlog.txt");
    EXPECT_EQ(EventLog::LogFileName("/.."), "eventlog.txt");
}

TEST(Startup, ALogFileThatCannotBeWrittenIsReportedOnceAndNeverWaitedFor)
{
    TestPlatform pc;
    TempDir home;
    std::filesystem::create_directories(home.Path() / "LOGS");
    // A named pipe without a reader would hold every line's open forever.
    ASSERT_EQ(mkfifo((home.Path() / "LOGS" / "eventlog.txt").c_str(), 0600), 0);
    ProgramFixture f(pc.platform, home.Path());
    f.Start();
    f.impl().LogLine("one more line", kNewLine, kLogInfo);
    int reports = 0;
    for (const auto& entry : f.log) {
        if (entry.text.rfind("Error! Can't write log file ", 0) != 0) continue;
        ++reports;
        EXPECT_EQ(entry.level, 4);
        EXPECT_NE(entry.text.find("(a named pipe)"), std::string::npos) << entry.text;
    }
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(f.Logged("one more line"));
}

TEST(Startup, TicksPerUnitIsNeverZero)
{
    TestPlatform pc;
    pc.clock.mhz = 0.5;
    ProgramFixture f(pc.platform);
    f.Start();
    EXPECT_EQ(f.impl().state.TicksPerUnit, 1u);
    EXPECT_EQ(f.impl().state.TicksPerMs, 10u);
    // Priorities are restored after the measurement.
    EXPECT_EQ(pc.system.priority_class, priority::kNormalClass);
    EXPECT_EQ(pc.system.thread_priority, priority::kThreadNormal);
}

TEST(Startup, SpeakerToneNeedsPortAccessAndSound)
{
    TestPlatform pc;
    ProgramFixture f(pc.platform);
    f.Start();
    auto& st = f.impl().state;
    f.fm().AllSoundChk.SetChecked(true);
    st.DriverOpen = false;
    f.impl().ops.SpeakerTone(500, 200);
    EXPECT_TRUE(pc.ports.WritesTo(0x43).empty());
    st.DriverOpen = true;
    pc.ports.inputs[0x61] = 0x30;
    f.impl().ops.SpeakerTone(500, 200);
    EXPECT_EQ(pc.ports.WritesTo(0x43), std::vector<uint32_t>{0xB6});
    EXPECT_EQ(pc.ports.WritesTo(0x42), (std::vector<uint32_t>{0xF4, 0x01}));
    EXPECT_EQ(pc.ports.WritesTo(0x61), (std::vector<uint32_t>{0x33, 0x00}));
    f.fm().BellChk.SetChecked(true);
    f.impl().ops.BellSignal();
    EXPECT_EQ(pc.ports.WritesTo(0x43).size(), 6u);
}

TEST(CommandKeys, HelpAndLogWindowsAndTabs)
{
    TestPlatform pc;
    ProgramFixture f(pc.platform);
    f.Start();
    WriteText(f.home() / "dummi.htm", "<p>x</p>");
    EXPECT_TRUE(f.fm().KeyDown(form::Key::F1));
    EXPECT_TRUE(f.impl().about.Visible());
    EXPECT_EQ(f.impl().about.HelpView.Path(), (f.home() / "dummi.htm").string());
    EXPECT_EQ(f.impl().about.Caption(), f.fm().Caption() + " Help");
    // F6 does nothing while the partition viewer is disabled.
    f.fm().MainPage.SetActivePageIndex(4);
    f.fm().KeyDown(form::Key::F6);
    EXPECT_EQ(f.fm().MainPage.ActivePageIndex(), 4);
    // F4 switches to the tests and presses "Start" only when it may (here it may not).
    f.fm().ScanStartBtn.SetEnabled(false);
    f.fm().KeyDown(form::Key::F4);
    EXPECT_EQ(f.fm().MainPage.ActivePageIndex(), 2);
    EXPECT_EQ(f.fm().Focused(), &f.fm().Qn);
    // F2 with "Passp" disabled only switches the tab.
    int clicks = 0;
    f.fm().PasspBtn.OnClick = [&] { ++clicks; };
    f.fm().PasspBtn.SetEnabled(false);
    f.fm().KeyDown(form::Key::F2);
    EXPECT_EQ(f.fm().MainPage.ActivePageIndex(), 0);
    EXPECT_EQ(clicks, 0);
    f.fm().KeyDown(form::Key::F8);
    EXPECT_TRUE(f.impl().hefm.Visible());
    EXPECT_EQ(f.impl().hefm.Caption(), "View buffer");
}

// Every start-up step is provided by its subsystem; the steps listed here
// still wait for theirs. A subsystem that lands wires its step and takes it off
// this list; one that forgets shows here.
TEST(Startup, StartupStepsWithoutAProviderAreKnown)
{
    TestPlatform pc;
    ProgramFixture f(pc.platform);
    EXPECT_TRUE(f.impl().steps.Unset().empty());
}

} // namespace
} // namespace mrv::test
