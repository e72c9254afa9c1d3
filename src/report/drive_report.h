#pragma once
// A report of the drive on the bench, for the customer: the passport, the
// SMART table and the last surface scan as the program shows them, written as JSON (for other tools;
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

/// A surface scan's results as the window shows them.
struct ScanReport {
    /// "no warnings, no errors" or "Warnings - 1, errors - 2".
    std::string summary;
    /// The scan's start line ("Starting surface scan, LBA=0..976773167, …").
    std::string started;
    /// The six timing classes: their labels ("5", "20", …, ">") and counts.
    std::vector<std::string> class_labels;
    std::vector<uint64_t> class_counts;
    uint64_t errors = 0;
    /// The warnings and defects the scan logged, in order.
    std::vector<std::string> defects;
    /// The grid and the speed graph as PNG files' bytes (empty when absent).
    std::string grid_png;
    std::string graph_png;
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
    /// Absent when no scan ran.
    std::optional<ScanReport> scan;
};

/// The bytes as base64 (for pictures inside JSON and HTML).
std::string Base64(const std::string& bytes);

/// The report as JSON (UTF-8, two-space indentation, keys in a fixed order).
std::string ReportJson(const DriveReport& report);
/// The report as one HTML page with its style inside.
std::string ReportHtml(const DriveReport& report);

} // namespace mrv
