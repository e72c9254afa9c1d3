#pragma once
// How a layer below the program reports a step to the event log, without
// knowing the log.

#include <functional>
#include <string>

namespace mrv
{

/// Event-log levels and their colours: 0 and 1 black, 2 green, 3 dark red, 4 red.
enum LogLevel : int {
    kLogNone = 0,
    kLogInfo = 1,
    kLogSuccess = 2,
    kLogNotice = 3,
    kLogError = 4,
};

/// Whether a line is added or overwrites the last one (progress lines: "..."
/// followed by the same text with " OK" or " Error").
enum LogPlace : bool {
    kNewLine = false,
    kReplaceLast = true,
};

using LogSink = std::function<void(const std::string& text, LogPlace place, LogLevel level)>;

} // namespace mrv
