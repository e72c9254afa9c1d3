#pragma once
// What the user sees of a surface scan, driven by the engine's records: the
// grid, counters, readouts, graph and title, plus the grid's hints, pop-up
// menu and double click, the pause blink and the read/write lamps.

#include "scan/data_phase.h"
#include "scan/scan_presentation.h"
#include "scan/view/scan_graph.h"
#include "scan/view/scan_readouts.h"

#include <functional>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;

class ScanPresenter : public ScanPresentation
{
  public:
    explicit ScanPresenter(ProgramImpl& p);

    void Begin(const ScanStart& start) override;
    void ShowClassLimits(const uint16_t (&limits)[5], unsigned time_divisor) override;
    void CountGoodBlock(int timing_class, const BlockResult& block, unsigned time_divisor,
                        bool defectoscope) override;
    void CountFailedBlock(const BlockResult& block) override;
    bool LogFailedBlocks() const override;
    void ShowBlock(const BlockResult& block) override;
    void ShowFullProgress() override;
    void ShowResults(const ScanSummary& summary) override;
    void SetLayoutLost() override;
    uint32_t ErrorCount() const override { return error_count_; }
    uint32_t WarningCount() const override { return warning_count_; }
    void ResetCounters() override;

    /// The pause key was pressed (true) or the scan continues (false): the
    /// key's frame blinks meanwhile unless "Don't blink border of pause key".
    void SetPaused(bool paused);
    /// The reverse scan's "End LBA" menu item turned the scan forward; the
    /// control side switches the direction (without logging it again).
    std::function<void()> OnDirectionToForward;
    /// Set by the worker around each PIO data phase; read by the lamps' timer.
    DataPhaseFlag data_phase;

    bool LayoutLost() const { return layout_lost_; }
    bool Running() const { return running_; }
    uint32_t ClassCount(int timing_class) const;
    uint64_t Speed() const { return speed_; }
    const ScanGraph& Graph() const { return graph_; }

    /// The grid panel changed width: new column count (the cells' layout is lost during a scan).
    void GridResized();

  private:
    void PaintCell(char mark);
    void ShowLba(const BlockResult& block);
    void MeasureSpeed(const BlockResult& block);
    void ShowPosition(const BlockResult& block);
    void HoverCell(int64_t row, int column);
    void UpdateMenu();
    void GridDblClick();
    void GridSwitchClick();
    void PauseBlinkTimerTimer();
    void RdWrTimerTimer();
    void ScTimeLedClick();
    void ScTimeTimerTimer();

    ProgramImpl& p_;
    ScanGraph graph_;
    ScanStart start_;
    bool running_ = false;
    bool layout_lost_ = false;
    /// The grid's "End LBA" item turns a reverse scan forward (once).
    bool menu_turns_forward_ = false;
    /// The next grid cell, counted from the first.
    uint64_t cell_ = 0;
    uint32_t class_counts_[6] = {};
    uint32_t error_count_ = 0;
    uint32_t warning_count_ = 0;
    uint64_t fast_blocks_ = 0;
    // Speed sampling.
    uint64_t blocks_ = 0;
    uint64_t sample_start_us_ = 0;
    uint64_t sample_sectors_ = 0;
    bool sample_started_ = false;
    uint64_t speed_ = 0;
    std::string remaining_text_ = "00:00:00";
    std::string start_time_text_;
    int sc_time_phase_ = 0;
    bool blink_on_ = false;
    /// The hovered cell's block, for the pop-up menu.
    std::optional<scanview::CellBlock> hovered_;
};

} // namespace mrv
