#include "app/main_window.h"
#include "app/program.h"
#include "qt/offscreen_app.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_ui_thread.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>
#include <gtest/gtest.h>

namespace mrv::qt
{
namespace
{

namespace fs = std::filesystem;

TEST(QtProgram, MainWindowBindsAndTakesKeys)
{
    OffscreenApp();
    std::string error;
    auto lab = DefaultLab(error);
    ASSERT_TRUE(lab) << error;
    Platform platform = lab->AsPlatform();
    fs::path home = fs::temp_directory_path() / "mrv_qt_program";
    fs::remove_all(home);
    fs::create_directories(home);

    QtUiThread ui;
    QtDialogs dialogs([] { return nullptr; });
    std::vector<std::string> log;
    {
        Program program(platform, dialogs, ui, home);
        program.OnLogLine = [&log](int, const std::string& text, bool) { log.push_back(text); };
        program.Start();
        FormBinder binder(ui);
        std::vector<form::Window*> windows = program.Windows();
        ASSERT_FALSE(windows.empty());
        for (form::Window* window : windows)
            binder.Bind(*window);
        TFm& fm = program.Main();
        QWidget* top = binder.WidgetOf(fm);
        ASSERT_NE(top, nullptr);
        EXPECT_TRUE(top->isVisible());
        // Only the main window shows at start.
        for (size_t i = 1; i < windows.size(); ++i)
            EXPECT_FALSE(binder.WidgetOf(*windows[i])->isVisible());

        auto* tabs = dynamic_cast<QTabWidget*>(binder.WidgetOf(fm.MainPage));
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->count(), 5);
        auto* log_view = dynamic_cast<QTableView*>(binder.WidgetOf(fm.StringLog));
        ASSERT_NE(log_view, nullptr);
        EXPECT_EQ(log_view->model()->rowCount(), fm.StringLog.RowCount());
        EXPECT_GT(fm.StringLog.RowCount(), 0);

        QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
        QApplication::sendEvent(top, &f9);
        EXPECT_EQ(fm.MainPage.ActivePageIndex(), 1);
        EXPECT_EQ(tabs->currentIndex(), 1);

        // Get SMART let the event loop run: a widget of the SMART tab may have
        // the focus now, and a key goes to it as a real key press would.
        QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QWidget* focus = QApplication::focusWidget();
        QApplication::sendEvent(focus ? focus : top, &f2);
        for (int i = 0; i < 50; ++i)
            ui.ProcessMessages();
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_EQ(log_view->model()->rowCount(), fm.StringLog.RowCount());
        program.Shutdown();
    }
    bool passport = false;
    for (const auto& line : log)
        passport = passport || line.find("Get passport... OK") != std::string::npos;
    EXPECT_TRUE(passport);
    fs::remove_all(home);
}

} // namespace
} // namespace mrv::qt
