#pragma once
// What the command layer needs from the program that owns it: a place for its
// log lines and a way to let the user interface breathe during long waits.

#include "util/log_sink.h"

#include <functional>

namespace mrv
{

struct DriveHost {
    /// Event-log lines of the layer (time-outs, devices that do not open).
    LogSink log;
    /// Lets the window's message queue run once; does nothing off the
    /// user-interface thread.
    std::function<void()> pump;

    void Log(const std::string& text, LogPlace place, LogLevel level) const
    {
        if (log) log(text, place, level);
    }
    void Pump() const
    {
        if (pump) pump();
    }
};

} // namespace mrv
