#include "form/block_grid.h"

#include <algorithm>

namespace mrv::form
{

BlockGrid::BlockGrid(std::string name, Container* parent)
    : Control(ControlKind::BlockGrid, std::move(name), parent)
{
    SetBackColour(colours::kWindow);
    SetFontColour(colours::kYellow);
    SetFontBold(true);
}

void BlockGrid::Reset(int columns)
{
    chunks_.clear();
    chunks_.shrink_to_fit();
    columns_ = std::max(1, columns);
    rows_ = 1;
    used_ = 0;
    top_row_ = 0;
    Notify(Aspect::Rows);
}

void BlockGrid::SetColCount(int columns)
{
    columns = std::max(1, columns);
    if (columns == columns_) return;
    columns_ = columns;
    const uint64_t c = static_cast<uint64_t>(columns_);
    rows_ = std::max<uint64_t>(1, (used_ + c - 1) / c);
    // The cell after the last one written keeps a row to go to.
    if (used_ > 0 && used_ % c == 0) ++rows_;
    top_row_ = std::min(top_row_, rows_ - 1);
    Notify(Aspect::Rows);
}

void BlockGrid::AddRow()
{
    ++rows_;
    Notify(Aspect::Rows);
}

char BlockGrid::MarkAt(uint64_t index) const
{
    const uint64_t chunk = index >> kChunkShift;
    if (chunk >= chunks_.size() || !chunks_[chunk]) return 0;
    return chunks_[chunk][index & (kChunkCells - 1)];
}

char BlockGrid::Mark(uint64_t row, int column) const
{
    if (column < 0 || column >= columns_ || row >= rows_) return 0;
    return MarkAt(row * static_cast<uint64_t>(columns_) + static_cast<uint64_t>(column));
}

void BlockGrid::SetMark(uint64_t row, int column, char mark)
{
    if (column < 0 || column >= columns_) return;
    const uint64_t index = row * static_cast<uint64_t>(columns_) + static_cast<uint64_t>(column);
    const uint64_t chunk = index >> kChunkShift;
    if (chunk >= chunks_.size()) chunks_.resize(chunk + 1);
    if (!chunks_[chunk]) chunks_[chunk] = std::make_unique<char[]>(kChunkCells); // zeroed
    chunks_[chunk][index & (kChunkCells - 1)] = mark;
    used_ = std::max(used_, index + 1);
    if (row >= rows_) {
        rows_ = row + 1;
        Notify(Aspect::Rows);
    }
    Notify(Aspect::Value);
}

void BlockGrid::SetTopRow(uint64_t row)
{
    row = std::min(row, rows_ - 1);
    if (row == top_row_) return;
    top_row_ = row;
    Notify(Aspect::Scroll);
}

void BlockGrid::ScrollToRow(uint64_t row)
{
    const auto visible = static_cast<uint64_t>(VisibleRows());
    if (row < top_row_) {
        SetTopRow(row);
    } else if (row >= top_row_ + visible) {
        SetTopRow(row + 1 - visible);
    }
}

int BlockGrid::VisibleRows() const
{
    return std::max(1, Geometry().height / kCellPitchY);
}

void BlockGrid::SetGridLines(bool on)
{
    if (grid_lines_ == on) return;
    grid_lines_ = on;
    Notify(Aspect::State);
}

Colour BlockGrid::MarkColour(char mark)
{
    switch (mark) {
    case 0:
        return colours::kWindow;
    case '1':
        return Colour::Rgb(214, 214, 214);
    case '2':
        return Colour::Rgb(179, 179, 179);
    case '3':
        return Colour::Rgb(132, 132, 132);
    case '4':
        return Colour::Rgb(0, 255, 0);
    case '5':
        return Colour::Rgb(255, 128, 0);
    case '6':
        return Colour::Rgb(255, 0, 0);
    default:
        return Colour::Rgb(0, 0, 255);
    }
}

int BlockGrid::ColumnsForWidth(int width)
{
    // The scroll bar and the frame take 35 pixels; at least one column remains.
    return std::max(1, (width - 35) / kCellPitchX + 1);
}

void BlockGrid::CellAt(int x, int y, int64_t* row, int* column) const
{
    // Floor division, so that a point left of or above the cells is negative.
    auto floor_div = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    *column = floor_div(x, kCellPitchX);
    *row = static_cast<int64_t>(top_row_) + floor_div(y, kCellPitchY);
}

} // namespace mrv::form
