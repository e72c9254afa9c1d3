#pragma once
// Runs a parsed script of user actions against a set of windows: clicks, typed
// values, keys, queued dialog answers, waits on the user-interface loop, and
// the prints and expectations that make a script a test.

#include "form/controls.h"
#include "ui/console/console_dialogs.h"
#include "ui/console/console_ui_thread.h"
#include "ui/console/script.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace mrv::console
{

/// Exit codes of a script run.
enum ScriptResult { kScriptOk = 0, kExpectFailed = 1, kScriptError = 2 };

struct ScriptHost {
    /// The windows in creation order, the main window first.
    std::function<std::vector<form::Window*>()> windows;
    /// True while a scan or seek test runs; empty means never busy.
    std::function<bool()> busy;
    /// Main-window destruction (stops workers, writes settings).
    std::function<void()> shutdown;
    /// Writes the drive report to a file; false with the reason set.
    std::function<bool(const std::string& path, std::string& error)> save_report;
};

class ScriptRunner
{
  public:
    ScriptRunner(ConsoleUiThread& ui, ConsoleDialogs& dialogs, ScriptHost host, std::ostream& out,
                 std::ostream& err);

    /// Prints a log line and remembers it for expectlog; wire to Program::OnLogLine.
    void OnLogLine(int level, const std::string& text, bool replaced);
    /// Runs the commands; stops at the first failure or at `quit`.
    ScriptResult Run(const std::vector<Command>& commands);
    /// True once `quit` has closed the main window and shut down.
    bool ShutDown() const { return shut_down_; }

    /// Longest `waitidle` without an explicit limit, in clock milliseconds.
    static constexpr uint64_t kDefaultIdleLimitMs = 600000;

  private:
    struct Failure {
        ScriptResult result;
        std::string message;
    };
    /// Throws Failure; caught in Run, never leaves this class.
    [[noreturn]] void Fail(ScriptResult result, const std::string& message);

    void Execute(const Command& cmd);
    form::Control& Resolve(const Word& name);
    /// A user can act only on a control that is on screen and enabled.
    void RequireUsable(form::Control& control, const Word& name);
    form::Window& MainWindow();

    void Click(form::Control& control, const Word& name);
    /// A click on the header of a list column (the device list reads the drives again).
    void ClickColumn(form::Control& control, const Word& name, long long column);
    void Set(form::Control& control, const Word& name, const std::string& value);
    void Print(const Word& name);
    void Expect(const Word& name, const std::string& key, const std::string& value);
    /// The pointer rests on a grid cell or a graph point.
    void Hover(form::Control& control, const Word& name, long long first, long long second);
    void Menu(form::Control& control, const Word& name, const std::string& item);
    void SetBytes(form::HexView& view, const Word& name, const std::string& value);
    void Quit();

    ConsoleUiThread& ui_;
    ConsoleDialogs& dialogs_;
    ScriptHost host_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<std::string> log_;
    bool shut_down_ = false;
};

} // namespace mrv::console
