// The rest of the virtual PC: PCI configuration space, speaker, port-access
// service, system facts and the clocks.

#include "ata_host.h"

#include <atomic>
#include <thread>

namespace mrv::sim::test
{
namespace
{

uint32_t PciRead(PortBus& bus, int b, int d, int f, int reg)
{
    bus.OutDword(0xCF8, 0x80000000u | b << 16 | d << 11 | f << 8 | (reg & 0xFC));
    return bus.InDword(0xCFC);
}

TEST(PciBus, DefaultDevicesShowALegacyAndANativeController)
{
    auto lab = MakeLab("");
    PortBus& bus = lab->Ports();
    EXPECT_EQ(PciRead(bus, 0, 7, 1, 0x00), 0x71118086u);
    EXPECT_EQ(PciRead(bus, 0, 7, 1, 0x08) >> 16, 0x0101u);
    EXPECT_EQ(PciRead(bus, 0, 7, 1, 0x10), 0u);               // legacy mode: no BAR0
    EXPECT_NE(PciRead(bus, 0, 7, 0, 0x0C) & 0x00800000u, 0u); // function 0 is multi-function
    EXPECT_EQ(PciRead(bus, 0, 9, 0, 0x10) & 0xFFFC, 0xD400u);
    EXPECT_EQ((PciRead(bus, 0, 9, 0, 0x14) & 0xFFFC) + 2, 0xD802u);
    EXPECT_EQ(PciRead(bus, 0, 5, 0, 0x00), 0xFFFFFFFFu); // nothing there
    EXPECT_EQ(PciRead(bus, 3, 0, 0, 0x00), 0xFFFFFFFFu);
}

TEST(PciBus, ByteAndWordWindowsAndBarSizing)
{
    auto lab = MakeLab("[Pci a]\nDevice=4\nVendor=1234\nDeviceId=9999\nClass=01\nSubclass=80\nProgIf=85\n"
                       "Bar0=C001\nBar1=C801\n");
    PortBus& bus = lab->Ports();
    bus.OutDword(0xCF8, 0x80000000u | 4 << 11);
    EXPECT_EQ(bus.InWord(0xCFC), 0x1234);
    EXPECT_EQ(bus.InWord(0xCFE), 0x9999);
    EXPECT_EQ(bus.InByte(0xCFF), 0x99);
    bus.OutDword(0xCF8, 0x80000000u | 4 << 11 | 0x08);
    EXPECT_EQ(bus.InByte(0xCFF), 0x01);
    EXPECT_EQ(bus.InByte(0xCFE), 0x80);
    EXPECT_EQ(bus.InByte(0xCFB), 0x80); // the address register itself
    EXPECT_EQ(bus.InDword(0xCF8), 0x80000000u | 4 << 11 | 0x08);
    // Sizing BAR0: all ones read back as the size mask of eight ports.
    bus.OutDword(0xCF8, 0x80000000u | 4 << 11 | 0x10);
    bus.OutDword(0xCFC, 0xFFFFFFFF);
    EXPECT_EQ(bus.InDword(0xCFC), 0xFFFFFFF9u);
    bus.OutDword(0xCFC, 0xC001);
    EXPECT_EQ(bus.InDword(0xCFC), 0xC001u);
    // Without the enable bit the data window floats.
    bus.OutDword(0xCF8, 4 << 11);
    EXPECT_EQ(bus.InDword(0xCFC), 0xFFFFFFFFu);
    // The default list is replaced by the lab's.
    EXPECT_EQ(PciRead(bus, 0, 7, 1, 0), 0xFFFFFFFFu);
}

TEST(Speaker, RecordsTonesWithDivisorAndLength)
{
    auto lab = MakeLab("");
    PortBus& bus = lab->Ports();
    bus.OutByte(0x43, 0xB6);
    bus.OutByte(0x42, 500 & 0xFF);
    bus.OutByte(0x42, 500 >> 8);
    bus.OutByte(0x61, static_cast<uint8_t>(bus.InByte(0x61) | 0x03));
    EXPECT_TRUE(lab->SpeakerLog().Sounding());
    lab->GetClock().SleepMs(200);
    bus.OutByte(0x61, 0);
    const auto tones = lab->SpeakerLog().Tones();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0].divisor, 500);
    EXPECT_EQ(tones[0].duration_ms, 200u);
}

TEST(PortAccess, DefaultGrantsAfterInstallAndStart)
{
    auto lab = MakeLab("");
    PortAccessService& pa = lab->PortAccess();
    std::string dir;
    ASSERT_TRUE(pa.SystemDirectory(dir));
    EXPECT_EQ(pa.CopyDriverFile("PortTalk.sys", dir + "\\Drivers\\PortTalk.sys"), 0u);
    EXPECT_EQ(pa.OpenServiceManager(), 0u);
    EXPECT_EQ(pa.CreateService("PortTalk", "System32\\Drivers\\PortTalk.sys"), 0u);
    pa.CloseService();
    EXPECT_EQ(pa.OpenDevice(), win_error::kFileNotFound); // not started yet
    EXPECT_EQ(pa.OpenServiceManager(), 0u);
    EXPECT_EQ(pa.OpenService("PortTalk"), 0u);
    EXPECT_EQ(pa.StartService(), 0u);
    EXPECT_EQ(pa.StartService(), win_error::kServiceAlreadyRunning);
    ASSERT_EQ(pa.OpenDevice(), 0u);
    EXPECT_EQ(pa.Control(0x9C402400, nullptr, 0), 0u);
    EXPECT_EQ(pa.Control(0x9C402404, nullptr, 0), 0u);
    const uint32_t pid = lab->System().ProcessId();
    EXPECT_EQ(pa.Control(0x9C40240C, &pid, 4), 0u);
    EXPECT_TRUE(lab->SimAccess().PortsGranted());
    // A second program start finds the service.
    EXPECT_EQ(pa.OpenServiceManager(), 0u);
    EXPECT_EQ(pa.CreateService("PortTalk", "x"), win_error::kServiceExists);
}

TEST(PortAccess, LabStatesProduceEachFailure)
{
    auto lab = MakeLab("[PortAccess]\nDriverFile=0\nServiceManager=denied\n");
    PortAccessService& pa = lab->PortAccess();
    EXPECT_EQ(pa.CopyDriverFile("a", "b"), win_error::kFileNotFound);
    EXPECT_EQ(pa.OpenServiceManager(), win_error::kAccessDenied);

    auto lab2 = MakeLab("[PortAccess]\nOpenService=invalidname\n");
    lab2->PortAccess().OpenServiceManager();
    EXPECT_EQ(lab2->PortAccess().OpenService("PortTalk"), win_error::kInvalidName);
    EXPECT_EQ(lab2->PortAccess().StartService(), win_error::kInvalidHandle);

    auto lab3 = MakeLab("[PortAccess]\nRunning=1\nAllow=refuse\n");
    PortAccessService& p3 = lab3->PortAccess();
    ASSERT_EQ(p3.OpenDevice(), 0u);
    EXPECT_EQ(p3.Control(0x9C402400, nullptr, 0), 0u);
    EXPECT_NE(p3.Control(0x9C402404, nullptr, 0), 0u);
    EXPECT_FALSE(lab3->SimAccess().PortsGranted());

    auto lab4 = MakeLab("[PortAccess]\nOpenService=denied\n");
    lab4->PortAccess().OpenServiceManager();
    EXPECT_EQ(lab4->PortAccess().OpenService("PortTalk"), win_error::kAccessDenied);

    auto lab5 = MakeLab("[PortAccess]\nService=0\n");
    lab5->PortAccess().OpenServiceManager();
    EXPECT_EQ(lab5->PortAccess().OpenService("PortTalk"), win_error::kServiceDoesNotExist);
}

TEST(SystemInfo, DefaultsAndLabValues)
{
    auto lab = MakeLab("");
    SystemInfo& sys = lab->System();
    EXPECT_EQ(sys.Version().platform, 2);
    EXPECT_EQ(sys.Version().major, 5);
    EXPECT_EQ(sys.Version().minor, 1);
    EXPECT_EQ(sys.Version().build, 2600);
    EXPECT_TRUE(sys.IsAdministrator());
    EXPECT_FALSE(sys.IsWow64());
    EXPECT_EQ(sys.CpuCount(), 2);
    EXPECT_EQ(sys.KernelName(), "");
    sys.SetPriorityClass(priority::kRealtimeClass);
    sys.SetThreadPriority(priority::kThreadTimeCritical);
    EXPECT_EQ(sys.PriorityClass(), priority::kRealtimeClass);
    EXPECT_EQ(sys.ThreadPriority(), priority::kThreadTimeCritical);
    EXPECT_TRUE(sys.RequestPowerOff());
    EXPECT_EQ(lab->SimSystem().PowerOffRequests(), 1);

    auto win7 = MakeLab("[System]\nMajor=6\nMinor=1\nBuild=7601\nWow64=1\nAdmin=0\nCpus=4\nCpuMHz=3000\n"
                        "Workstation=0\n");
    EXPECT_EQ(win7->System().Version().major, 6);
    EXPECT_FALSE(win7->System().Version().workstation);
    EXPECT_TRUE(win7->System().IsWow64());
    EXPECT_FALSE(win7->System().IsAdministrator());
    EXPECT_EQ(win7->System().CpuCount(), 4);
    EXPECT_EQ(win7->Time().CpuMhz(), 3000u);
}

TEST(SimClock, VirtualTimeMovesWithReadsAndSleeps)
{
    SimClock clock(ClockMode::Virtual, 2400);
    const uint64_t t0 = clock.ReadTsc();
    clock.SleepMs(10);
    const uint64_t t1 = clock.ReadTsc();
    EXPECT_GE(t1 - t0, 24000000u);
    EXPECT_LT(t1 - t0, 24100000u);
    // A busy-poll loop with no sleep ends.
    const uint64_t deadline = clock.TickCountMs() + 15000;
    uint64_t polls = 0;
    while (clock.TickCountMs() < deadline)
        ++polls;
    EXPECT_GT(polls, 1000u);
    const LocalDateTime start = SimClock::DefaultStart();
    SimClock later(ClockMode::Virtual, 2400, LocalDateTime{2018, 12, 31, 23, 59, 59, 500});
    later.SleepMs(600);
    const LocalDateTime now = later.Now();
    EXPECT_EQ(now.year, 2019);
    EXPECT_EQ(now.month, 1);
    EXPECT_EQ(now.day, 1);
    EXPECT_EQ(now.second, 0);
    EXPECT_EQ(now.millisecond, 100);
    EXPECT_EQ(start.hour, 12);
}

TEST(SimClock, PeriodicTimerFiresAsVirtualTimePassesAndOnItsOwn)
{
    SimClock clock(ClockMode::Virtual, 2400);
    std::atomic<int> ticks{0};
    {
        auto timer = clock.StartPeriodic1ms([&] { ticks.fetch_add(1); });
        // Nobody moves time: the timer thread does, so a waiting worker is released.
        while (ticks.load() < 5)
            std::this_thread::yield();
        const int before = ticks.load();
        clock.SleepMs(50);
        while (ticks.load() == before)
            std::this_thread::yield();
    }
    const int after = ticks.load();
    clock.SleepMs(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ticks.load(), after); // stopped with the handle
}

TEST(SimClock, AnIdleMessageLoopLeavesTimeToTheWorkerThatMovesIt)
{
    SimClock clock(ClockMode::Virtual, 2400);
    clock.SetPollQuantumNs(1000);
    // Alone, the loop's pause moves time itself.
    clock.IdleMs(3);
    EXPECT_EQ(clock.PeekNs(), 3000000u);

    // A worker that polls the counter for 40 ms while the loop idles: the time
    // that passes is the worker's own (the loop may add a millisecond only
    // when the worker is off the processor for a while). How long the system
    // leaves the worker off the processor is its own affair, so on a loaded
    // machine one of three runs must show it.
    std::string runs;
    bool left_to_the_worker = false;
    for (int run = 0; run < 3 && !left_to_the_worker; ++run) {
        const uint64_t start_ns = clock.PeekNs();
        std::atomic<bool> started{false};
        std::atomic<bool> done{false};
        uint64_t worker_polls = 0;
        std::thread worker([&] {
            const uint64_t end = clock.ReadTsc() + 40ull * 2400 * 1000;
            started = true;
            while (clock.ReadTsc() < end) {
                ++worker_polls;
                if (worker_polls % 64 == 0) std::this_thread::yield();
            }
            done = true;
        });
        while (!started.load())
            std::this_thread::yield();
        int pauses = 0;
        while (!done.load()) {
            clock.IdleMs(1);
            ++pauses;
        }
        worker.join();
        const uint64_t worker_ns = (worker_polls + 2) * 1000;
        const uint64_t loop_ns = clock.PeekNs() - start_ns - std::min(worker_ns, clock.PeekNs() - start_ns);
        left_to_the_worker = worker_ns >= 40000000u && loop_ns <= 3000000u;
        runs += " [" + std::to_string(pauses) + " pauses, worker " + std::to_string(worker_ns) +
                " ns, loop " + std::to_string(loop_ns) + " ns]";
    }
    EXPECT_TRUE(left_to_the_worker) << runs;

    // Once the worker has gone, the loop moves time again after a short wait.
    const uint64_t before = clock.PeekNs();
    clock.IdleMs(5);
    EXPECT_GE(clock.PeekNs(), before + 5000000u);
}

TEST(SimClock, RealModeFollowsTheWallClock)
{
    SimClock clock(ClockMode::Real, 1000);
    const uint64_t t0 = clock.TickCountMs();
    clock.SleepMs(20);
    EXPECT_GE(clock.TickCountMs() - t0, 19u);
    std::atomic<int> ticks{0};
    {
        auto timer = clock.StartPeriodic1ms([&] { ticks.fetch_add(1); });
        while (ticks.load() < 3)
            std::this_thread::yield();
    }
}

} // namespace
} // namespace mrv::sim::test
