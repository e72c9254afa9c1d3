#pragma once
// The surface scan's state shared by the user-interface thread and the scan
// worker. Positions the user interface moves during a scan (jumps, the
// direction) and the flags both sides poll are relaxed atomics; the rest is
// written before the worker starts or read inside a hand-off.

#include "scan/scan_presentation.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace mrv
{

/// `LastBlockMark` values.
inline constexpr uint8_t kFinalBlockScheduled = 55;
inline constexpr uint8_t kStopBeforeNextBlock = 39;

/// A relaxed atomic: the flags and positions of the scan are independent
/// values, each read and written whole, with no ordering between them.
template <typename T> class Relaxed
{
  public:
    Relaxed(T value = T{}) : value_(value) {}
    Relaxed(const Relaxed&) = delete;
    /// Copies the other's value (not the atomic).
    Relaxed& operator=(const Relaxed& other)
    {
        value_.store(other, std::memory_order_relaxed);
        return *this;
    }
    operator T() const { return value_.load(std::memory_order_relaxed); }
    T operator=(T value)
    {
        value_.store(value, std::memory_order_relaxed);
        return value;
    }
    T Exchange(T value) { return value_.exchange(value, std::memory_order_relaxed); }

  private:
    std::atomic<T> value_;
};

struct ScanState {
    Relaxed<uint64_t> StartLba;
    Relaxed<uint64_t> EndLba;
    Relaxed<uint64_t> CurrentLba;
    /// Sectors per block, 1..65535; shrinks for the last blocks of the range.
    Relaxed<uint32_t> BlockSize{256};
    Relaxed<ScanMode> Mode{ScanMode::Verify};
    Relaxed<ScanDirection> Direction{ScanDirection::Forward};
    /// `EndLba` − `StartLba`, 1 when that is 0.
    Relaxed<uint64_t> RangeLength{1};
    Relaxed<uint64_t> ButterflyLow;
    Relaxed<uint64_t> ButterflyHigh;
    Relaxed<uint64_t> ButterflyMid;
    Relaxed<bool> ButterflyTurn;
    Relaxed<uint8_t> LastBlockMark;
    /// The random walk runs until the tick count (ms) reaches this.
    Relaxed<uint64_t> RandomEndMs;

    /// Block time-out in milliseconds; −1 is "never".
    Relaxed<int32_t> TimeoutSetting{10000};
    Relaxed<bool> TimeoutFlag;
    Relaxed<bool> WaitingForTimer;
    Relaxed<bool> ScanRunning;
    Relaxed<bool> ThreadAlive;
    Relaxed<bool> PauseRequested;
    Relaxed<bool> BreakInLoops;
    Relaxed<bool> LongWriting;
    Relaxed<bool> DefectoscopeMode;
    /// "DDD (API)": API writes are read back and compared.
    Relaxed<bool> WriteCheck;
    Relaxed<bool> JumpRightMark;
    Relaxed<bool> JumpLeftMark;
    /// The grid's cells no longer map to LBAs (a jump, a direction change …).
    Relaxed<bool> LayoutLost;
    /// Sectors of a block that a defect action left unscanned, scanned as a
    /// block of their own before the walk goes on (walks other than forward,
    /// whose next block cannot simply start after the found sector).
    Relaxed<uint64_t> ResumeLba;
    Relaxed<uint32_t> ResumeCount;

    // Written by the user-interface thread only.
    uint32_t LoopPass = 1;
    /// The block size chosen at start (the hover hints and the summary use it).
    uint32_t StartBlockSize = 256;
};

} // namespace mrv
