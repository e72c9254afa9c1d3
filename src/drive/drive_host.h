#pragma once
// What the command layer needs from the program that owns it: a place for its
// log lines and ways to let the user interface breathe during long waits and
// requests that block in the system.

#include "util/log_sink.h"

#include <functional>
#include <utility>

namespace mrv
{

struct DriveHost {
    /// Event-log lines of the layer (time-outs, devices that do not open).
    LogSink log;
    /// Lets the window's message queue run once; does nothing off the
    /// user-interface thread.
    std::function<void()> pump;
    /// Runs a request that blocks in the system until the drive answers; on
    /// the user-interface thread the window's messages run meanwhile.
    std::function<void(const std::function<void()>&)> run_blocking;
    /// True on the user-interface thread.
    std::function<bool()> on_ui_thread;

    void Log(const std::string& text, LogPlace place, LogLevel level) const
    {
        if (log) log(text, place, level);
    }
    void Pump() const
    {
        if (pump) pump();
    }
    /// `work` at once off the user-interface thread (no allocation there), or
    /// through `run_blocking` on it.
    template <typename Work> void RunBlocking(Work&& work) const
    {
        if (run_blocking && on_ui_thread && on_ui_thread())
            run_blocking(std::function<void()>(std::forward<Work>(work)));
        else
            work();
    }
};

} // namespace mrv
