#pragma once
// Facts about the Linux machine and process, and the scheduling switches,
// expressed with the Windows values the program works with.

#include "platform/system_info.h"

#include <string>
#include <vector>

namespace mrv::linux_platform
{

/// Kernel major, minor and patch numbers from a release string ("6.1.0-18-amd64").
struct KernelRelease {
    int major = 0;
    int minor = 0;
    int patch = 0;
};
KernelRelease ParseKernelRelease(const std::string& release);

/// True when the CapEff line of /proc/<pid>/status text holds both
/// CAP_SYS_ADMIN and CAP_SYS_RAWIO (what raw disk and port access need).
bool CapEffAllowsRawAccess(const std::string& proc_status);

class LinuxSystemInfo : public SystemInfo
{
  public:
    /// `power_off_command` is run for RequestPowerOff (argv form, searched in PATH).
    explicit LinuxSystemInfo(std::vector<std::string> power_off_command = {"systemctl", "poweroff"});

    OsVersion Version() override;
    bool IsWow64() override;
    bool IsAdministrator() override;
    int CpuCount() override;
    std::string KernelName() override;
    uint32_t ProcessId() override;

    uint32_t PriorityClass() override;
    void SetPriorityClass(uint32_t cls) override;
    int ThreadPriority() override;
    void SetThreadPriority(int prio) override;

    bool RequestPowerOff() override;

  private:
    std::vector<std::string> power_off_command_;
};

} // namespace mrv::linux_platform
