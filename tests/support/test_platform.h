#pragma once
// A small, fully controlled platform for program tests that need no drive:
// system facts set by the test, a virtual clock, a port bus that records what
// the program wrote (and floats at FFh), a configurable port-access service and
// no OS devices.

#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace mrv::test
{

class FakeSystemInfo : public SystemInfo
{
  public:
    OsVersion version;
    bool wow64 = false;
    bool admin = true;
    int cpus = 2;
    std::string kernel_name;
    uint32_t priority_class = priority::kNormalClass;
    int thread_priority = priority::kThreadNormal;
    int power_off_requests = 0;

    OsVersion Version() override { return version; }
    bool IsWow64() override { return wow64; }
    bool IsAdministrator() override { return admin; }
    int CpuCount() override { return cpus; }
    std::string KernelName() override { return kernel_name; }
    uint32_t ProcessId() override { return 4242; }
    uint32_t PriorityClass() override { return priority_class; }
    void SetPriorityClass(uint32_t cls) override { priority_class = cls; }
    int ThreadPriority() override { return thread_priority; }
    void SetThreadPriority(int prio) override { thread_priority = prio; }
    bool RequestPowerOff() override { return ++power_off_requests > 0; }
};

/// Virtual time: sleeping advances it at once, every read advances it a little
/// so that polling loops end.
class VirtualClock : public Clock
{
  public:
    double mhz = 2400.0;
    /// Local time at virtual time zero.
    LocalDateTime start{2026, 12, 9, 12, 0, 0, 0};

    uint64_t TickCountMs() override { return Advance(10) / 1000000; }
    uint64_t ReadTsc() override
    {
        return static_cast<uint64_t>(static_cast<double>(Advance(10)) * mhz / 1000.0);
    }
    void SleepMs(uint32_t ms) override { Advance(static_cast<uint64_t>(ms) * 1000000); }
    LocalDateTime Now() override;
    std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()> tick) override;
    uint64_t Nanoseconds() const { return ns_.load(); }

  private:
    uint64_t Advance(uint64_t ns) { return ns_.fetch_add(ns) + ns; }
    std::atomic<uint64_t> ns_{0};
};

/// Records port writes; reads return what the test put in `inputs`, else FFh.
class RecordingPortBus : public PortBus
{
  public:
    struct Access {
        bool write;
        uint16_t port;
        uint32_t value;
    };
    std::vector<Access> accesses;
    std::map<uint16_t, uint32_t> inputs;

    uint8_t InByte(uint16_t port) override { return static_cast<uint8_t>(In(port)); }
    uint16_t InWord(uint16_t port) override { return static_cast<uint16_t>(In(port)); }
    uint32_t InDword(uint16_t port) override { return In(port); }
    void OutByte(uint16_t port, uint8_t value) override { accesses.push_back({true, port, value}); }
    void OutWord(uint16_t port, uint16_t value) override { accesses.push_back({true, port, value}); }
    void OutDword(uint16_t port, uint32_t value) override { accesses.push_back({true, port, value}); }
    void InWords(uint16_t port, uint16_t* dst, size_t count) override
    {
        for (size_t i = 0; i < count; ++i)
            dst[i] = InWord(port);
    }
    void OutWords(uint16_t port, const uint16_t* src, size_t count) override
    {
        for (size_t i = 0; i < count; ++i)
            OutWord(port, src[i]);
    }
    void InDwords(uint16_t port, uint32_t* dst, size_t count) override
    {
        for (size_t i = 0; i < count; ++i)
            dst[i] = InDword(port);
    }
    void OutDwords(uint16_t port, const uint32_t* src, size_t count) override
    {
        for (size_t i = 0; i < count; ++i)
            OutDword(port, src[i]);
    }
    /// Values written to one port, in order.
    std::vector<uint32_t> WritesTo(uint16_t port) const;

  private:
    uint32_t In(uint16_t port)
    {
        accesses.push_back({false, port, 0});
        auto it = inputs.find(port);
        return it == inputs.end() ? 0xFFFFFFFFu : it->second;
    }
};

/// Every step succeeds unless the test sets its error.
class FakePortAccess : public PortAccessService
{
  public:
    uint32_t copy_error = 0, manager_error = 0, create_error = 0, open_service_error = 0, start_error = 0,
             open_device_error = 0;
    std::map<uint32_t, uint32_t> control_errors;
    std::vector<std::string> calls;

    bool SystemDirectory(std::string& dir) override
    {
        calls.push_back("SystemDirectory");
        dir = "C:\\WINDOWS\\system32";
        return true;
    }
    uint32_t CopyDriverFile(const std::string&, const std::string&) override
    {
        return Call("Copy", copy_error);
    }
    uint32_t OpenServiceManager() override { return Call("OpenServiceManager", manager_error); }
    uint32_t CreateService(const std::string&, const std::string&) override
    {
        return Call("CreateService", create_error);
    }
    uint32_t OpenService(const std::string&) override { return Call("OpenService", open_service_error); }
    uint32_t StartService() override { return Call("StartService", start_error); }
    void CloseService() override { calls.push_back("CloseService"); }
    uint32_t OpenDevice() override { return Call("OpenDevice", open_device_error); }
    uint32_t Control(uint32_t code, const void*, uint32_t) override
    {
        auto it = control_errors.find(code);
        return Call("Control", it == control_errors.end() ? 0 : it->second);
    }
    void CloseDevice() override { calls.push_back("CloseDevice"); }

  private:
    uint32_t Call(const char* name, uint32_t result)
    {
        calls.push_back(name);
        return result;
    }
};

class NoOsDevices : public OsDevices
{
  public:
    std::unique_ptr<OsDevice> OpenPhysical(int, uint32_t& error) override
    {
        error = 2;
        return nullptr;
    }
    std::unique_ptr<OsDevice> OpenLogical(char, uint32_t& error) override
    {
        error = 2;
        return nullptr;
    }
    uint32_t LogicalDriveMask() override { return 0; }
    LogicalDriveType DriveType(char) override { return LogicalDriveType::NoRootDir; }
};

struct TestPlatform {
    FakeSystemInfo system;
    VirtualClock clock;
    RecordingPortBus ports;
    FakePortAccess port_access;
    NoOsDevices devices;
    PortPciConfig pci{ports};
    Platform platform{ports, port_access, devices, system, clock, pci};
};

} // namespace mrv::test
