#include "app/event_log.h"
#include "app/settings.h"
#include "app/startup.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

TEST(SystemName, WindowsVersionTable)
{
    auto name = [](int platform, int major, int minor, int build, bool ws, bool wow) {
        return Startup::WindowsName(OsVersion{platform, major, minor, build, ws}, wow);
    };
    EXPECT_EQ(name(0, 3, 1, 0, true, false), "Win32s x32");
    EXPECT_EQ(name(1, 4, 0, 950, true, false), "Windows 95 x32");
    EXPECT_EQ(name(1, 4, 10, 1998, true, false), "Windows 98 x32");
    EXPECT_EQ(name(1, 4, 90, 3000, true, false), "Windows Me x32");
    EXPECT_EQ(name(2, 4, 0, 1381, true, false), "Windows NT 4.0 x32");
    EXPECT_EQ(name(2, 5, 1, 2600, true, false), "Windows XP x32");
    EXPECT_EQ(name(2, 6, 1, 7601, true, true), "Windows 7 x64");
    EXPECT_EQ(name(2, 6, 1, 7601, false, true), "Windows Server 2008 R2 x64");
    EXPECT_EQ(name(2, 10, 0, 19045, true, true), "Windows 10 x64");
    EXPECT_EQ(name(2, 11, 0, 1, true, true), "Windows x64");
}

TEST(NightTime, MutingWindowIsStrict)
{
    auto at = [](int h, int m, int s, int ms) {
        return (h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms) / 86400000.0;
    };
    EXPECT_FALSE(Startup::IsNightTime(at(1, 0, 0, 0)));
    EXPECT_TRUE(Startup::IsNightTime(at(1, 0, 1, 0)));
    EXPECT_TRUE(Startup::IsNightTime(at(3, 0, 0, 0)));
    EXPECT_TRUE(Startup::IsNightTime(at(8, 0, 3, 0)));
    EXPECT_FALSE(Startup::IsNightTime(at(8, 0, 4, 0)));
    EXPECT_FALSE(Startup::IsNightTime(at(9, 0, 0, 0)));
}

TEST(EventLogText, CleansFileNamesAndFindsDigits)
{
    EXPECT_EQ(EventLog::CleanFileName("ev\"ent*/:<>?\\^`|\x01log.txt"), "eventlog.txt");
    EXPECT_EQ(EventLog::CleanFileName("\"*?"), "");
    EXPECT_EQ(EventLog::FirstDigitRun("Model: X; Capacity: 1953525168 LBAs 12"), "1953525168");
    EXPECT_EQ(EventLog::FirstDigitRun("no digits"), "");
}

TEST(SettingsTime, TimeOfRandomTestUsesTimeOfDayOnly)
{
    EXPECT_EQ(Settings::TimeOfDayText(10.1), "02:24:00");
    EXPECT_EQ(Settings::TimeOfDayText(0.5), "12:00:00");
    double days = 0;
    ASSERT_TRUE(Settings::ParseTimeOfDay("02:24:00", days));
    EXPECT_NEAR(days, 0.1, 1e-9);
    EXPECT_FALSE(Settings::ParseTimeOfDay("25:00:00", days));
    EXPECT_FALSE(Settings::ParseTimeOfDay("2:4", days));
}

} // namespace
} // namespace mrv
