#pragma once
// Facts about the machine and process that the start-up sequence inspects, and
// the scheduling switches that timing-critical work uses.

#include <cstdint>
#include <string>

namespace mrv
{

/// Windows-style version record. Linux reports itself as the NT family (a
/// port-permission grant is needed there too) and names itself in KernelName().
struct OsVersion {
    int platform = 2; ///< 0 Win32s, 1 Windows 9x, 2 NT family
    int major = 5;
    int minor = 1;
    int build = 2600;
    bool workstation = true;
};

/// Priority classes and thread priorities with the Windows values the program uses.
namespace priority
{
inline constexpr uint32_t kNormalClass = 0x20;
inline constexpr uint32_t kHighClass = 0x80;
inline constexpr uint32_t kRealtimeClass = 0x100;
inline constexpr int kThreadNormal = 0;
inline constexpr int kThreadHighest = 2;
inline constexpr int kThreadTimeCritical = 15;
} // namespace priority

class SystemInfo
{
  public:
    virtual ~SystemInfo() = default;

    virtual OsVersion Version() = 0;
    /// A 32-bit process under a 64-bit system (no port I/O possible).
    virtual bool IsWow64() = 0;
    virtual bool IsAdministrator() = 0;
    virtual int CpuCount() = 0;
    /// The system's own name ("Linux 6.1.0 x64"); empty where the Windows
    /// version table names it.
    virtual std::string KernelName() = 0;
    virtual uint32_t ProcessId() = 0;

    virtual uint32_t PriorityClass() = 0;
    virtual void SetPriorityClass(uint32_t cls) = 0;
    virtual int ThreadPriority() = 0;
    virtual void SetThreadPriority(int prio) = 0;

    /// Asks the system to power off; false when refused.
    virtual bool RequestPowerOff() = 0;
};

} // namespace mrv
