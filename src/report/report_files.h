#pragma once
// Saving the report of the drive on the bench: from the passport's and the
// SMART table's pop-up menus, and from the console (`save report PATH`).

#include "report/drive_report.h"

#include <filesystem>
#include <string>

namespace mrv
{

class ProgramImpl;

class ReportFiles
{
  public:
    explicit ReportFiles(ProgramImpl& program) : p_(program) {}

    /// The report of what the window shows now.
    DriveReport Collect() const;
    /// Writes the report to `path`: JSON for ".json", HTML for ".html" or
    /// ".htm"; for ".png" the scan's grid picture, and its speed graph beside
    /// it as "<name>-graph.png". False with `error` set for another ending,
    /// a picture without a scan, or a failed write.
    bool Save(const std::filesystem::path& path, std::string& error) const;
    /// The pop-up menus' "Save report...": asks for the file, saves it and
    /// logs the outcome.
    void SaveWithDialog();

  private:
    ProgramImpl& p_;
};

} // namespace mrv
