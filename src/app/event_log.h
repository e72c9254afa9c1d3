#pragma once
// The event log: the list panel at the bottom of the main window, its file
// mirror, its context menu and the "Eventlog" window with the file's tail.

#include "util/log_sink.h"

#include <filesystem>
#include <string>
#include <vector>

namespace mrv
{

class ProgramImpl;

class EventLog
{
  public:
    explicit EventLog(ProgramImpl& program);

    /// Adds a line, or overwrites the last one (`replace`), with a level:
    /// 4 errors and warnings, 3 notices, 2 success, 0/1 plain.
    void LogLine(const std::string& text, bool replace, int level);

    /// Fixes the log file (logs directory + log file name) at start; lines
    /// logged before it was known are appended to it then.
    void SetLogFilePath(const std::filesystem::path& path);
    std::filesystem::path LogFilePath;
    std::string LastFileLine;

    void SelectAllStrings();
    void CopySelectedText();
    void PrepareCopyValue();
    void CopyValue();
    void SaveLogToFile();
    void ClearLog();
    void ClearFileBtnClick();
    void ShowLog();

    /// The first run of decimal digits in a text, empty when none.
    static std::string FirstDigitRun(const std::string& text);
    /// Removes characters below 0x20 and those a file name may not hold.
    static std::string CleanFileName(const std::string& name);

  private:
    void Wire();
    std::string TimeText();
    void AppendToFile(const std::string& line);
    std::vector<std::string> early_lines_;
    ProgramImpl& p_;
};

} // namespace mrv
