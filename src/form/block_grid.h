#pragma once
// The surface scan's grid: one cell per block, each cell one byte (its mark,
// 0 while empty). The cells live in fixed-size chunks allocated as the scan
// reaches them, so a grid of 150 million blocks costs about 150 MB and growing
// it never copies what is there. Front ends paint only the rows on screen.

#include "form/controls.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace mrv::form
{

class BlockGrid : public Control
{
  public:
    /// Cell size in pixels; a one-pixel line separates cells whether or not it is drawn.
    static constexpr int kColWidth = 10;
    static constexpr int kRowHeight = 19;
    static constexpr int kCellPitchX = kColWidth + 1;
    static constexpr int kCellPitchY = kRowHeight + 1;

    BlockGrid(std::string name, Container* parent);

    /// Empties the grid: one row of `columns` cells, scrolled to the top.
    void Reset(int columns);
    int ColCount() const { return columns_; }
    /// A new column count; the marks keep their order and re-flow into the new rows.
    void SetColCount(int columns);
    uint64_t RowCount() const { return rows_; }
    /// Appends an empty row.
    void AddRow();

    /// The mark of a cell, 0 when empty or outside the grid.
    char Mark(uint64_t row, int column) const;
    char MarkAt(uint64_t index) const;
    /// Writes a cell (rows are added as needed).
    void SetMark(uint64_t row, int column, char mark);
    /// Cells up to and including the last one written.
    uint64_t UsedCells() const { return used_; }

    /// The first row on screen.
    uint64_t TopRow() const { return top_row_; }
    void SetTopRow(uint64_t row);
    /// Scrolls so that `row` is on screen.
    void ScrollToRow(uint64_t row);
    /// Whole rows the current height shows (at least 1).
    int VisibleRows() const;

    /// Lines between the cells (fixed and inner lines) or only the fixed ones.
    bool GridLines() const { return grid_lines_; }
    void SetGridLines(bool on);

    /// The colour a cell with this mark is painted in; marks other than
    /// '1'..'6' are blue and carry their character.
    static Colour MarkColour(char mark);
    static bool MarkShowsText(char mark) { return mark != 0 && (mark < '1' || mark > '6'); }
    /// Column count for a grid this many pixels wide.
    static int ColumnsForWidth(int width);

    /// Bytes held by the cells (what the grid costs).
    uint64_t MemoryBytes() const { return chunks_.size() * kChunkCells; }

    /// The cell under a point of the grid's client area (pixels), counted from
    /// the top row shown; negative coordinates stay negative.
    void CellAt(int x, int y, int64_t* row, int* column) const;

    /// The mouse rests on a cell (row, column as CellAt gives them).
    std::function<void(int64_t row, int column)> OnHoverCell;
    void HoverCell(int64_t row, int column)
    {
        if (OnHoverCell) OnHoverCell(row, column);
    }
    /// A user's double click.
    void DoubleClick() { Fire(OnDblClick); }

  private:
    static constexpr uint64_t kChunkShift = 20;
    static constexpr uint64_t kChunkCells = uint64_t{1} << kChunkShift;

    std::vector<std::unique_ptr<char[]>> chunks_;
    int columns_ = 1;
    uint64_t rows_ = 1;
    uint64_t used_ = 0;
    uint64_t top_row_ = 0;
    bool grid_lines_ = true;
};

} // namespace mrv::form
