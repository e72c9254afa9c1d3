#include "qt/offscreen_app.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/hex_view_widget.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_ui_thread.h"
#include "ui/qt/widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

// Fontconfig keeps its caches for the process's life; that is not our leak.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}
// Qt's own worker pool (font loading) is not built with the race detector, so
// its handovers look like races to it.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Gui.so\nrace:libQt6Core.so\n";
}

namespace mrv::qt
{
namespace
{

QApplication& App()
{
    return OffscreenApp();
}

struct Form : form::Window {
    Form() : form::Window("TFm")
    {
        SetCaption("Main");
        SetBounds(0, 0, 400, 300);
        Pages.SetBounds(0, 0, 300, 200);
        One.SetCaption("One");
        Two.SetCaption("Two");
        Go.SetCaption("&Go");
        Go.SetBounds(10, 20, 75, 25);
        Bits.SetCaption("48 bit");
        Bits.SetBounds(10, 50, 80, 17);
        Mode.SetItems({"API", "PIO"});
        Mode.SetBounds(100, 10, 100, 60);
        Name.SetBounds(10, 80, 100, 21);
        Led.SetBounds(5, 5, 12, 12);
        Note.SetCaption("Serial:");
        Note.SetBounds(5, 30, 40, 13);
        Log.SetBounds(0, 200, 400, 100);
        Log.SetColumns({{"", 0}, {"Time", 65, form::Align::Centre}, {"", 0}, {"Text", 250}});
        Log.SetMultiSelect(true);
        Hex.SetBounds(0, 0, 300, 120);
    }
    form::PageControl Pages{"MainPage", this};
    form::TabSheet One{"TabOne", &Pages};
    form::TabSheet Two{"TabTwo", &Pages};
    form::Button Go{"GoBtn", &One};
    form::CheckBox Bits{"Bits", &One};
    form::RadioGroup Mode{"APIRg", &One};
    form::Edit Name{"NameEdit", &One};
    form::Lamp Led{"ErrLed", &Two};
    form::HexView Hex{"HexE", &Two};
    form::Label Note{"NoteLab", &Two};
    form::ListView Log{"StringLog", this};
    form::Timer Tick{"Tick", this};
};

/// Makes sure the application exists before any member widget or timer.
struct WithApp {
    WithApp() { App(); }
};

class BinderTest : public ::testing::Test, WithApp
{
  protected:
    BinderTest()
    {
        binder.OnWindowVisibility = [this](form::Window&, bool visible) { visibility.push_back(visible); };
        top = binder.Bind(form);
    }
    template <class W> W* WidgetOf(const form::Control& control)
    {
        return dynamic_cast<W*>(binder.WidgetOf(control));
    }

    QtUiThread ui;
    Form form;
    FormBinder binder{ui};
    QWidget* top = nullptr;
    std::vector<bool> visibility;
};

TEST_F(BinderTest, CreatesWidgetsAtTheirBounds)
{
    auto* tabs = WidgetOf<QTabWidget>(form.Pages);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), "Two");
    auto* go = WidgetOf<QPushButton>(form.Go);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->text(), "&Go");
    EXPECT_EQ(go->geometry(), QRect(10, 20, 75, 25));
    // Children live inside their tab's page.
    EXPECT_EQ(go->parentWidget(), tabs->widget(0));
    EXPECT_NE(WidgetOf<QCheckBox>(form.Bits), nullptr);
    EXPECT_NE(WidgetOf<QLineEdit>(form.Name), nullptr);
    EXPECT_NE(WidgetOf<LampWidget>(form.Led), nullptr);
    EXPECT_NE(WidgetOf<QTableView>(form.Log), nullptr);
    EXPECT_EQ(WidgetOf<QRadioButton>(form.Mode), nullptr); // a group of them
    EXPECT_EQ(binder.WidgetOf(form.Tick), nullptr);
    EXPECT_EQ(top->windowTitle(), "Main");
    EXPECT_EQ(top->size(), QSize(400, 300));
    EXPECT_FALSE(top->isVisible());
}

TEST_F(BinderTest, ModelChangesReachWidgets)
{
    form.Show();
    EXPECT_TRUE(top->isVisible());
    form.Go.SetCaption("Stop");
    form.Go.SetEnabled(false);
    form.Name.SetText("abc");
    form.Led.SetBrush(form::colours::kRed);
    form.Pages.SetActivePageIndex(1);
    form.Note.SetFontColour(form::colours::kBlue);
    form.SetAlpha(128);
    form.SetCaption("Renamed");

    EXPECT_EQ(WidgetOf<QPushButton>(form.Go)->text(), "Stop");
    EXPECT_FALSE(WidgetOf<QPushButton>(form.Go)->isEnabled());
    EXPECT_EQ(WidgetOf<QLineEdit>(form.Name)->text(), "abc");
    EXPECT_EQ(WidgetOf<LampWidget>(form.Led)->Colour(), QColor(255, 0, 0));
    EXPECT_EQ(WidgetOf<QTabWidget>(form.Pages)->currentIndex(), 1);
    EXPECT_EQ(WidgetOf<QLabel>(form.Note)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_NEAR(top->windowOpacity(), 128 / 255.0, 0.01);
    EXPECT_EQ(top->windowTitle(), "Renamed");
    form.Two.SetVisible(false);
    EXPECT_FALSE(WidgetOf<QTabWidget>(form.Pages)->isTabVisible(1));

    form.Hide();
    EXPECT_FALSE(top->isVisible());
    EXPECT_EQ(visibility, (std::vector<bool>{true, false}));
}

TEST_F(BinderTest, UserInputReachesTheModelOnce)
{
    int go = 0, bits = 0, mode = 0, name = 0, pages = 0;
    form.Go.OnClick = [&] { ++go; };
    form.Bits.OnClick = [&] { ++bits; };
    form.Mode.OnClick = [&] { ++mode; };
    form.Name.OnChange = [&] { ++name; };
    form.Pages.OnChange = [&] { ++pages; };
    form.Show();

    WidgetOf<QPushButton>(form.Go)->click();
    EXPECT_EQ(go, 1);

    WidgetOf<QCheckBox>(form.Bits)->click();
    EXPECT_TRUE(form.Bits.Checked());
    EXPECT_EQ(bits, 1);
    // The program's own change fires its event once and moves the widget without echo.
    form.Bits.SetChecked(false);
    EXPECT_EQ(bits, 2);
    EXPECT_FALSE(WidgetOf<QCheckBox>(form.Bits)->isChecked());

    auto radios = WidgetOf<QWidget>(form.Mode)->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 2);
    radios[1]->click();
    EXPECT_EQ(form.Mode.ItemIndex(), 1);
    EXPECT_EQ(mode, 1);
    form.Mode.SetItemIndex(0);
    EXPECT_TRUE(radios[0]->isChecked());
    EXPECT_EQ(mode, 2);

    auto* edit = WidgetOf<QLineEdit>(form.Name);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(edit, &press);
    EXPECT_EQ(form.Name.Text(), "x");
    EXPECT_EQ(name, 1);
    form.Name.SetText("typed by program");
    EXPECT_EQ(name, 2);
    EXPECT_EQ(edit->text(), "typed by program");

    WidgetOf<QTabWidget>(form.Pages)->setCurrentIndex(1);
    EXPECT_EQ(form.Pages.ActivePageIndex(), 1);
    EXPECT_EQ(pages, 1);
    form.Pages.SetActivePageIndex(0);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(WidgetOf<QTabWidget>(form.Pages)->currentIndex(), 0);
}

TEST_F(BinderTest, ListColumnsRowsColoursAndSelection)
{
    auto* view = WidgetOf<QTableView>(form.Log);
    EXPECT_TRUE(view->isColumnHidden(0));
    EXPECT_FALSE(view->isColumnHidden(1));
    EXPECT_TRUE(view->isColumnHidden(2));
    EXPECT_EQ(view->columnWidth(3), 250);
    form.Log.OnCustomDrawCell = [&](int row, int column) -> std::optional<form::Colour> {
        if (column == 3 && form.Log.Cell(row, 2) == "4") return form::colours::kRed;
        return std::nullopt;
    };
    form.Log.AddRow({"", "10:00:00", "4", "Error!"});
    form.Log.AddRow({"", "10:00:01", " ", "fine"});
    auto* model = view->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(0, 3)).toString(), "Error!");
    EXPECT_EQ(model->data(model->index(0, 3), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(model->data(model->index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
    EXPECT_EQ(model->data(model->index(1, 3), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
    EXPECT_EQ(model->data(model->index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHCenter,
              Qt::AlignHCenter);

    std::vector<int> selected;
    form.Log.OnSelectItem = [&](int row) { selected.push_back(row); };
    view->setCurrentIndex(model->index(1, 3));
    view->selectionModel()->select(model->index(1, 3),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_TRUE(form.Log.RowAt(1).selected);
    EXPECT_FALSE(form.Log.RowAt(0).selected);
    EXPECT_EQ(selected, std::vector<int>{1});

    form.Log.SelectAll();
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 2);
    EXPECT_EQ(selected, std::vector<int>{1}); // the program's selection fires nothing

    form.Log.ClearRows();
    EXPECT_EQ(model->rowCount(), 0);
    form.Log.AddRow({"", "t", " ", "again"});
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->data(model->index(0, 3)).toString(), "again");
}

TEST_F(BinderTest, FunctionKeysAndCloseBoxGoToTheWindow)
{
    std::vector<form::Key> keys;
    form.OnKeyDown = [&](form::Key key) {
        keys.push_back(key);
        return true;
    };
    int closes = 0;
    form.OnClose = [&] { ++closes; };
    form.Show();

    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(top, &f2);
    EXPECT_EQ(keys, std::vector<form::Key>{form::Key::F2});

    // An edit keeps its arrows; function keys still reach the window.
    auto* edit = WidgetOf<QLineEdit>(form.Name);
    edit->setFocus();
    QApplication::processEvents();
    if (QApplication::focusWidget() == edit) {
        QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(edit, &left);
        EXPECT_EQ(keys.size(), 1u);
        QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
        QApplication::sendEvent(edit, &f9);
        EXPECT_EQ(keys.back(), form::Key::F9);
    }

    top->close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(top->isVisible());
}

TEST_F(BinderTest, HintsFollowTheWindowSwitch)
{
    form.Go.SetHint("Start the scan");
    form.Go.SetCaption("Scan");
    auto* go = WidgetOf<QPushButton>(form.Go);
    EXPECT_EQ(go->toolTip(), "Start the scan");
    form.SetShowHints(false);
    EXPECT_EQ(go->toolTip(), "");
    form.SetShowHints(true);
    EXPECT_EQ(go->toolTip(), "Start the scan");
}

TEST_F(BinderTest, HexViewEditsBytesInPlaceUnlessReadOnly)
{
    const std::vector<uint8_t> zeros(512, 0);
    form.Hex.LoadData(zeros.data(), zeros.size());
    auto* hex = WidgetOf<HexViewWidget>(form.Hex);
    ASSERT_NE(hex, nullptr);
    int changes = 0, double_clicks = 0;
    form.Hex.OnChange = [&] { ++changes; };
    form.Hex.OnDblClick = [&] { ++double_clicks; };
    auto type = [hex](Qt::Key key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(hex, &press);
    };
    type(Qt::Key_Right);
    type(Qt::Key_Down);
    EXPECT_EQ(hex->Cursor(), 17);
    type(Qt::Key_D, "d");
    EXPECT_EQ(form.Hex.Data()[17], 0); // one digit is half a byte
    type(Qt::Key_E, "e");
    EXPECT_EQ(form.Hex.Data()[17], 0xDE);
    EXPECT_TRUE(form.Hex.Edited(17));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(hex->Cursor(), 18);
    type(Qt::Key_X, "x");
    type(Qt::Key_End);
    EXPECT_EQ(hex->Cursor(), 31);

    form.Hex.SetReadOnly(true);
    type(Qt::Key_1, "1");
    type(Qt::Key_2, "2");
    EXPECT_EQ(form.Hex.Data()[31], 0);
    EXPECT_EQ(changes, 1);

    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(hex->viewport(), &dbl);
    EXPECT_EQ(double_clicks, 1);
    // New bytes forget the edits.
    form.Hex.LoadData(zeros.data(), zeros.size());
    EXPECT_FALSE(form.Hex.Edited(17));
}

TEST_F(BinderTest, TimersFireOnTheQtLoop)
{
    int fired = 0;
    form.Tick.SetInterval(1);
    form.Tick.OnTimer = [&] {
        if (++fired == 3) form.Tick.SetActive(false);
    };
    form.Tick.SetActive(true);
    while (fired < 3)
        ui.ProcessMessages();
    EXPECT_EQ(fired, 3);
}

TEST(QtUiThread, WorkerHandOffsRunWhileTheUiThreadPumps)
{
    App();
    QtUiThread ui;
    EXPECT_TRUE(ui.IsUiThread());
    std::atomic<bool> done{false};
    int handed = 0; // touched only on the UI thread
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            ui.RunSync([&] { ++handed; });
        ui.Post([&] { ++handed; });
        done = true;
    });
    while (!done)
        ui.ProcessMessages();
    worker.join();
    ui.ProcessMessages();
    EXPECT_EQ(handed, 21);
}

TEST(QtDialogs, WindowsFiltersBecomeQtFilters)
{
    QString selected;
    EXPECT_EQ(ConvertFilter("Text (*.txt)|*.txt|All|*.*", 2, &selected), "Text (*.txt);;All (*.*)");
    EXPECT_EQ(selected, "All (*.*)");
    EXPECT_EQ(ConvertFilter("Binary|*.bin;*.dat", 7, &selected), "Binary (*.bin *.dat)");
    EXPECT_EQ(selected, "Binary (*.bin *.dat)");
    EXPECT_EQ(ConvertFilter("", 1, &selected), "");
    EXPECT_EQ(selected, "");
}

} // namespace
} // namespace mrv::qt
