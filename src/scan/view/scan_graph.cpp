#include "scan/view/scan_graph.h"

#include "scan/view/scan_readouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mrv
{

namespace
{
constexpr form::Colour kScaleLine = form::Colour::Rgb(0, 96, 0);
constexpr form::Colour kSpeedLine = form::colours::kLime;
constexpr form::Colour kErrorLine = form::colours::kRed;
} // namespace

ScanGraph::ScanGraph(ScanViewControls& c) : c_(c) {}

void ScanGraph::Begin(const ScanStart& start)
{
    start_ = start;
    history_.fill(0);
    column_ = 0;
    blocks_ = 0;
    sample_sum_ = 0;
    sample_count_ = 0;
    scale_fixed_ = false;
    threshold_ = 300000;
    const uint64_t range = std::max<uint64_t>(1, start.range_length);
    const uint64_t size = std::max<uint32_t>(1, start.block_size);
    const uint64_t sectors_per_column =
        (range + ScanViewControls::kGraphWidth / 2) / ScanViewControls::kGraphWidth;
    blocks_per_column_ = std::max<uint64_t>(1, (sectors_per_column + size / 2) / size);
    for (int n = 0; n < 8; ++n)
        c_.LbaLabel(n)->SetCaption(std::to_string(start.start_lba + 2 * n * (range / 15)));
    c_.AdjScaleLabel.SetCaption("Adjusting scale...");
    c_.AdjPercentLabel.SetCaption("0 %");
    c_.AdjPercentLabel.SetVisible(!c_.DisGridChk.Checked());
    if (c_.GfMasEdit.Value() != 10) {
        c_.GfMasEdit.SetValue(10); // redraws through the spinner's change event
    } else {
        SetScale(10);
    }
}

void ScanGraph::Clear()
{
    history_.fill(0);
    column_ = 0;
    SetScale(c_.GfMasEdit.Value());
}

void ScanGraph::DrawScaleLines()
{
    form::Canvas& gf = c_.GF;
    gf.Clear(form::colours::kBlack);
    // One line per axis label, and one per LBA label.
    for (int k = 1; k <= 7; ++k) {
        const int y = kBaseLine - static_cast<int>(std::lround(k * 140000.0 / 2710.0));
        gf.Line(0, y, kLastColumn, y, kScaleLine);
    }
    for (int n = 0; n < 8; ++n) {
        const int x = n * 2 * ScanViewControls::kGraphWidth / 15;
        gf.Line(x, 0, x, kBaseLine, kScaleLine);
    }
    gf.Line(0, kBaseLine, kLastColumn, kBaseLine, kScaleLine);
}

int ScanGraph::SpeedY(uint64_t speed) const
{
    const double y = kBaseLine - static_cast<double>(speed) * scale_ / 2710.0;
    return static_cast<int>(std::lround(std::clamp(y, 0.0, static_cast<double>(kBaseLine))));
}

void ScanGraph::SetScale(int m)
{
    scale_ = std::clamp(m, 1, 65535);
    for (int k = 1; k <= 6; ++k)
        c_.AxisLabel(k - 1)->SetCaption(scanview::AxisText(k, scale_));
    c_.Gl6.SetCaption(scanview::AxisText(7, scale_) + " (Mb/s)");
    DrawScaleLines();
    Replay();
}

void ScanGraph::Replay()
{
    form::Canvas& gf = c_.GF;
    gf.MoveTo(0, kBaseLine);
    for (int column = 0; column <= 376; ++column) {
        const int32_t entry = history_[static_cast<size_t>(column)];
        if (entry == 0) break;
        if (entry < 0) {
            ErrorLine(column);
        } else {
            gf.SetPen(kSpeedLine);
            gf.LineTo(column, SpeedY(static_cast<uint64_t>(entry) * 10));
        }
    }
    gf.SetPen(kSpeedLine);
}

void ScanGraph::SetSpinner(uint64_t speed)
{
    const uint64_t m = std::clamp<uint64_t>(kScaleSpeed / std::max<uint64_t>(1, speed), 1, 65535);
    if (c_.GfMasEdit.Value() != static_cast<int>(m)) {
        c_.GfMasEdit.SetValue(static_cast<int>(m));
    } else {
        SetScale(static_cast<int>(m));
    }
}

void ScanGraph::SpeedSample(uint64_t speed)
{
    if (column_ == 0 && !scale_fixed_) {
        sample_sum_ += speed;
        ++sample_count_;
    }
}

void ScanGraph::BlockPassed(uint64_t speed, const std::string& model)
{
    ++blocks_;
    if (column_ < 2 && !scale_fixed_) {
        c_.AdjPercentLabel.SetCaption(
            std::to_string(std::min<uint64_t>(100, blocks_ * 50 / blocks_per_column_)) + " %");
    }
    if (blocks_ % blocks_per_column_ != 0) return;

    if (!scale_fixed_ && column_ >= 1) {
        // The first column's samples set the scale; a drive that gave none yet
        // is judged by the latest speed.
        const uint64_t average = sample_count_ ? sample_sum_ / sample_count_ : speed;
        scale_fixed_ = true;
        if (average > 0) {
            threshold_ = average + average / 4;
            SetSpinner(average);
        }
        c_.AdjScaleLabel.SetCaption(model);
        c_.AdjPercentLabel.SetVisible(false);
    }
    if (speed > threshold_) {
        threshold_ = speed + speed / 4;
        SetSpinner(speed);
    }
    form::Canvas& gf = c_.GF;
    gf.SetPen(kSpeedLine);
    gf.LineTo(column_, SpeedY(speed));
    int32_t& entry = history_[static_cast<size_t>(column_)];
    // A drawn column is never 0 in the history, which would end a replay there.
    if (entry != -1) entry = static_cast<int32_t>(std::clamp<uint64_t>(speed / 10, 1, INT32_MAX));
    if (column_ < kLastColumn) ++column_;
}

void ScanGraph::ErrorLine(int column)
{
    // Straight down from the speed line; the speed line goes on from where it was.
    form::Canvas& gf = c_.GF;
    const int x = gf.PenX(), y = gf.PenY();
    gf.Line(column, y, column, kBaseLine, kErrorLine);
    gf.MoveTo(x, y);
    gf.SetPen(kSpeedLine);
}

void ScanGraph::MarkError()
{
    ErrorLine(column_);
    history_[static_cast<size_t>(column_)] = -1;
}

void ScanGraph::HoverAt(int x, int y)
{
    const int height = ScanViewControls::kGraphHeight;
    char text[48];
    std::snprintf(text, sizeof text, "%.1f MB/s", (995.0 / scale_) * (height - y) / height);
    c_.GfYLab.SetCaption(text);
    const uint64_t per_pixel = std::max<uint64_t>(1, start_.range_length) / ScanViewControls::kGraphWidth;
    const uint64_t per_mb = start_.sectors_per_mb > 6 ? start_.sectors_per_mb - 6 : 1;
    c_.GfXLab.SetCaption(std::to_string(static_cast<uint64_t>(std::max(0, x)) * per_pixel / per_mb) + " MB");
}

} // namespace mrv
