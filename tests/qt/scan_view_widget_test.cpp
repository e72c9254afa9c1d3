// The scan's grid and graph widgets: cells painted in their marks' colours,
// only the rows on screen, scrolling with the model, and the raster shown
// scaled with the pointer reported in raster coordinates.

#include "app/program.h"
#include "app/program_impl.h"
#include "form/block_grid.h"
#include "form/canvas.h"
#include "support/test_platform.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_ui_thread.h"
#include "ui/qt/scan_view_widgets.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <filesystem>
#include <gtest/gtest.h>

namespace mrv::qt
{
namespace
{

QApplication& WidgetApp()
{
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = qApp ? static_cast<QApplication*>(qApp) : new QApplication(argc, argv);
    return *app;
}

struct ScanWindow : form::Window {
    ScanWindow() : form::Window("ScanW") { SetBounds(0, 0, 500, 400); }
    form::BlockGrid grid{"Grid", this};
    form::Canvas canvas{"GF", this};
};

QColor Rgb(form::Colour c)
{
    return QColor(c.r, c.g, c.b);
}

TEST(QtScanView, GridPaintsMarksAndFollowsTheModel)
{
    WidgetApp();
    ScanWindow w;
    w.grid.SetBounds(0, 0, 200, 5 * form::BlockGrid::kCellPitchY + 4);
    w.grid.Reset(10);
    w.canvas.SetBounds(0, 200, 381, 186);
    w.canvas.SetSize(381, 372);
    QtUiThread ui;
    FormBinder binder(ui);
    binder.Bind(w);
    w.Show();
    auto* view = dynamic_cast<BlockGridWidget*>(binder.WidgetOf(w.grid));
    ASSERT_NE(view, nullptr);

    w.grid.SetMark(0, 0, '1');
    w.grid.SetMark(0, 1, '6');
    w.grid.SetMark(0, 2, 'x');
    QImage shot(view->viewport()->size(), QImage::Format_RGB32);
    {
        QPainter painter(&shot);
        view->PaintCells(painter, shot.size());
    }
    EXPECT_EQ(shot.pixelColor(2, 2), Rgb(form::BlockGrid::MarkColour('1')));
    EXPECT_EQ(shot.pixelColor(11 + 2, 2), Rgb(form::colours::kRed));
    EXPECT_EQ(shot.pixelColor(22, 1), Rgb(form::colours::kBlue));
    // The 'x' is drawn in the grid's yellow somewhere inside its cell.
    bool yellow = false;
    for (int y = 0; y < form::BlockGrid::kRowHeight; ++y)
        for (int x = 22; x < 32; ++x)
            yellow |= shot.pixelColor(x, y).red() > 200 && shot.pixelColor(x, y).green() > 200 &&
                      shot.pixelColor(x, y).blue() < 100;
    EXPECT_TRUE(yellow);
    // An empty cell is white; the grid lines between cells can be switched off.
    EXPECT_EQ(shot.pixelColor(33 + 2, 2), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(10, 2), QColor(Qt::gray));
    w.grid.SetGridLines(false);
    {
        QPainter painter(&shot);
        view->PaintCells(painter, shot.size());
    }
    EXPECT_EQ(shot.pixelColor(10, 2), Rgb(form::BlockGrid::MarkColour('1')));

    // Far more rows than fit: the scroll bar follows the model's top row.
    w.grid.SetMark(99'999, 9, '5');
    w.grid.ScrollToRow(99'999);
    EXPECT_EQ(view->verticalScrollBar()->value(), static_cast<int>(w.grid.TopRow()));
    EXPECT_GT(w.grid.TopRow(), 99'990u);
    view->verticalScrollBar()->setValue(7);
    EXPECT_EQ(w.grid.TopRow(), 7u);
}

TEST(QtScanView, CanvasShowsTheRasterAndReportsRasterCoordinates)
{
    WidgetApp();
    ScanWindow w;
    w.canvas.SetBounds(0, 0, 190, 186);
    w.canvas.SetSize(380, 372);
    w.canvas.Line(0, 0, 379, 0, form::colours::kLime);
    QtUiThread ui;
    FormBinder binder(ui);
    binder.Bind(w);
    w.Show();
    QWidget* view = binder.WidgetOf(w.canvas);
    ASSERT_NE(view, nullptr);
    const QImage shot = view->grab().toImage();
    // Shown at half size and smoothed: the line is still there, in green.
    const QColor top = shot.pixelColor(95, 0);
    EXPECT_GT(top.green(), 100);
    EXPECT_LT(top.red(), 30);
    EXPECT_EQ(shot.pixelColor(95, 100), QColor(Qt::black));

    int got_x = -1, got_y = -1;
    w.canvas.OnMouseMove = [&](int x, int y) {
        got_x = x;
        got_y = y;
    };
    QMouseEvent move(QEvent::MouseMove, QPointF(95, 93), QPointF(95, 93), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    EXPECT_EQ(got_x, 190);
    EXPECT_EQ(got_y, 186);
}

TEST(QtScanView, TestsTabShowsAScanInProgress)
{
    WidgetApp();
    test::TestPlatform pc;
    const auto home = std::filesystem::temp_directory_path() / "mrv_qt_scan_view";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    QtUiThread ui;
    QtDialogs dialogs([] { return nullptr; });
    {
        Program program(pc.platform, dialogs, ui, home);
        program.Start();
        FormBinder binder(ui);
        for (form::Window* window : program.Windows())
            binder.Bind(*window);
        TFm& fm = program.Main();
        fm.MainPage.SetActivePageIndex(2);
        ScanPresenter& view = program.Impl().scan_view;
        ScanStart start;
        start.end_lba = 2'000'000;
        start.range_length = 2'000'000;
        start.block_size = 256;
        start.speed_samples = 25;
        start.model = "MORVANTA TEST DRIVE";
        view.Begin(start);
        const char marks[] = "111111111111111122223x4561111111111111111111";
        uint64_t now_us = 0;
        for (int i = 0; i < 2000; ++i) {
            BlockResult b;
            b.lba = static_cast<uint64_t>(i) * 256;
            b.block_size = 256;
            b.mark = marks[i % (sizeof marks - 1)];
            b.fast = b.mark == '1' || b.mark == '2';
            now_us += i < 1000 ? 2000 : 1500;
            b.finished_us = now_us;
            if (b.mark == 'x') view.CountFailedBlock(b);
            view.ShowBlock(b);
        }
        QApplication::processEvents();
        auto* grid = dynamic_cast<BlockGridWidget*>(binder.WidgetOf(fm.Grid));
        ASSERT_NE(grid, nullptr);
        EXPECT_TRUE(grid->isVisibleTo(binder.WidgetOf(fm)));
        EXPECT_EQ(fm.ScanPercentLed.Caption(), " 25.6");
        // A picture for whoever wants to look: MRV_SCAN_SCREENSHOT=path.png.
        if (const char* path = std::getenv("MRV_SCAN_SCREENSHOT")) {
            binder.WidgetOf(fm)->grab().save(path);
            fm.DisGridChk.SetChecked(false);
            QApplication::processEvents();
            binder.WidgetOf(fm)->grab().save(QString(path) + ".graph.png");
        }
        program.Shutdown();
    }
    std::filesystem::remove_all(home);
}

} // namespace
} // namespace mrv::qt
