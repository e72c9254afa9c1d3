#pragma once
// What the surface scan does with a failed block beyond logging it: the
// defectoscope's sector search, remap, erase and restore (PIO by long reads,
// API by rewriting the block), and the per-sector long write of a PIO write
// scan. The actions run on the user-interface thread while the worker waits
// in its hand-off; the long write runs on the worker.

#include "scan/scan_presentation.h"
#include "scan/scan_state.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace mrv
{

class ProgramImpl;

/// The items of the defect-action group, in its order.
enum class DefectAction : int { Ignore = 0, Remap = 1, Erase = 2, Restore = 3 };

/// The eight bytes a remap writes, repeated over the sector: "REMAP!!!".
inline constexpr char kRemapPattern[] = "REMAP!!!";

class DefectActions
{
  public:
    DefectActions(ProgramImpl& program, ScanState& state, ScanPresentation*& presentation);

    /// The chosen action on a failed block whose common part has run.
    void Run(BlockResult& block, DefectAction action);

    /// Worker thread: reads each sector of the block and writes it back in
    /// long mode with zero data and check bytes. True when every sector
    /// completed.
    bool LongWriteBlock(uint64_t lba, uint32_t count);
    /// User-interface thread: shows the long write's sector (`DftMeter`, `LbaOut`).
    void ShowLongWriteSector();

  private:
    void Defectoscope(BlockResult& block);
    void Remap(BlockResult& block);
    void Erase(BlockResult& block);
    void RestorePio(BlockResult& block);
    void RestoreApi(BlockResult& block);

    /// One step of a per-sector loop: lets messages run and shows the sector;
    /// false when the user broke the loop.
    bool Step(uint32_t index, uint64_t lba);
    /// PIO: reads one sector for a search. Returns the busy time in 100 µs
    /// units (−1 on a time-out) and the drive's error code in `error`.
    int64_t SearchRead(uint64_t lba, uint8_t& error);
    /// PIO: READ LONG of one sector into the sector buffer, then WRITE
    /// SECTORS of its data; false when either did not complete.
    bool RewriteFromLongRead(uint64_t lba);
    /// The scan goes on right after `found` (marks the grid's layout lost).
    void ResumeAfter(uint64_t found, const BlockResult& block);
    void EndMeter();
    /// The selected timer in 100 µs units.
    uint64_t NowUnits() const;
    bool Api() const;
    /// The drive (PIO) is ready, at once or after a software reset.
    bool ReadyOrReset();
    /// The PIO status register shows ERR.
    bool PioStatusError() const;
    void Log(const std::string& text, bool replace, int level);

    ProgramImpl& p_;
    ScanState& s_;
    ScanPresentation*& presentation_;
    std::atomic<uint32_t> long_write_index_{0};
    std::atomic<uint64_t> long_write_lba_{0};
    std::atomic<bool> long_write_shown_{true};
};

} // namespace mrv
