#pragma once
// `ScnThread`: the surface scan's worker. It walks the range block by block,
// issues one verify, read or write per block in the current access mode,
// times it and queues the result; the user-interface thread applies the
// results in block order, and a failed block waits until its defect action
// has run there.

#include "platform/os_devices.h"
#include "scan/drive_wait.h"
#include "scan/result_ring.h"
#include "scan/scan_state.h"
#include "scan/scan_timing.h"
#include "scan/worker_thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mrv
{

class ProgramImpl;

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

class ScanEngine final : public WorkerThread
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
    bool ThreadExists() const { return Running(); }

    bool PausedByUser() const override;

    /// The longest time one ApplyResults took, in microseconds of the steady clock.
    uint64_t LongestApplyUs() const { return longest_apply_us_; }

  private:
    enum class Outcome { Good, Bad, Aborted };

    void Execute();
    Outcome RunBlock(BlockResult& block, std::string& distortion);
    Outcome RunApiBlock(BlockResult& block, std::string& distortion);
    Outcome RunPioBlock(BlockResult& block);
    /// PIO: waits while the drive is busy; false when the scan was aborted.
    bool WaitForDrive(uint64_t& units, bool& timed_out);
    /// PIO data phase of the block; false on a failed busy wait.
    bool TransferData(const BlockResult& block, bool write, bool& aborted);
    uint64_t NowMicros() const;
    void Queue(const BlockResult& block);
    void SetPriority();
    void WakeWaits() override { timer_wait_.Interrupt(); }

    ProgramImpl& p_;
    ScanState& s_;
    ScanRunSettings run_;
    ResultRing ring_;
    std::unique_ptr<AlignedBuffer> transfer_;
    std::unique_ptr<AlignedBuffer> pattern_;
    std::unique_ptr<AlignedBuffer> compare_;
    /// Multimedia-timer mode: the 1 ms timer that counts busy ticks.
    TimerWait timer_wait_;
    std::atomic<uint64_t> longest_apply_us_{0};
    bool applying_ = false;
    /// A failed block's hand-off runs on the user-interface thread.
    bool in_hand_off_ = false;
};

} // namespace mrv
