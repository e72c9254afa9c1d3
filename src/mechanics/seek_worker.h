#pragma once
// `SekThread`: the seek test's worker. It draws a random LBA in the range,
// issues one access there in the chosen method, times it, keeps the average of
// every 64 accesses and, every 4001 passes, lets the temperature be read. It
// ends on a break, a timeout or a drive error.

#include "mechanics/seek_state.h"
#include "platform/os_devices.h"
#include "scan/drive_wait.h"
#include "scan/worker_thread.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mrv
{

class ProgramImpl;
class DriveRoute;

/// What a run needs beyond the seek state, fixed at its start.
struct SeekRunSettings {
    bool api = false;
    /// "Enable breaking internal loops": a break also ends a PIO busy wait.
    bool break_in_loops = false;
    /// API mode: the device, open for the whole run.
    std::unique_ptr<OsDevice> device;
    /// API mode, "Seek" method: the route that carries SEEK, or null when a
    /// one-sector verify stands in for it.
    DriveRoute* seek_route = nullptr;
};

class SeekWorker final : public WorkerThread
{
  public:
    SeekWorker(ProgramImpl& program, SeekState& state);
    ~SeekWorker() override;

    /// Hand-offs, run on the user-interface thread while the worker waits.
    std::function<void()> LockSeekControls;
    std::function<void()> ShowSeekPosition;
    std::function<void(const std::string& average)> ShowSeekAverage;
    /// Re-reads the limit box in the current units.
    std::function<uint32_t()> ReadSeekLimit;
    /// False when the reading failed and the watch is off.
    std::function<bool()> ReadSeekTemperature;
    /// Whether the temperature watch runs at all.
    std::function<bool()> WatchTemperature;
    /// The bell and the error report after a timeout or a drive error.
    std::function<void()> ReportSeekError;
    /// The worker has ended by itself (user-interface thread, after the join).
    std::function<void()> SeekFinished;

    void Start(SeekRunSettings settings);
    /// Stops the worker wherever it waits and joins it.
    void Terminate();

    bool PausedByUser() const override { return false; }

    /// Accesses per averaging window and passes between temperature readings.
    static constexpr uint32_t kWindow = 64;
    static constexpr uint32_t kTemperaturePasses = 4001;

  private:
    enum class Pass { Timed, Skipped, Failed, Aborted };

    void Execute();
    Pass PioAccess();
    Pass ApiAccess();
    /// PIO destructive method: READ SECTORS, then WRITE LONG of zeros.
    Pass IssueLongWrite(uint64_t lba);
    /// Waits while the drive is busy, in the chosen way and with the limit.
    WaitOutcome WaitForDrive(bool break_in_loops);
    bool Abort() const;
    void WakeWaits() override { timer_wait_.Interrupt(); }

    ProgramImpl& p_;
    SeekState& s_;
    SeekRunSettings run_;
    TimerWait timer_wait_;
};

} // namespace mrv
