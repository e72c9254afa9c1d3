#pragma once
// The whole program: its windows, its state and its subsystems, on a given
// platform and front end. Front ends create one Program, call Start(), show
// Windows(), feed user input into the controls and call Shutdown() when the
// main window has closed.

#include "form/controls.h"
#include "form/dialogs.h"
#include "form/ui_thread.h"
#include "platform/platform.h"
#include "util/program_folders.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mrv
{

struct TFm;
class ProgramImpl;

class Program
{
  public:
    /// `home_dir` stands for the executable's directory (settings, logs, help).
    Program(Platform& platform, form::Dialogs& dialogs, form::UiThread& ui, std::filesystem::path home_dir);
    Program(Platform& platform, form::Dialogs& dialogs, form::UiThread& ui, ProgramFolders folders);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    /// Program entry: creates the windows in their order and runs the main
    /// window's creation sequence. Only the main window is shown afterwards.
    void Start();
    /// The windows in creation order, the main window first.
    std::vector<form::Window*> Windows();
    TFm& Main();

    /// The application's title (the task-bar text).
    const std::string& ApplicationTitle() const;
    std::function<void()> OnApplicationTitleChanged;
    /// Every event-log line as it is written (`replaced`: it overwrote the last line).
    std::function<void(int level, const std::string& text, bool replaced)> OnLogLine;

    /// Main-window destruction: stops the workers and writes the settings. Runs once.
    void Shutdown();

    ProgramImpl& Impl() { return *impl_; }

  private:
    std::unique_ptr<ProgramImpl> impl_;
};

} // namespace mrv
