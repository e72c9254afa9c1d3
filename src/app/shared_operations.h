#pragma once
// Small operations every subsystem calls: keeping the test workers apart from
// user-interface drive commands, locking the drive choice during tests, the
// break state, the PC speaker and the counter-based timers.

#include <cstdint>
#include <functional>

namespace mrv
{

class ProgramImpl;

class SharedOperations
{
  public:
    explicit SharedOperations(ProgramImpl& program) : p_(program) {}

    void SuspendTestThreads();
    void ResumeTestThreads();
    void EnableDriveControls(bool on);
    void ResetBreakState();
    /// Sounds the PC speaker; `divisor` is the interval timer's channel-2 divisor.
    void SpeakerTone(uint16_t divisor, uint32_t milliseconds);
    void BellSignal();
    /// Waits `ms`; on the user-interface thread the window is kept alive
    /// meanwhile (`UiThread::KeepAlive`), so that a pause the drive needs never
    /// freezes it.
    void SleepWithMessages(uint32_t ms);
    /// Runs `work`, a request that blocks in the system until the drive
    /// answers: on the user-interface thread it runs on a helper thread while
    /// the window is kept alive, elsewhere at once. `work` must not touch controls.
    void RunWithMessages(const std::function<void()>& work);
    /// Processor clock in MHz, from the time-stamp counter over 500 ms.
    double MeasureCpuClock();
    void CalibrateTimers();
    /// The API target looks like the disk the system runs from: physical drive
    /// 0, the logical drive C:, or a disk that holds the root file system, a
    /// mounted file system or swap. Destructive commands ask before they touch it.
    bool TargetIsSystemDisk();

  private:
    ProgramImpl& p_;
};

/// The test workers stay parked for as long as it lives (a user-interface
/// command that talks to the drive).
class BusyScope
{
  public:
    explicit BusyScope(SharedOperations& ops) : ops_(ops) { ops_.SuspendTestThreads(); }
    ~BusyScope() { ops_.ResumeTestThreads(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    SharedOperations& ops_;
};

} // namespace mrv
