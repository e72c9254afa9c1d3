#pragma once
// What the surface scan's engine hands to what the user sees of it: the block
// grid, the counters, the speed graph and the readouts of the "Tests" tab.
//
// The worker never touches a control. It records one BlockResult per block,
// and the user-interface thread applies the records in block order (one by
// one, or a batch at a time) through this interface, so that the grid,
// counters, graph and log end exactly as one hand-off per block would leave
// them.

#include <cstdint>
#include <string>

namespace mrv
{

enum class ScanDirection : uint8_t { Forward = 0, Reverse = 1, Random = 2, Butterfly = 3 };
enum class ScanMode : uint8_t { Verify = 0, Read = 1, Write = 2 };

/// The scan's parameters as fixed at its start.
struct ScanStart {
    uint64_t start_lba = 0;
    uint64_t end_lba = 0;
    /// end − start, 1 when that is 0.
    uint64_t range_length = 1;
    /// Sectors per block as chosen at start (the grid's hover hints use it).
    uint32_t block_size = 1;
    /// The direction at start (the grid's hover hints and pop-up menu use it).
    ScanDirection direction = ScanDirection::Forward;
    /// A speed sample is taken every (speed_samples + 1) blocks.
    uint32_t speed_samples = 25;
    uint32_t sector_size = 512;
    /// 2048 for 512-byte sectors.
    uint64_t sectors_per_mb = 2048;
    /// The drive's model text, shown in the scale label.
    std::string model;
};

/// One block as the worker left it.
struct BlockResult {
    /// First LBA of the block (`CurrentLba`).
    uint64_t lba = 0;
    uint32_t block_size = 1;
    /// The butterfly walk's positions when the block was taken.
    uint64_t butterfly_low = 0;
    uint64_t butterfly_high = 0;
    uint64_t butterfly_mid = 0;
    /// The direction the block was taken in (it may change during a scan).
    ScanDirection direction = ScanDirection::Forward;
    /// `BlockTime` in timing units.
    uint64_t time = 0;
    /// `BlockStatus`: 0 good, else the error code.
    uint16_t status = 0;
    /// `BlockMark`: '1'..'6', an error or action mark, or a jump mark.
    char mark = '1';
    /// The block fell into timing class 1 or 2 (`FastBlock`).
    bool fast = false;
    /// Monotonic time at which the block ended, in microseconds of the
    /// program's clock; the speed readout is computed from these, so that a
    /// batch applied late shows the speed the drive had.
    uint64_t finished_us = 0;
};

/// The closing summary's position readout and text.
struct ScanSummary {
    /// The position written to `LbaOut` by direction.
    uint64_t position = 0;
    /// "Warnings - 1, errors - 2" or "no warnings, no errors".
    std::string text;
};

class ScanPresentation
{
  public:
    virtual ~ScanPresentation() = default;

    /// Scan start: re-creates the grid (one row), clears the graph and its
    /// history, writes the graph's LBA labels, sets the scale spinner to 10,
    /// the rescale threshold to 300000 and the percent readout to " 0".
    virtual void Begin(const ScanStart& start) = 0;

    /// The class limits' labels (`scTim5` … `scTim600`) for the limits in
    /// timing units and the unit divisor.
    virtual void ShowClassLimits(const uint16_t (&limits)[5], unsigned time_divisor) = 0;

    /// A good block of timing class 1..6: its counter and label; when that
    /// class's "to log" box is ticked and the defectoscope is off, the line
    /// "Block start at <lba> = <ms> ms" and the warning count.
    virtual void CountGoodBlock(int timing_class, const BlockResult& block, unsigned time_divisor,
                                bool defectoscope) = 0;

    /// A failed block (unless the defectoscope is on): the red mark on the
    /// graph, the error counter and its label.
    virtual void CountFailedBlock(const BlockResult& block) = 0;
    /// The errors' "to log" box (`ErLogBxErr`) is ticked.
    virtual bool LogFailedBlocks() const = 0;

    /// Paints the block into the grid and updates the LBA, speed, remaining
    /// time, megabytes, percent, the random walk's bar, the title and the graph.
    virtual void ShowBlock(const BlockResult& block) = 0;

    /// The percent readout " 100" and the title "100%  Scan".
    virtual void ShowFullProgress() = 0;

    /// The closing summary: the scale label with the model, the percent label
    /// hidden, the position readout, " sensing" → " ?".
    virtual void ShowResults(const ScanSummary& summary) = 0;

    /// Something made the grid's cells no longer map to LBAs (a jump, a remap,
    /// a direction change, …): hover hints say "Unknown" and the pop-up menu's
    /// items are disabled until the next start.
    virtual void SetLayoutLost() = 0;

    /// The counters as the summary needs them.
    virtual uint32_t ErrorCount() const = 0;
    virtual uint32_t WarningCount() const = 0;
    /// "RS": all counters and their labels to zero.
    virtual void ResetCounters() = 0;
};

} // namespace mrv
