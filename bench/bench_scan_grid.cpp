// The scan grid at the size of a 20 TB drive scanned in 256-sector blocks:
// fills 150 million cells in block order as the scan would, prints what the
// cells cost in memory, and times a repaint of the visible cells through the
// Qt widget's painting (offscreen) at the top and at the end of the grid.

#include "form/block_grid.h"
#include "ui/qt/scan_view_widgets.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace
{

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct GridWindow : mrv::form::Window {
    GridWindow() : mrv::form::Window("Bench") {}
    mrv::form::BlockGrid grid{"Grid", this};
};

double RepaintMs(const mrv::qt::BlockGridWidget& view, const QSize& size, int rounds)
{
    QImage target(size, QImage::Format_RGB32);
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        QPainter painter(&target);
        view.PaintCells(painter, size);
    }
    return Ms(Clock::now() - start) / rounds;
}

} // namespace

int main(int argc, char** argv)
{
    uint64_t blocks = 150'000'000;
    if (argc > 1) blocks = std::strtoull(argv[1], nullptr, 10);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const long rss_before = ResidentKb();
    GridWindow window;
    mrv::form::BlockGrid& grid = window.grid;
    grid.SetBounds(0, 0, 384, 302);
    const int columns = mrv::form::BlockGrid::ColumnsForWidth(384);
    grid.Reset(columns);

    static const char kMarks[] = "1111111111111111111122223456x";
    const auto fill_start = Clock::now();
    for (uint64_t i = 0; i < blocks; ++i)
        grid.SetMark(i / static_cast<uint64_t>(columns), static_cast<int>(i % static_cast<uint64_t>(columns)),
                     kMarks[i % (sizeof kMarks - 1)]);
    const double fill_ms = Ms(Clock::now() - fill_start);
    const long rss_after = ResidentKb();

    mrv::qt::BlockGridWidget view(grid, nullptr);
    view.resize(384, 302);
    grid.SetTopRow(0);
    const double top_ms = RepaintMs(view, QSize(384, 302), 200);
    grid.ScrollToRow(grid.RowCount() - 1);
    const double end_ms = RepaintMs(view, QSize(384, 302), 200);
    grid.SetBounds(0, 0, 1600, 1000);
    grid.SetColCount(mrv::form::BlockGrid::ColumnsForWidth(1600));
    grid.ScrollToRow(grid.RowCount() / 2);
    const double large_ms = RepaintMs(view, QSize(1600, 1000), 50);

    std::printf("GRID blocks %llu in %d columns, %llu rows\n", static_cast<unsigned long long>(blocks),
                columns, static_cast<unsigned long long>(blocks / static_cast<uint64_t>(columns) + 1));
    std::printf("GRID fill %.0f ms (%.1f M blocks/s)\n", fill_ms, blocks / fill_ms / 1000.0);
    std::printf("GRID cells %.1f MB, resident growth %.1f MB\n", grid.MemoryBytes() / 1e6,
                (rss_after - rss_before) / 1024.0);
    std::printf("GRID repaint 384x302 top %.3f ms, end %.3f ms; 1600x1000 (%d columns) %.3f ms\n", top_ms,
                end_ms, grid.ColCount(), large_ms);
    return 0;
}
