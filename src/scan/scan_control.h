#pragma once
// The surface scan's control on the "Tests" tab: the start sequence with its
// refusals and confirmations, pause, break, the direction images, the jumps,
// the parameter boxes and their rules, and what happens when the worker ends
// (summary, end-of-test action, loop restart).

#include "scan/defect_actions.h"
#include "scan/scan_engine.h"
#include "scan/scan_presentation.h"
#include "scan/scan_state.h"
#include "scan/scan_timing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;

/// Jump key codes as the mouse-down handler records them.
enum JumpKey : int { kJumpUp = 1, kJumpDown = 2, kJumpLeft = 4, kJumpRight = 8 };

/// End-of-test choices (`EndScanVarBox` items).
enum class EndOfTest : int { End = 0, StopSpindle = 1, Loop = 2, PowerOff = 3, Shutdown = 4 };

class ScanControl
{
  public:
    explicit ScanControl(ProgramImpl& program);
    ~ScanControl();

    ScanState state;

    /// The view the scan paints into: the program's presenter, or one the
    /// caller hands over (a window-less tally, say).
    void SetPresentation(std::unique_ptr<ScanPresentation> presentation);
    ScanPresentation& Presentation() { return *presentation_; }
    ScanEngine& Engine() { return engine_; }

    /// Other subsystems' parts of the scan: the drive recalibration before a
    /// scan and the spindle stop of "Stop spindle" (mechanics), and stopping a
    /// running seek test (true when one was stopped).
    std::function<void()> Recalibrate;
    std::function<void()> StopSpindle;
    std::function<bool()> StopSeek;

    // Handlers.
    void ScanStartBtnClick();
    void PauseBtnClick();
    /// The "Stop" button and the side panel's break button.
    void BreakClick();
    void SetDirection(ScanDirection direction);
    void Jump(int key);
    /// Mouse down and up on a jump key: auto repeat while held.
    void QnMouseDown(int key);
    void QnMouseUp();
    void Button3Click();
    void MaxLbaButtonClick();
    void ScRemapGroupClick();
    void ScDftChkClick();
    void ScanRWGrpClick();
    void RndScTimeEditChange();
    /// Rebuilds the block-size list for the addressing mode.
    void RebuildBlockSizeList();
    /// Class limits and their labels for the current direction and timer.
    void RecomputeClassLimits();
    /// Reads the scan timer choice of the Setup tab.
    void ApplyScanTimerChoice();

    /// Stops a running scan: the timer, the worker, the flags.
    void ScanComplete();
    /// The loop test's next pass.
    void RestartLoopTest();

    /// The good block's class, counters and mark (user-interface thread).
    void ClassifyBlock(BlockResult& block);
    /// A failed block: log, count, mark, and the defect action.
    void HandleBadBlock(BlockResult& block, const std::string& distortion);

    // Pure rules of the boxes, public for tests.
    /// `TimeoutSetting` from the time-out box's text: "never" → −1, else its
    /// digits, 0 becoming 1.
    static int32_t ParseTimeout(const std::string& text);
    /// The block size from the box's text (digits only, empty → 1, at most
    /// 65535, or 256 for 28-bit PIO).
    static uint32_t ParseBlockSize(const std::string& text, bool limit_to_28bit_pio);
    /// Milliseconds of the random test time "H:mm" (or "HH:MM:SS"); nullopt when unreadable.
    static std::optional<uint64_t> ParseRandomTime(const std::string& text);

    const ClassLimits& Limits() const { return limits_; }

  private:
    void StartScan(bool loop_restart);
    bool PrepareNewScan();
    bool ConfirmWrite();
    bool ShowWriteWarn();
    void WriteWarnEditChange(bool start);
    void WriteWarnOkClick();
    void RefuseStart();
    std::string StartLogLine() const;
    void ApplyTimeoutBox();
    void FocusJumpKeys();
    void SetStartButton(bool running);
    void WorkerFinished(bool completed);
    void FinalPart(bool completed);
    void ShowScanResults(const std::string& summary);
    void EndShutdown();
    void ShowDirectionImages();
    uint64_t ParseLbaEdit(const std::string& text) const;
    uint64_t LastLba() const;
    void Tone();

    ProgramImpl& p_;
    ScanEngine engine_;
    std::unique_ptr<ScanPresentation> owned_presentation_;
    ScanPresentation* presentation_;
    DefectActions actions_;
    ClassLimits limits_;
    ScanTimer timer_ = ScanTimer::TickPolling;
    bool ready_ = true;
    bool write_warn_cancelled_ = false;
    int break_presses_ = 0;
    int held_jump_ = 0;
    uint64_t large_jump_ = 0;
    uint64_t small_jump_ = 0;
    uint32_t speed_samples_ = 25;
    ScanDirection start_direction_ = ScanDirection::Forward;
};

} // namespace mrv
