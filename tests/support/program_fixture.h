#pragma once
// A started Program for tests: a deterministic user-interface thread (the
// test's own), scripted dialogs, a temporary home directory and the log lines
// collected as they are written.

#include "app/program.h"
#include "app/program_impl.h"
#include "form/dialogs.h"
#include "form/hand_off_queue.h"
#include "form/timer_pump.h"
#include "form/ui_thread.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace mrv::test
{

/// The longest time the user-interface thread went without turning to its
/// messages: a click's handler, a timer or a hand-off that waits long for the
/// drive stalls the window; one that lets messages run meanwhile does not. On
/// the virtual PC's clock only the time the thread itself moves (its own polls
/// and sleeps) counts, since a worker's sleep moves the shared clock at once;
/// a wait for a worker to end is not seen there.
class UiStallMeter
{
  public:
    explicit UiStallMeter(Clock& clock);
    /// The thread takes up a piece of work now.
    void Begin() { last_ns_ = now_ns_(); }
    /// The thread turns to its messages (or ends the piece of work) now.
    void Beat()
    {
        const uint64_t now = now_ns_();
        if (now - last_ns_ > longest_ns_) {
            longest_ns_ = now - last_ns_;
            if (mark) longest_mark_ = mark();
        }
        last_ns_ = now;
    }
    uint64_t LongestMs() const { return longest_ns_ / 1000000; }
    void Reset() { longest_ns_ = 0; }
    /// Where the longest stall ended, as `mark` told it then (e.g. the log's length).
    size_t LongestMark() const { return longest_mark_; }
    std::function<size_t()> mark;

  private:
    std::function<uint64_t()> now_ns_;
    uint64_t last_ns_ = 0;
    uint64_t longest_ns_ = 0;
    size_t longest_mark_ = 0;
};

/// The test's thread is the user-interface thread; workers hand off to it and
/// wait until the test lets messages run.
class TestUiThread : public form::UiThread
{
  public:
    TestUiThread() : ui_thread_(std::this_thread::get_id()) {}
    void ProcessMessages() override;
    void KeepAlive() override;
    void RunSync(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    bool IsUiThread() const override { return std::this_thread::get_id() == ui_thread_; }
    int process_calls = 0;
    /// Told each time the program lets messages run; none by default.
    UiStallMeter* stall_meter = nullptr;

  private:
    std::thread::id ui_thread_;
    form::HandOffQueue hand_offs_;
};

class ScriptedDialogs : public form::Dialogs
{
  public:
    std::deque<bool> yes_no_answers;
    std::deque<std::optional<std::string>> file_answers;
    std::vector<std::string> asked; ///< every box and dialog, in order
    std::string clipboard;

    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void ShowMessage(const std::string& text) override { asked.push_back("message: " + text); }
    std::optional<std::string> OpenFile(const form::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const form::FileDialogRequest& request) override;
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    std::string ClipboardText() override { return clipboard; }
};

struct LogEntry {
    int level;
    std::string text;
    bool replaced;
};

/// A temporary directory removed when the object goes.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class ProgramFixture
{
  public:
    /// `home`: the directory standing for the executable's; a fresh temporary one when empty.
    explicit ProgramFixture(Platform& platform, std::filesystem::path home = {});
    ~ProgramFixture();

    /// Starts the program and lets the message loop take its first turn, as
    /// the real loop does before the user can click anything: the start-up's
    /// posted work (the API device list) is done then.
    void Start()
    {
        program->Start();
        ui.ProcessMessages();
    }
    /// Lets timers and hand-offs run for `ms` of the platform's clock.
    void Run(uint32_t ms);
    /// Runs `work` (a click, a key) on the user-interface thread as one piece of
    /// work for the stall meter.
    void Measure(const std::function<void()>& work);
    /// The main window closes and the settings are written.
    void Quit();

    ProgramImpl& impl() { return program->Impl(); }
    TFm& fm() { return program->Main(); }
    const std::filesystem::path& home() const { return home_; }

    /// True when some log line so far contains `text`.
    bool Logged(const std::string& text) const;
    /// The texts of the log lines as they stand in the panel now.
    std::vector<std::string> PanelTexts();
    std::vector<std::string> LoggedTexts() const;

    TestUiThread ui;
    ScriptedDialogs dialogs;
    std::vector<LogEntry> log;
    std::unique_ptr<Program> program;
    UiStallMeter stalls;

  private:
    std::optional<TempDir> temp_;
    std::filesystem::path home_;
    Platform& platform_;
    form::TimerPump timers_;
};

} // namespace mrv::test
