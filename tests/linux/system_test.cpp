#include "platform/linux/linux_platform.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace mrv;
using namespace mrv::linux_platform;

TEST(KernelRelease, ParsesDistributionStrings)
{
    const auto debian = ParseKernelRelease("6.1.0-18-amd64");
    EXPECT_EQ(debian.major, 6);
    EXPECT_EQ(debian.minor, 1);
    EXPECT_EQ(debian.patch, 0);
    const auto fc = ParseKernelRelease("6.18.44-fc-v1422");
    EXPECT_EQ(fc.major, 6);
    EXPECT_EQ(fc.minor, 18);
    EXPECT_EQ(fc.patch, 44);
    const auto two = ParseKernelRelease("5.4");
    EXPECT_EQ(two.minor, 4);
    EXPECT_EQ(two.patch, 0);
    const auto junk = ParseKernelRelease("weird");
    EXPECT_EQ(junk.major, 0);
}

TEST(CapEff, NeedsBothSysAdminAndSysRawio)
{
    EXPECT_TRUE(CapEffAllowsRawAccess("Name:\tx\nCapEff:\t000001fffeffffff\n"));
    EXPECT_TRUE(CapEffAllowsRawAccess("CapEff:\t0000000000220000\n"));  // bits 17 and 21
    EXPECT_FALSE(CapEffAllowsRawAccess("CapEff:\t0000000000200000\n")); // admin only
    EXPECT_FALSE(CapEffAllowsRawAccess("CapEff:\t0000000000020000\n")); // rawio only
    EXPECT_FALSE(CapEffAllowsRawAccess("CapPrm:\t000001fffeffffff\n")); // not the effective set
    EXPECT_FALSE(CapEffAllowsRawAccess("CapEff:\tzz\n"));
    EXPECT_FALSE(CapEffAllowsRawAccess(""));
}

TEST(LinuxSystemInfo, DescribesTheRunningSystem)
{
    LinuxSystemInfo info;
    const OsVersion version = info.Version();
    EXPECT_EQ(version.platform, 2);
    EXPECT_GE(version.major, 2);
    EXPECT_TRUE(version.workstation);
    const std::string name = info.KernelName();
    EXPECT_EQ(name.rfind("Linux ", 0), 0u) << name;
    const std::string tail = name.substr(name.size() - 4);
    EXPECT_TRUE(tail == " x64" || tail == " x32") << name;
    EXPECT_GE(info.CpuCount(), 1);
    EXPECT_EQ(info.ProcessId(), static_cast<uint32_t>(getpid()));
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_FALSE(info.IsWow64());
#endif
    if (geteuid() == 0) {
        EXPECT_TRUE(info.IsAdministrator());
    }
}

TEST(LinuxSystemInfo, PowerOffReportsWhetherTheCommandSucceeded)
{
    EXPECT_TRUE(LinuxSystemInfo({"true"}).RequestPowerOff());
    EXPECT_FALSE(LinuxSystemInfo({"false"}).RequestPowerOff());
    EXPECT_FALSE(LinuxSystemInfo({"/nonexistent/mrv-poweroff"}).RequestPowerOff());
    EXPECT_FALSE(LinuxSystemInfo(std::vector<std::string>{}).RequestPowerOff());
}

TEST(LinuxSystemInfo, PrioritiesAreRememberedAndRestored)
{
    // On a thread of its own, so that the test runner's thread is never changed.
    std::thread worker([] {
        LinuxSystemInfo info;
        errno = 0;
        const int nice_before = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        const uint32_t class_before = info.PriorityClass();
        const int thread_before = info.ThreadPriority();
        EXPECT_EQ(class_before, priority::kNormalClass);
        EXPECT_EQ(thread_before, priority::kThreadNormal);

        info.SetPriorityClass(priority::kRealtimeClass);
        info.SetThreadPriority(priority::kThreadTimeCritical);
        EXPECT_EQ(info.PriorityClass(), priority::kRealtimeClass);
        EXPECT_EQ(info.ThreadPriority(), priority::kThreadTimeCritical);

        info.SetPriorityClass(class_before);
        info.SetThreadPriority(thread_before);
        EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), nice_before);
    });
    worker.join();
}

TEST(LinuxClock, CountersMoveForward)
{
    LinuxClock clock;
    const uint64_t tick = clock.TickCountMs();
    const uint64_t tsc = clock.ReadTsc();
    clock.SleepMs(2);
    EXPECT_GE(clock.TickCountMs(), tick);
    EXPECT_GT(clock.ReadTsc(), tsc);
    const LocalDateTime now = clock.Now();
    EXPECT_GE(now.year, 2020);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12);
    EXPECT_TRUE(now.day >= 1 && now.day <= 31);
    EXPECT_TRUE(now.hour >= 0 && now.hour <= 23);
    EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
}

TEST(LinuxClock, PeriodicTimerTicksUntilDestroyed)
{
    LinuxClock clock;
    std::atomic<int> ticks{0};
    auto timer = clock.StartPeriodic1ms([&] { ticks.fetch_add(1, std::memory_order_relaxed); });
    ASSERT_NE(timer, nullptr);
    // Waits for progress, never for a time: a loaded machine only makes it slower.
    while (ticks.load(std::memory_order_relaxed) < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timer.reset();
    const int after_stop = ticks.load(std::memory_order_relaxed);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ticks.load(std::memory_order_relaxed), after_stop);
}

TEST(LinuxPortAccess, ServiceStepsSucceedAndTheGrantSaysWhyItFails)
{
    LinuxPortAccess access;
    std::string dir;
    EXPECT_TRUE(access.SystemDirectory(dir));
    EXPECT_FALSE(dir.empty());
    EXPECT_EQ(access.CopyDriverFile("PortTalk.sys", dir + "/PortTalk.sys"), 0u);
    EXPECT_EQ(access.OpenServiceManager(), 0u);
    EXPECT_EQ(access.CreateService("PortTalk", "System32/Drivers/PortTalk.sys"), 0u);
    EXPECT_EQ(access.OpenService("PortTalk"), 0u);
    EXPECT_EQ(access.StartService(), 0u);
    access.CloseService();

    // The grant before the device is open is refused.
    const uint32_t pid = static_cast<uint32_t>(getpid());
    EXPECT_EQ(access.Control(kApplyToProcess, &pid, sizeof pid), win_error::kInvalidHandle);

    ASSERT_EQ(access.OpenDevice(), 0u);
    EXPECT_EQ(access.Control(0x9C402408, nullptr, 0), win_error::kInvalidFunction);
    EXPECT_EQ(access.Control(kApplyToProcess, nullptr, 0), win_error::kInvalidParameter);
    const uint32_t other = pid + 1;
    EXPECT_EQ(access.Control(kApplyToProcess, &other, sizeof other), win_error::kInvalidParameter);

    EXPECT_EQ(access.Control(kRestrictAllPorts, nullptr, 0), 0u);
    EXPECT_EQ(access.Control(kAllowAllPorts, nullptr, 0), 0u);
    const uint32_t granted = access.Control(kApplyToProcess, &pid, sizeof pid);
    if (granted == 0) {
        EXPECT_TRUE(access.LastReason().empty());
        // Give the ports back: the rest of the tests must not hold them.
        EXPECT_EQ(access.Control(kRestrictAllPorts, nullptr, 0), 0u);
    } else {
        // This kernel refuses (not permitted, or built without port access).
        EXPECT_TRUE(granted == win_error::kAccessDenied || granted == win_error::kNotSupported) << granted;
        EXPECT_NE(access.LastReason().find("iopl: "), std::string::npos) << access.LastReason();
    }
    access.CloseDevice();
}
