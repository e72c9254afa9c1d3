#pragma once
// A presentation without a window: it keeps the counters and writes the slow
// blocks' log lines, so that a scan run without the grid (the console
// without its view, tests of the engine) still ends with the right summary.

#include "scan/scan_presentation.h"

#include <array>
#include <functional>
#include <string>

namespace mrv
{

class ScanTally : public ScanPresentation
{
  public:
    /// `log` writes one event-log line at a level.
    explicit ScanTally(std::function<void(const std::string&, int)> log) : log_(std::move(log)) {}

    /// The "to log" boxes of classes 3..6 and of errors.
    std::array<bool, 4> log_classes{false, false, true, true};
    bool log_errors = true;

    void Begin(const ScanStart&) override {}
    void ShowClassLimits(const uint16_t (&)[5], unsigned) override {}
    void CountGoodBlock(int timing_class, const BlockResult& block, unsigned time_divisor,
                        bool defectoscope) override;
    void CountFailedBlock(const BlockResult&) override { ++errors_; }
    bool LogFailedBlocks() const override { return log_errors; }
    void ShowBlock(const BlockResult&) override { ++shown_; }
    void ShowFullProgress() override {}
    void ShowResults(const ScanSummary&) override {}
    void SetLayoutLost() override {}
    uint32_t ErrorCount() const override { return errors_; }
    uint32_t WarningCount() const override { return warnings_; }
    void ResetCounters() override;

    uint32_t ClassCount(int timing_class) const { return classes_.at(static_cast<size_t>(timing_class - 1)); }
    uint64_t BlocksShown() const { return shown_; }

  private:
    std::function<void(const std::string&, int)> log_;
    std::array<uint32_t, 6> classes_{};
    uint32_t errors_ = 0;
    uint32_t warnings_ = 0;
    uint64_t shown_ = 0;
};

} // namespace mrv
