#pragma once
// `ScnThread`: the surface scan's worker. It walks the range block by block,
// issues one verify, read or write per block in the current access mode,
// times it and queues the result; the user-interface thread applies the
// results in block order, and a failed block waits until its defect action
// has run there.

#include "app/test_threads.h"
#include "platform/os_devices.h"
#include "scan/result_ring.h"
#include "scan/scan_state.h"
#include "scan/scan_timing.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace mrv
{

class ProgramImpl;
class PeriodicTimer;

/// A buffer aligned for direct I/O, zeroed.
class AlignedBuffer
{
  public:
    explicit AlignedBuffer(size_t size);
    ~AlignedBuffer();
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    uint8_t* Data() { return data_; }
    size_t Size() const { return size_; }

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

/// What a run of the worker needs beyond the scan state, fixed at its start.
struct ScanRunSettings {
    bool api = false;
    ScanTimer timer = ScanTimer::TickPolling;
    uint32_t sector_size = 512;
    /// API mode: the device, open for the whole run.
    std::unique_ptr<OsDevice> device;
};

class ScanEngine final : public TestWorker
{
  public:
    ScanEngine(ProgramImpl& program, ScanState& state);
    ~ScanEngine() override;

    /// A good block to classify and show (user-interface thread).
    std::function<void(BlockResult&)> OnGoodBlock;
    /// A failed block (`HandleBadBlock`, then shown); the worker waits for it.
    std::function<void(BlockResult&, const std::string& distortion)> OnBadBlock;
    /// The walk ended by itself (`completed`: the range was exhausted) or saw
    /// a break; runs on the user-interface thread after the worker has ended.
    std::function<void(bool completed)> OnFinished;
    /// The per-sector long write of a PIO write scan, when one is offered:
    /// true when every sector of the block completed.
    std::function<bool(uint64_t lba, uint32_t count)> LongWriteBlock;

    /// Creates the worker thread (the scan state is prepared).
    void Start(ScanRunSettings settings);
    /// Stops the worker, wakes it wherever it waits and joins it; pending
    /// results are applied. Does nothing when no worker exists.
    void Terminate();
    /// Applies the results queued so far, in block order (user-interface thread).
    void ApplyResults();
    /// The thread exists (started and not yet joined).
    bool ThreadExists() const { return thread_.joinable(); }

    /// A run exists: its thread has not been joined (the end of a run is
    /// handled on the user-interface thread, which joins it).
    bool Running() const override { return thread_.joinable(); }
    bool PausedByUser() const override;
    bool Suspended() const override { return suspend_requested_; }
    void Suspend() override;
    void Resume() override;

    /// The longest time one ApplyResults took, in microseconds of the steady clock.
    uint64_t LongestApplyUs() const { return longest_apply_us_; }

  private:
    enum class Outcome { Good, Bad, Aborted };

    void Execute(uint64_t generation);
    Outcome RunBlock(BlockResult& block, std::string& distortion);
    Outcome RunApiBlock(BlockResult& block, std::string& distortion);
    Outcome RunPioBlock(BlockResult& block);
    /// PIO: waits while the drive is busy; false when the scan was aborted.
    bool WaitForDrive(uint64_t& units, bool& timed_out);
    bool PollDrive(uint64_t& units, bool& timed_out);
    bool WaitForTimerTicks(uint64_t& units, bool& timed_out);
    void TimerTick();
    /// PIO data phase of the block; false on a failed busy wait.
    bool TransferData(const BlockResult& block, bool write, bool& aborted);
    uint64_t ElapsedMs(uint64_t start) const;
    uint64_t NowMicros() const;
    void Queue(const BlockResult& block);
    /// Between drive commands: parks while suspended; false when stopping.
    bool SafePoint();
    bool Stopping() const { return stop_.load(std::memory_order_relaxed); }
    void SetPriority();

    ProgramImpl& p_;
    ScanState& s_;
    ScanRunSettings run_;
    std::thread thread_;
    uint64_t generation_ = 0;
    ResultRing ring_;
    std::unique_ptr<AlignedBuffer> transfer_;
    std::unique_ptr<AlignedBuffer> pattern_;
    std::unique_ptr<AlignedBuffer> compare_;
    std::unique_ptr<PeriodicTimer> timer_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> exited_{false};
    std::atomic<bool> suspend_requested_{false};
    std::atomic<bool> parked_{false};
    /// The worker waits for the user-interface thread (a hand-off or room in
    /// the queue): it issues no drive command until it has passed a safe point.
    std::atomic<bool> waiting_for_ui_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    /// Multimedia-timer mode: units counted by the timer and its wake-up.
    std::atomic<uint64_t> timer_units_{0};
    bool timer_woke_ = false;
    std::atomic<uint64_t> longest_apply_us_{0};
    bool applying_ = false;
    /// A failed block's hand-off runs on the user-interface thread.
    bool in_hand_off_ = false;
};

} // namespace mrv
