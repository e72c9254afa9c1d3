#pragma once
// A report of the drive on the bench, for the customer: the passport and the
// SMART table as the program shows them, written as JSON (for other tools;
// the keys are stable, see docs/report-schema.json) or as one self-contained
// HTML page (for people).

#include <optional>
#include <string>
#include <vector>

namespace mrv
{

struct PassportReportRow {
    std::string subject;
    std::string value;
    std::string comment;
};

struct SmartReportRow {
    std::string id;
    std::string name;
    std::string value;
    std::string worst;
    std::string threshold;
    std::string raw;
    std::string health;
};

struct DriveReport {
    /// "Morvanta 4.4".
    std::string program;
    /// Local time of the report, "YYYY-MM-DD HH:MM:SS".
    std::string generated;
    std::string model;
    std::string serial;
    std::string firmware;
    std::string capacity;
    /// Absent when no passport was taken.
    std::optional<std::vector<PassportReportRow>> passport;
    /// Absent when no SMART table was read.
    std::optional<std::vector<SmartReportRow>> smart;
};

/// The report as JSON (UTF-8, two-space indentation, keys in a fixed order).
std::string ReportJson(const DriveReport& report);
/// The report as one HTML page with its style inside.
std::string ReportHtml(const DriveReport& report);

} // namespace mrv
