#pragma once
// The program without a window for the whole-run benchmarks: a user-interface
// thread that is the benchmark's own, dialogs that answer yes, and a loop that
// runs hand-offs and timers until the scan's worker has ended.

#include "app/program.h"
#include "app/program_impl.h"
#include "form/hand_off_queue.h"
#include "form/timer_pump.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace mrv::bench
{

inline uint64_t SteadyUs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

class BenchUi : public form::UiThread
{
  public:
    void ProcessMessages() override
    {
        if (IsUiThread()) queue.RunPending();
    }
    void KeepAlive() override { ProcessMessages(); }
    void RunSync(const std::function<void()>& fn) override
    {
        if (IsUiThread())
            fn();
        else
            queue.RunSync(fn);
    }
    void Post(std::function<void()> fn) override { queue.Post(std::move(fn)); }
    bool IsUiThread() const override { return std::this_thread::get_id() == id; }

    std::thread::id id = std::this_thread::get_id();
    form::HandOffQueue queue;
};

class YesDialogs : public form::Dialogs
{
  public:
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> OpenFile(const form::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const form::FileDialogRequest&) override { return std::nullopt; }
    void SetClipboardText(const std::string&) override {}
    std::string ClipboardText() override { return {}; }
};

/// Runs the user-interface thread's work until the scan's worker has ended;
/// returns the longest time one turn of the loop took, in microseconds.
inline uint64_t RunUntilScanEnds(Program& program, BenchUi& ui)
{
    form::TimerPump timers;
    for (form::Window* window : program.Windows())
        timers.AddWindow(window);
    ProgramImpl& p = program.Impl();
    uint64_t longest = 0;
    while (p.scan_worker && p.scan_worker->Running()) {
        const uint64_t before = SteadyUs();
        ui.queue.RunPending();
        timers.RunDue(before / 1000);
        longest = std::max(longest, SteadyUs() - before);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return longest;
}

} // namespace mrv::bench
