// Every caption of every window fits its control in the font the program
// uses, so that no text is cut off.

#include "app/main_window.h"
#include "app/program.h"
#include "qt/offscreen_app.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_ui_thread.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace mrv::qt
{
namespace
{

namespace fs = std::filesystem;

std::string Describe(const std::string& name, const QWidget& widget, const QString& text, int needed)
{
    return name + " \"" + text.toStdString() + "\" needs " + std::to_string(needed) + " px, has " +
           std::to_string(widget.width());
}

// The width a control's caption needs, or 0 when it has none to check.
int NeededWidth(const QWidget& widget, QString& text)
{
    if (auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        text = box->text();
        return box->sizeHint().width();
    }
    if (auto* radio = qobject_cast<const QRadioButton*>(&widget)) {
        text = radio->text();
        return radio->sizeHint().width();
    }
    if (auto* button = qobject_cast<const QPushButton*>(&widget)) {
        text = button->text();
        // A push button's hint has a minimum width of its own; the caption
        // and the frame's margins are what must fit.
        return button->fontMetrics().horizontalAdvance(text) + 6;
    }
    if (auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->wordWrap() || label->textFormat() == Qt::RichText || !label->pixmap().isNull()) return 0;
        text = label->text();
        return label->fontMetrics().horizontalAdvance(text);
    }
    return 0;
}

TEST(CaptionFit, EveryCaptionFitsItsControl)
{
    SetUpApplication(OffscreenApp());
    std::string error;
    auto lab = DefaultLab(error);
    ASSERT_TRUE(lab) << error;
    Platform platform = lab->AsPlatform();
    const fs::path home = fs::temp_directory_path() / "mrv_qt_caption_fit";
    fs::remove_all(home);
    fs::create_directories(home);

    QtUiThread ui;
    QtDialogs dialogs([] { return nullptr; });
    Program program(platform, dialogs, ui, home);
    program.Start();
    FormBinder binder(ui);
    std::vector<std::string> cut;
    // The form's tree names the widgets; a radio group's buttons are its own.
    std::function<void(form::Control&)> walk = [&](form::Control& control) {
        if (QWidget* widget = binder.WidgetOf(control)) {
            QList<QWidget*> parts{widget};
            if (control.Kind() == form::ControlKind::RadioGroup) parts += widget->findChildren<QWidget*>();
            for (QWidget* part : parts) {
                QString text;
                const int needed = NeededWidth(*part, text);
                if (needed > part->width() && !text.trimmed().isEmpty())
                    cut.push_back(Describe(control.Name(), *part, text, needed));
            }
        }
        if (auto* box = dynamic_cast<form::Container*>(&control)) {
            for (form::Control* child : box->Children())
                walk(*child);
        }
    };
    for (form::Window* window : program.Windows()) {
        binder.Bind(*window);
        walk(*window);
    }
    EXPECT_TRUE(cut.empty()) << cut.size() << " captions are cut off, e.g.:\n"
                             << [&cut] {
                                    std::string list;
                                    for (const std::string& line : cut)
                                        list += "  " + line + "\n";
                                    return list;
                                }();
    program.Shutdown();
}

} // namespace
} // namespace mrv::qt
