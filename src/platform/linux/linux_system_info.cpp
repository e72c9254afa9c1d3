#include "platform/linux/linux_system_info.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sched.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mrv::linux_platform
{

namespace
{

constexpr int kCapSysRawio = 17;
constexpr int kCapSysAdmin = 21;

// Windows keeps one priority class per process and a priority per thread;
// Linux schedules threads. The class is applied to the thread that sets it
// (the program raises it around short measurements on the thread that
// measures), the thread priority to the calling thread only.
std::atomic<uint32_t> g_priority_class{priority::kNormalClass};
thread_local int t_thread_priority = priority::kThreadNormal;
thread_local bool t_nice_saved = false;
thread_local int t_saved_nice = 0;

std::string KernelReleaseText()
{
    utsname names{};
    if (uname(&names) != 0) return {};
    return names.release;
}

bool IsKernel64Bit()
{
    utsname names{};
    if (uname(&names) != 0) return sizeof(void*) == 8;
    const std::string machine = names.machine;
    return machine.size() >= 2 && machine.compare(machine.size() - 2, 2, "64") == 0;
}

pid_t ThreadId()
{
    return static_cast<pid_t>(gettid());
}

/// Nice value for the class and thread priority when real-time scheduling is
/// not to be had (or not wanted).
int NiceFor(uint32_t cls, int thread_priority)
{
    int nice_value = 0;
    if (cls == priority::kRealtimeClass)
        nice_value = -20;
    else if (cls == priority::kHighClass)
        nice_value = -10;
    if (thread_priority >= priority::kThreadTimeCritical)
        nice_value = -20;
    else if (thread_priority >= priority::kThreadHighest)
        nice_value -= 5;
    return std::max(nice_value, -20);
}

void ApplyScheduling()
{
    const uint32_t cls = g_priority_class.load(std::memory_order_relaxed);
    const int thread_priority = t_thread_priority;
    const pid_t tid = ThreadId();
    if (!t_nice_saved) {
        errno = 0;
        const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
        t_saved_nice = errno == 0 ? current : 0;
        t_nice_saved = true;
    }

    // Only the real-time class becomes SCHED_FIFO: a time-critical thread in an
    // ordinary class busy-waits on the counter and must not starve the system.
    if (cls == priority::kRealtimeClass) {
        sched_param param{};
        param.sched_priority = thread_priority >= priority::kThreadTimeCritical ? 20
                               : thread_priority >= priority::kThreadHighest    ? 12
                                                                                : 10;
        if (sched_setscheduler(0, SCHED_FIFO, &param) == 0) return;
    } else {
        sched_param param{};
        sched_setscheduler(0, SCHED_OTHER, &param);
    }

    const bool normal = cls == priority::kNormalClass && thread_priority == priority::kThreadNormal;
    const int wanted = normal ? t_saved_nice : NiceFor(cls, thread_priority);
    // Lowering the nice value needs CAP_SYS_NICE; without it the thread keeps its
    // priority, as Windows does when the raise is refused.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), wanted);
}

} // namespace

KernelRelease ParseKernelRelease(const std::string& release)
{
    KernelRelease parsed;
    int* fields[] = {&parsed.major, &parsed.minor, &parsed.patch};
    size_t at = 0;
    for (int* field : fields) {
        if (at >= release.size() || release[at] < '0' || release[at] > '9') break;
        long value = 0;
        while (at < release.size() && release[at] >= '0' && release[at] <= '9') {
            if (value < 100000) value = value * 10 + (release[at] - '0');
            ++at;
        }
        *field = static_cast<int>(value);
        if (at >= release.size() || release[at] != '.') break;
        ++at;
    }
    return parsed;
}

bool CapEffAllowsRawAccess(const std::string& proc_status)
{
    std::istringstream lines(proc_status);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("CapEff:", 0) != 0) continue;
        const std::string hex = line.substr(7);
        char* end = nullptr;
        errno = 0;
        const unsigned long long mask = std::strtoull(hex.c_str(), &end, 16);
        if (errno != 0 || end == hex.c_str()) return false;
        const unsigned long long wanted = (1ull << kCapSysAdmin) | (1ull << kCapSysRawio);
        return (mask & wanted) == wanted;
    }
    return false;
}

LinuxSystemInfo::LinuxSystemInfo(std::vector<std::string> power_off_command)
    : power_off_command_(std::move(power_off_command))
{
}

OsVersion LinuxSystemInfo::Version()
{
    const KernelRelease release = ParseKernelRelease(KernelReleaseText());
    OsVersion version;
    version.platform = 2;
    version.major = release.major;
    version.minor = release.minor;
    version.build = release.patch;
    version.workstation = true;
    return version;
}

bool LinuxSystemInfo::IsWow64()
{
#if defined(__x86_64__) || defined(__i386__)
    return false;
#else
    return true; // no I/O port instructions on this processor
#endif
}

bool LinuxSystemInfo::IsAdministrator()
{
    if (geteuid() == 0) return true;
    std::ifstream status("/proc/self/status");
    if (!status) return false;
    std::ostringstream text;
    text << status.rdbuf();
    return CapEffAllowsRawAccess(text.str());
}

int LinuxSystemInfo::CpuCount()
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

std::string LinuxSystemInfo::KernelName()
{
    return "Linux " + KernelReleaseText() + (IsKernel64Bit() ? " x64" : " x32");
}

uint32_t LinuxSystemInfo::ProcessId()
{
    return static_cast<uint32_t>(getpid());
}

uint32_t LinuxSystemInfo::PriorityClass()
{
    return g_priority_class.load(std::memory_order_relaxed);
}

void LinuxSystemInfo::SetPriorityClass(uint32_t cls)
{
    g_priority_class.store(cls, std::memory_order_relaxed);
    ApplyScheduling();
}

int LinuxSystemInfo::ThreadPriority()
{
    return t_thread_priority;
}

void LinuxSystemInfo::SetThreadPriority(int prio)
{
    t_thread_priority = prio;
    ApplyScheduling();
}

bool LinuxSystemInfo::RequestPowerOff()
{
    if (power_off_command_.empty()) return false;
    std::vector<char*> argv;
    for (auto& arg : power_off_command_)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace mrv::linux_platform
