#pragma once
// The speed graph: one column per stretch of the range, a green line of the
// speed, red marks where blocks failed, the scale found from the first two
// columns and raised whenever the drive gets faster, and a history from which
// the graph is redrawn at any scale.

#include "app/tabs/scan_view_controls.h"
#include "scan/scan_presentation.h"

#include <array>
#include <cstdint>
#include <string>

namespace mrv
{

class ScanGraph
{
  public:
    static constexpr int kLastColumn = 378;
    static constexpr int kBaseLine = 368;
    /// Bytes per millisecond a spinner step of 1 stands for (675000 / speed gives the spinner).
    static constexpr uint64_t kScaleSpeed = 675000;

    explicit ScanGraph(ScanViewControls& c);

    /// A new scan: history and column cleared, LBA labels, scale 10, threshold 300000.
    void Begin(const ScanStart& start);
    /// Clears the raster and draws the scale lines (the program's start-up).
    void Clear();
    /// The spinner's value changed: divisor, labels, redraw and replay.
    void SetScale(int m);
    /// A speed sample was measured.
    void SpeedSample(uint64_t speed);
    /// One block passed; `speed` is the latest measured speed.
    void BlockPassed(uint64_t speed, const std::string& model);
    /// A failed block: a red mark in the current column.
    void MarkError();
    /// The readouts for the pointer at (x, y) of the raster.
    void HoverAt(int x, int y);

    int Column() const { return column_; }
    int32_t History(int column) const { return history_.at(static_cast<size_t>(column)); }
    uint64_t Threshold() const { return threshold_; }
    bool ScaleFixed() const { return scale_fixed_; }
    uint64_t BlocksPerColumn() const { return blocks_per_column_; }
    /// The y of a speed at the current scale, kept within the raster.
    int SpeedY(uint64_t speed) const;

  private:
    void DrawScaleLines();
    void Replay();
    void ErrorLine(int column);
    void SetSpinner(uint64_t speed);

    ScanViewControls& c_;
    ScanStart start_;
    /// Speed / 10 per column, −1 where a block failed, 0 not reached yet.
    std::array<int32_t, ScanViewControls::kGraphWidth> history_{};
    int column_ = 0;
    int scale_ = 10;
    uint64_t blocks_ = 0;
    uint64_t blocks_per_column_ = 1;
    uint64_t threshold_ = 300000;
    uint64_t sample_sum_ = 0;
    uint64_t sample_count_ = 0;
    bool scale_fixed_ = false;
};

} // namespace mrv
