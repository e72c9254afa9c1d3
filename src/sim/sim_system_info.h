#pragma once
// The virtual PC's operating system facts, from the lab's [System] section.

#include "platform/system_info.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace mrv::sim
{

struct SystemConfig {
    OsVersion version;
    bool wow64 = false;
    bool admin = true;
    int cpus = 2;
    uint32_t cpu_mhz = 2400;
    bool power_off_allowed = true;
    uint32_t process_id = 4242;
    /// The system's own name ("Linux 6.1.0 x64"); empty for a Windows system.
    std::string kernel_name;
};

class SimSystemInfo : public SystemInfo
{
  public:
    explicit SimSystemInfo(const SystemConfig& config) : config_(config) {}

    OsVersion Version() override { return config_.version; }
    bool IsWow64() override { return config_.wow64; }
    bool IsAdministrator() override { return config_.admin; }
    int CpuCount() override { return config_.cpus; }
    std::string KernelName() override { return config_.kernel_name; }
    uint32_t ProcessId() override { return config_.process_id; }
    uint32_t PriorityClass() override { return priority_class_.load(); }
    void SetPriorityClass(uint32_t cls) override { priority_class_.store(cls); }
    int ThreadPriority() override { return thread_priority_.load(); }
    void SetThreadPriority(int prio) override { thread_priority_.store(prio); }
    bool RequestPowerOff() override
    {
        power_off_requests_.fetch_add(1);
        return config_.power_off_allowed;
    }

    int PowerOffRequests() const { return power_off_requests_.load(); }

  private:
    SystemConfig config_;
    std::atomic<uint32_t> priority_class_{priority::kNormalClass};
    std::atomic<int> thread_priority_{priority::kThreadNormal};
    std::atomic<int> power_off_requests_{0};
};

} // namespace mrv::sim
