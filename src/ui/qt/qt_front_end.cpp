#include "ui/qt/qt_front_end.h"

#include "app/program.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_ui_thread.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QStyleFactory>
#include <iostream>

namespace mrv::qt
{

void SetUpApplication(QApplication& app)
{
    if (QStyle* style = QStyleFactory::create("Fusion")) app.setStyle(style);
    // The layout was drawn for a narrow 8-point font; Debian's condensed DejaVu
    // keeps every caption whole (a test measures them all).
    QFont font("DejaVu Sans Condensed");
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
    // Tighter check marks leave the captions more room.
    app.setStyleSheet("QCheckBox, QRadioButton { spacing: 3px; }");
    app.setApplicationName("Morvanta");
    app.setQuitOnLastWindowClosed(false);
}

void ReportStartError(const std::string& text)
{
    std::cerr << text << std::endl;
    QMessageBox::critical(nullptr, "Morvanta", QString::fromStdString(text));
}

int RunQtProgram(Platform& platform, const std::filesystem::path& home)
{
    return RunQtProgram(platform, ProgramFolders::Beside(home));
}

int RunQtProgram(Platform& platform, const ProgramFolders& folders)
{
    QtUiThread ui;
    FormBinder* binder = nullptr;
    QtDialogs dialogs([&binder]() -> QWidget* { return binder ? binder->MainWidget() : nullptr; });
    Program program(platform, dialogs, ui, folders);
    program.OnApplicationTitleChanged = [&program] {
        QApplication::setApplicationDisplayName(QString::fromStdString(program.ApplicationTitle()).trimmed());
    };
    program.Start();
    {
        FormBinder bound(ui);
        binder = &bound;
        std::vector<form::Window*> windows = program.Windows();
        form::Window* main = windows.empty() ? nullptr : windows.front();
        bool closed = false;
        bound.OnWindowVisibility = [main, &closed](form::Window& window, bool visible) {
            if (&window == main && !visible) {
                closed = true;
                QApplication::quit();
            }
        };
        for (form::Window* window : windows)
            bound.Bind(*window);
        if (main && !main->Visible()) main->Show();
        if (main && !closed) QApplication::exec();
        // The main window's destruction: workers stop, settings are written.
        program.Shutdown();
        binder = nullptr;
    }
    return 0;
}

} // namespace mrv::qt
