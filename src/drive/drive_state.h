#pragma once
// The drive state the command layer works from, shared by the user-interface
// thread and the test workers. Every field is an atomic: the user interface
// changes options while a worker reads them between commands.

#include <atomic>
#include <cstdint>

namespace mrv
{

enum class AccessMode { Api = 0, Pio = 1 };

struct DriveState {
    // Access mode and channel.
    std::atomic<AccessMode> access_mode{AccessMode::Pio};
    std::atomic<uint16_t> BasePort{0x170};
    std::atomic<uint16_t> AltPort{0x376};
    std::atomic<uint16_t> StatusPort{0x177};
    std::atomic<uint8_t> DeviceSelectBit{0x00};
    std::atomic<bool> Use48Bit{false};

    // API device: a physical drive number, or −1 with a logical drive letter.
    std::atomic<int> ApiDeviceIndex{0};
    std::atomic<char> ApiDriveLetter{'C'};

    // Timing: time-outs in the units of the selected timer.
    std::atomic<uint32_t> TicksPerUnit{1};
    std::atomic<uint32_t> TicksPerMs{10};
    std::atomic<bool> UseCpuCounter{false};
    std::atomic<uint64_t> BusyTimeout{15000};
    std::atomic<uint64_t> DrqTimeout{100};
    std::atomic<uint64_t> ReadyTimeout{1000};

    // Options of the protocol (mirrors of their boxes on the Setup tab).
    /// "DRDY": do not wait for readiness nor probe the channel.
    std::atomic<bool> SkipReadyCheck{false};
    /// "Enable breaking internal loops": readiness waits end on a break.
    std::atomic<bool> BreakLoops{false};
    /// "Don't get drive type": the capacity is taken from READ CAPACITY alone.
    std::atomic<bool> SkipDriveType{false};

    // Process flags.
    std::atomic<bool> IsNtFamily{false};
    std::atomic<bool> DriverOpen{false};
    std::atomic<bool> WriteLbaStamp{false};
    std::atomic<bool> AppClosing{false};
    std::atomic<bool> LbaOutOfRange{false};

    // Break state: set by "Break All" and the like, cleared by ResetBreakState.
    std::atomic<bool> BreakRequested{false};
    std::atomic<bool> AbortRequested{false};

    // Activity indicators.
    std::atomic<bool> PioReadActive{false};
    std::atomic<bool> PioWriteActive{false};
    std::atomic<bool> ApiReadActive{false};
    std::atomic<bool> ApiWriteActive{false};

    /// Port instructions are allowed: not an NT-family system without the grant.
    bool PortsUsable() const { return !(IsNtFamily && !DriverOpen); }
};

/// Sets an activity flag for the lifetime of the object.
class ActiveFlag
{
  public:
    explicit ActiveFlag(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~ActiveFlag() { flag_ = false; }
    ActiveFlag(const ActiveFlag&) = delete;
    ActiveFlag& operator=(const ActiveFlag&) = delete;

  private:
    std::atomic<bool>& flag_;
};

} // namespace mrv
