#include "app/ini_file.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

TEST(IniFile, ReadsValuesWithFallbacksAndFlagsJunk)
{
    IniFile ini = IniFile::Parse(
        "[Setup]\nBUSY Timeout = 20\nBell=abc\nBig=99999999999\nHex=0x1F0\n[ata port]\nCustomBase=54272\n");
    bool valid = true;
    EXPECT_EQ(ini.ReadInteger("Setup", "BUSY Timeout", 15, &valid), 20);
    EXPECT_TRUE(valid);
    EXPECT_EQ(ini.ReadInteger("Setup", "Bell", 0, &valid), 0);
    EXPECT_FALSE(valid);
    EXPECT_EQ(ini.ReadInteger("Setup", "Big", 7, &valid), 7);
    EXPECT_FALSE(valid);
    EXPECT_EQ(ini.ReadInteger("Setup", "Hex", 0), 0x1F0);
    // Section and key names compare without regard to case, as the profile functions do.
    EXPECT_EQ(ini.ReadInteger("ATA Port", "custombase", 0), 54272);
    EXPECT_EQ(ini.ReadInteger("Missing", "Key", 42, &valid), 42);
    EXPECT_TRUE(valid);
}

TEST(IniFile, WritesInPlaceAppendsAndKeepsForeignLines)
{
    IniFile ini = IniFile::Parse("; kept comment\n[Setup]\nWrite=1\nAutoInstallDriver=0\n\n[Other]\nx=1\n");
    ini.WriteInteger("Setup", "Write", 0);
    ini.WriteString("Setup", "LogFileName", "eventlog.txt");
    ini.WriteBool("New", "Flag", true);
    EXPECT_EQ(ini.Text(),
              "; kept comment\n[Setup]\nWrite=0\nAutoInstallDriver=0\nLogFileName=eventlog.txt\n\n"
              "[Other]\nx=1\n[New]\nFlag=1\n");
}

TEST(IniFile, FloatsRoundTripInShortestForm)
{
    EXPECT_EQ(FormatFloat(10.1), "10.1");
    EXPECT_EQ(FormatFloat(0.5), "0.5");
    IniFile ini = IniFile::Parse("[Scan]\nTime of RND=10,25\nBad=1.2.3\n");
    bool valid = true;
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Scan", "Time of RND", 0, &valid), 10.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Scan", "Bad", 1.5, &valid), 1.5);
    EXPECT_FALSE(valid);
}

} // namespace
} // namespace mrv
