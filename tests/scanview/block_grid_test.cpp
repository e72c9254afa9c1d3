// The grid and canvas controls: column count from width, mark colours, the
// cells' storage and re-flow, and line drawing at the raster's edges.

#include "form/block_grid.h"
#include "form/canvas.h"

#include <gtest/gtest.h>

namespace mrv::form
{
namespace
{

struct GridWindow : Window {
    GridWindow() : Window("W") {}
    BlockGrid grid{"Grid", this};
    Canvas canvas{"GF", this};
};

TEST(BlockGrid, ColumnCountFollowsTheWidth)
{
    EXPECT_EQ(BlockGrid::ColumnsForWidth(1000), 88);
    EXPECT_EQ(BlockGrid::ColumnsForWidth(35), 1);
    EXPECT_EQ(BlockGrid::ColumnsForWidth(46), 2);
    // Narrower than the scroll bar still leaves one column.
    EXPECT_EQ(BlockGrid::ColumnsForWidth(0), 1);
}

TEST(BlockGrid, MarkColoursAndText)
{
    EXPECT_EQ(BlockGrid::MarkColour('1'), Colour::Rgb(214, 214, 214));
    EXPECT_EQ(BlockGrid::MarkColour('2'), Colour::Rgb(179, 179, 179));
    EXPECT_EQ(BlockGrid::MarkColour('3'), Colour::Rgb(132, 132, 132));
    EXPECT_EQ(BlockGrid::MarkColour('4'), Colour::Rgb(0, 255, 0));
    EXPECT_EQ(BlockGrid::MarkColour('5'), Colour::Rgb(255, 128, 0));
    EXPECT_EQ(BlockGrid::MarkColour('6'), Colour::Rgb(255, 0, 0));
    for (char mark : {'x', 'T', '>', '<', 'R'}) {
        EXPECT_EQ(BlockGrid::MarkColour(mark), Colour::Rgb(0, 0, 255)) << mark;
        EXPECT_TRUE(BlockGrid::MarkShowsText(mark)) << mark;
    }
    EXPECT_FALSE(BlockGrid::MarkShowsText('6'));
    EXPECT_FALSE(BlockGrid::MarkShowsText(0));
}

TEST(BlockGrid, CellsSpanChunksAndReflowWhenColumnsChange)
{
    GridWindow w;
    w.grid.Reset(10);
    // Cells on both sides of a chunk border, and far beyond it.
    const uint64_t border = uint64_t{1} << 20;
    w.grid.SetMark(0, 3, 'x');
    w.grid.SetMark((border - 1) / 10, static_cast<int>((border - 1) % 10), '5');
    w.grid.SetMark(border / 10, static_cast<int>(border % 10), '6');
    EXPECT_EQ(w.grid.MarkAt(3), 'x');
    EXPECT_EQ(w.grid.MarkAt(border - 1), '5');
    EXPECT_EQ(w.grid.MarkAt(border), '6');
    EXPECT_EQ(w.grid.MarkAt(border + 1), 0);
    EXPECT_EQ(w.grid.MarkAt(50 * border), 0);
    EXPECT_EQ(w.grid.UsedCells(), border + 1);
    EXPECT_EQ(w.grid.MemoryBytes(), 2 * border);
    EXPECT_EQ(w.grid.RowCount(), border / 10 + 1);
    // Writing outside the columns is refused.
    w.grid.SetMark(0, 10, '1');
    w.grid.SetMark(0, -1, '1');
    EXPECT_EQ(w.grid.UsedCells(), border + 1);

    w.grid.SetColCount(7);
    EXPECT_EQ(w.grid.Mark(0, 3), 'x');
    EXPECT_EQ(w.grid.Mark(border / 7, static_cast<int>(border % 7)), '6');
    EXPECT_EQ(w.grid.RowCount(), (border + 1 + 6) / 7);

    w.grid.Reset(5);
    EXPECT_EQ(w.grid.UsedCells(), 0u);
    EXPECT_EQ(w.grid.MemoryBytes(), 0u);
    EXPECT_EQ(w.grid.RowCount(), 1u);
}

TEST(BlockGrid, ScrollingAndPointsOutsideTheCells)
{
    GridWindow w;
    w.grid.SetBounds(0, 0, 200, 5 * BlockGrid::kCellPitchY);
    w.grid.Reset(10);
    for (int i = 0; i < 20; ++i)
        w.grid.AddRow();
    w.grid.ScrollToRow(12);
    EXPECT_EQ(w.grid.TopRow(), 8u);
    w.grid.ScrollToRow(3);
    EXPECT_EQ(w.grid.TopRow(), 3u);
    int64_t row = 0;
    int column = 0;
    w.grid.CellAt(25, 45, &row, &column);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, 5);
    w.grid.CellAt(-1, 5, &row, &column);
    EXPECT_EQ(column, -1);
    w.grid.SetTopRow(0);
    w.grid.CellAt(5, -3, &row, &column);
    EXPECT_EQ(row, -1);
}

TEST(Canvas, LinesIncludeBothEndsAndClipAtTheEdges)
{
    GridWindow w;
    w.canvas.SetSize(20, 10);
    EXPECT_EQ(w.canvas.PixelAt(0, 0), colours::kBlack);
    w.canvas.Line(2, 9, 2, 5, colours::kRed);
    for (int y = 5; y <= 9; ++y)
        EXPECT_EQ(w.canvas.PixelAt(2, y), colours::kRed) << y;
    EXPECT_EQ(w.canvas.PixelAt(2, 4), colours::kBlack);
    // A diagonal leaving the raster draws only the part inside, and the pen ends outside.
    w.canvas.Line(15, 5, 30, 20, colours::kLime);
    EXPECT_EQ(w.canvas.PixelAt(19, 9), colours::kLime);
    EXPECT_EQ(w.canvas.PenX(), 30);
    w.canvas.SetPen(colours::kBlue);
    w.canvas.MoveTo(5, 5);
    w.canvas.LineTo(-5, -5);
    EXPECT_EQ(w.canvas.PixelAt(0, 0), colours::kBlue);
    w.canvas.Clear(colours::kWhite);
    EXPECT_EQ(w.canvas.PixelAt(19, 9), colours::kWhite);
    EXPECT_EQ(w.canvas.PixelAt(25, 0), colours::kWhite);
}

} // namespace
} // namespace mrv::form
