#include "scan/view/scan_presenter.h"

#include "app/program_impl.h"

#include <algorithm>

namespace mrv
{

namespace
{
constexpr form::Colour kLampOff = form::colours::kGray;
constexpr form::Colour kReadLamp = form::colours::kLime;
constexpr form::Colour kWriteLamp = form::colours::kRed;
} // namespace

ScanPresenter::ScanPresenter(ProgramImpl& p) : p_(p), graph_(p.fm)
{
    TFm& fm = p_.fm;
    fm.ScanClrListBtn.OnClick = [this] { ResetCounters(); };
    fm.GfMasEdit.OnChange = [this] { graph_.SetScale(p_.fm.GfMasEdit.Value()); };
    fm.GF.OnMouseMove = [this](int x, int y) {
        if (!p_.fm.DisGridChk.Checked()) graph_.HoverAt(x, y);
    };
    fm.Grid.OnHoverCell = [this](int64_t row, int column) { HoverCell(row, column); };
    fm.Grid.OnDblClick = [this] { GridDblClick(); };
    fm.GridMenu.OnPopup = [this] { UpdateMenu(); };
    fm.GridMenu.Items()[0].OnClick = [this] {
        if (hovered_) p_.fm.StartLbaEdit.SetText(std::to_string(std::min(hovered_->first, hovered_->last)));
    };
    fm.GridMenu.Items()[1].OnClick = [this] {
        if (!hovered_) return;
        p_.fm.EndLbaEdit.SetText(std::to_string(std::max(hovered_->first, hovered_->last)));
        if (menu_turns_forward_) {
            // Once turned, the scan runs forward; a second choice changes nothing more.
            menu_turns_forward_ = false;
            p_.LogLine("Direction changed to FORVARD scan", false, 1);
            if (OnDirectionToForward) OnDirectionToForward();
        }
    };
    fm.DisGridChk.OnClick = [this] { GridSwitchClick(); };
    auto grid_lines = std::move(fm.GridLinesChk.OnClick);
    fm.GridLinesChk.OnClick = [this, grid_lines] {
        if (grid_lines) grid_lines();
        p_.fm.Grid.SetGridLines(p_.fm.GridLinesChk.Checked());
    };
    fm.Grid.SetGridLines(fm.GridLinesChk.Checked());
    fm.PauseBlinkTimer.OnTimer = [this] { PauseBlinkTimerTimer(); };
    fm.RdWrTimer.OnTimer = [this] { RdWrTimerTimer(); };
    fm.ScTimeLed.OnClick = [this] { ScTimeLedClick(); };
    fm.ScTimeTimer.OnTimer = [this] { ScTimeTimerTimer(); };
    p_.steps.ClearScanGraph = [this] { graph_.Clear(); };
    GridSwitchClick();
}

// ---------------------------------------------------------------------------
// Scan start and end

void ScanPresenter::Begin(const ScanStart& start)
{
    TFm& fm = p_.fm;
    start_ = start;
    running_ = true;
    layout_lost_ = start.direction == ScanDirection::Random || start.direction == ScanDirection::Butterfly;
    hovered_.reset();
    menu_turns_forward_ = start.direction == ScanDirection::Reverse;
    cell_ = 0;
    fast_blocks_ = 0;
    blocks_ = 0;
    sample_started_ = false;
    sample_sectors_ = 0;
    speed_ = 0;
    fm.Grid.Reset(form::BlockGrid::ColumnsForWidth(fm.Grid.Geometry().width));
    // Random and butterfly cells do not follow the LBAs, so they offer no menu.
    const bool linear =
        start.direction == ScanDirection::Forward || start.direction == ScanDirection::Reverse;
    fm.Grid.SetPopup(linear ? &fm.GridMenu : nullptr);
    UpdateMenu();
    graph_.Begin(start);
    fm.ScanPercentLed.SetCaption(" 0");
    fm.SpeedLed.SetCaption(" sensing");
    fm.TrackBar.SetPosition(0);
    remaining_text_ = "00:00:00";
    fm.ScTimeLed.SetCaption(remaining_text_);
    start_time_text_ = p_.platform.clock.Now().TimeText();
    fm.RdWrTimer.SetActive(true);
}

void ScanPresenter::ShowFullProgress()
{
    p_.fm.ScanPercentLed.SetCaption(" 100");
    p_.SetApplicationTitle("100%  Scan");
}

void ScanPresenter::ShowResults(const ScanSummary& summary)
{
    TFm& fm = p_.fm;
    running_ = false;
    fm.AdjScaleLabel.SetVisible(true);
    fm.AdjScaleLabel.SetCaption(start_.model);
    fm.AdjPercentLabel.SetVisible(false);
    fm.LbaOut.SetCaption(std::to_string(summary.position));
    if (fm.SpeedLed.Caption() == " sensing") fm.SpeedLed.SetCaption(" ?");
    fm.RdWrTimer.SetActive(false);
    fm.RdInd.SetBrush(kLampOff);
    fm.WrInd.SetBrush(kLampOff);
    SetPaused(false);
}

void ScanPresenter::SetLayoutLost()
{
    layout_lost_ = true;
    UpdateMenu();
}

// ---------------------------------------------------------------------------
// Counters

void ScanPresenter::ShowClassLimits(const uint16_t (&limits)[5], unsigned time_divisor)
{
    TFm& fm = p_.fm;
    form::Label* labels[] = {&fm.scTim5, &fm.scTim20, &fm.scTim50, &fm.scTim200, &fm.scTim600};
    for (int i = 0; i < 5; ++i)
        labels[i]->SetCaption(scanview::LimitText(limits[i], time_divisor));
}

void ScanPresenter::CountGoodBlock(int timing_class, const BlockResult& block, unsigned time_divisor,
                                   bool defectoscope)
{
    if (timing_class < 1 || timing_class > 6) return;
    TFm& fm = p_.fm;
    uint32_t& count = class_counts_[timing_class - 1];
    ++count;
    fm.ClassCounter(timing_class)->SetCaption(std::to_string(count));
    form::CheckBox* box = fm.ClassLogBox(timing_class);
    if (box && box->Checked() && !defectoscope) {
        p_.LogLine("Block start at " + std::to_string(block.lba) + " = " +
                       std::to_string(block.time / std::max(1u, time_divisor)) + " ms",
                   false, 4);
        ++warning_count_;
    }
}

void ScanPresenter::CountFailedBlock(const BlockResult&)
{
    graph_.MarkError();
    ++error_count_;
    p_.fm.ErLab.SetCaption(std::to_string(error_count_));
}

bool ScanPresenter::LogFailedBlocks() const
{
    return p_.fm.ErLogBxErr.Checked();
}

void ScanPresenter::ResetCounters()
{
    TFm& fm = p_.fm;
    std::fill(std::begin(class_counts_), std::end(class_counts_), 0u);
    error_count_ = 0;
    warning_count_ = 0;
    for (int c = 1; c <= 6; ++c)
        fm.ClassCounter(c)->SetCaption("0");
    fm.ErLab.SetCaption("0");
}

uint32_t ScanPresenter::ClassCount(int timing_class) const
{
    return timing_class >= 1 && timing_class <= 6 ? class_counts_[timing_class - 1] : 0;
}

// ---------------------------------------------------------------------------
// One block

void ScanPresenter::ShowBlock(const BlockResult& block)
{
    PaintCell(block.mark);
    ShowLba(block);
    MeasureSpeed(block);
    ShowPosition(block);
    graph_.BlockPassed(speed_, start_.model);
}

void ScanPresenter::PaintCell(char mark)
{
    form::BlockGrid& grid = p_.fm.Grid;
    const auto columns = static_cast<uint64_t>(grid.ColCount());
    grid.SetMark(cell_ / columns, static_cast<int>(cell_ % columns), mark);
    ++cell_;
    if (cell_ % columns == 0) {
        grid.AddRow();
        grid.ScrollToRow(cell_ / columns);
    }
}

void ScanPresenter::ShowLba(const BlockResult& block)
{
    TFm& fm = p_.fm;
    switch (block.direction) {
    case ScanDirection::Forward:
    case ScanDirection::Reverse:
        // Fast blocks come too quickly to read; every 12th of them is shown.
        if (block.fast && ++fast_blocks_ % 12 != 0) return;
        fm.LbaOut.SetCaption(std::to_string(block.lba));
        break;
    case ScanDirection::Random:
        fm.LbaOut.SetCaption(std::to_string(block.lba));
        break;
    case ScanDirection::Butterfly:
        fm.LbaOut.SetCaption(std::to_string(block.butterfly_low + block.block_size));
        fm.LbaOut1.SetCaption(std::to_string(block.butterfly_high + block.block_size - 1));
        break;
    }
}

void ScanPresenter::MeasureSpeed(const BlockResult& block)
{
    ++blocks_;
    if (!sample_started_) {
        // The first block's end opens the first window.
        sample_started_ = true;
        sample_start_us_ = block.finished_us;
        sample_sectors_ = 0;
        return;
    }
    sample_sectors_ += block.block_size;
    if (blocks_ % (uint64_t{start_.speed_samples} + 1) != 0) return;
    const uint64_t elapsed = block.finished_us > sample_start_us_ ? block.finished_us - sample_start_us_ : 0;
    speed_ = scanview::SpeedBytesPerMs(sample_sectors_, 1, start_.sector_size, elapsed);
    sample_start_us_ = block.finished_us;
    sample_sectors_ = 0;
    TFm& fm = p_.fm;
    fm.SpeedLed.SetCaption(" " + std::to_string(speed_));
    remaining_text_ = scanview::ClockText(scanview::RemainingSeconds(start_, block, speed_));
    if (sc_time_phase_ == 0) fm.ScTimeLed.SetCaption(remaining_text_);
    graph_.SpeedSample(speed_);
}

void ScanPresenter::ShowPosition(const BlockResult& block)
{
    TFm& fm = p_.fm;
    fm.ScanMbLed.SetCaption(" " + std::to_string(scanview::Megabytes(start_, block)));
    const std::optional<std::string> percent = scanview::PercentText(start_, block);
    if (!percent) {
        fm.ScanPercentLed.SetCaption(" n/a");
        fm.TrackBar.SetPosition(scanview::RandomBarPosition(start_, block));
        p_.SetApplicationTitle("RND scan");
        return;
    }
    fm.ScanPercentLed.SetCaption(" " + *percent);
    p_.SetApplicationTitle(*percent + "%  Scan");
}

// ---------------------------------------------------------------------------
// The grid's hints, menu, double click and switch

void ScanPresenter::HoverCell(int64_t row, int column)
{
    form::BlockGrid& grid = p_.fm.Grid;
    hovered_.reset();
    if (row < 0 || column < 0) {
        grid.SetHint("Out of range");
    } else if (layout_lost_) {
        grid.SetHint("Unknown");
    } else if (column >= grid.ColCount()) {
        grid.SetHint("");
    } else {
        const uint64_t index = static_cast<uint64_t>(row) * static_cast<uint64_t>(grid.ColCount()) +
                               static_cast<uint64_t>(column);
        hovered_ = scanview::CellBlockOf(start_, index);
        grid.SetHint(hovered_ ? std::to_string(hovered_->first) + "-" + std::to_string(hovered_->last) : "");
    }
    UpdateMenu();
}

void ScanPresenter::UpdateMenu()
{
    auto& items = p_.fm.GridMenu.Items();
    const bool usable = hovered_.has_value() && !layout_lost_;
    uint64_t low = 0, high = 0;
    if (hovered_) {
        low = std::min(hovered_->first, hovered_->last);
        high = std::max(hovered_->first, hovered_->last);
    }
    items[0].caption = "Set " + std::to_string(low) + " as Start LBA";
    items[1].caption = "Set " + std::to_string(high) + " as End LBA";
    items[0].enabled = usable;
    items[1].enabled = usable;
}

void ScanPresenter::GridResized()
{
    form::BlockGrid& grid = p_.fm.Grid;
    const int columns = form::BlockGrid::ColumnsForWidth(grid.Geometry().width);
    if (columns == grid.ColCount()) return;
    grid.SetColCount(columns);
    grid.ScrollToRow(cell_ / static_cast<uint64_t>(columns));
    if (running_) SetLayoutLost();
}

void ScanPresenter::GridDblClick()
{
    TFm& fm = p_.fm;
    const form::Bounds& panel = fm.GridPanel.Geometry();
    const int width = panel.width == ScanViewControls::kGridPanelNarrow ? ScanViewControls::kGridPanelWide
                                                                        : ScanViewControls::kGridPanelNarrow;
    fm.GridPanel.SetBounds(panel.left, panel.top, width, panel.height);
    fm.Grid.SetWidth(width);
    const form::Bounds& graph = fm.GF.Geometry();
    fm.GF.SetBounds(graph.left, graph.top, width - graph.left - 2, graph.height);
    GridResized();
}

void ScanPresenter::GridSwitchClick()
{
    TFm& fm = p_.fm;
    const bool grid = fm.DisGridChk.Checked();
    fm.Grid.SetVisible(grid);
    fm.GfMasEdit.SetVisible(!grid);
    fm.AdjScaleLabel.SetVisible(!grid);
    if (grid) fm.AdjPercentLabel.SetVisible(false);
}

// ---------------------------------------------------------------------------
// Timers: pause blink, read/write lamps, the start time readout

void ScanPresenter::SetPaused(bool paused)
{
    TFm& fm = p_.fm;
    const bool blink = paused && !fm.DontBlinkChk.Checked();
    fm.PauseBlinkTimer.SetActive(blink);
    if (!blink) {
        blink_on_ = false;
        fm.PauseBtn.SetBackColour(form::colours::kBtnFace);
        fm.PauseBlinkTimer.SetInterval(500);
    }
    // The pause is not counted in the next speed sample.
    if (!paused) sample_started_ = false;
}

void ScanPresenter::PauseBlinkTimerTimer()
{
    // Blue for 50 ms, then the face colour until the next blink.
    TFm& fm = p_.fm;
    blink_on_ = !blink_on_;
    fm.PauseBtn.SetBackColour(blink_on_ ? form::colours::kBlue : form::colours::kBtnFace);
    fm.PauseBlinkTimer.SetInterval(blink_on_ ? 50 : 450);
}

void ScanPresenter::RdWrTimerTimer()
{
    const DataPhase phase = data_phase.Get();
    p_.fm.RdInd.SetBrush(phase == DataPhase::Read ? kReadLamp : kLampOff);
    p_.fm.WrInd.SetBrush(phase == DataPhase::Write ? kWriteLamp : kLampOff);
}

void ScanPresenter::ScTimeLedClick()
{
    if (start_time_text_.empty()) return;
    sc_time_phase_ = 1;
    p_.fm.ScTimeLed.SetCaption("Start:");
    p_.fm.ScTimeTimer.SetInterval(1000);
    p_.fm.ScTimeTimer.SetActive(true);
}

void ScanPresenter::ScTimeTimerTimer()
{
    TFm& fm = p_.fm;
    if (sc_time_phase_ == 1) {
        sc_time_phase_ = 2;
        fm.ScTimeLed.SetCaption(start_time_text_);
        fm.ScTimeTimer.SetInterval(2000);
        return;
    }
    sc_time_phase_ = 0;
    fm.ScTimeTimer.SetActive(false);
    fm.ScTimeLed.SetCaption(remaining_text_);
}

} // namespace mrv
