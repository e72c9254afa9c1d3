#include "report/report_files.h"

#include "app/program_impl.h"
#include "report/png_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

namespace mrv
{
namespace
{
std::string WithoutPrefix(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

std::string PanelText(const form::StatusBar& bar, int pane)
{
    const auto& panels = bar.Panels();
    return pane < static_cast<int>(panels.size()) ? panels[static_cast<size_t>(pane)].text : std::string();
}

// Marks worst first: errors and actions, then the slow classes down to the fastest.
int Severity(char mark)
{
    if (mark == 0) return 0;
    if (mark >= '1' && mark <= '6') return mark - '0';
    return 7;
}

/// The grid as a picture: a square of up to 16×16 pixels a cell while the
/// picture stays small; a long scan merges rows (the worst mark of a merged cell wins), so
/// that 150 million blocks still give a picture of about a million pixels.
std::string GridPicture(const form::BlockGrid& grid)
{
    const uint64_t used = grid.UsedCells();
    const int columns = grid.ColCount();
    if (used == 0 || columns <= 0) return {};
    const uint64_t rows = (used + static_cast<uint64_t>(columns) - 1) / static_cast<uint64_t>(columns);
    constexpr uint64_t kPixels = 1'000'000;
    // Cells as large as a readable picture allows: 4 to 16 pixels, about
    // 640 pixels wide in all.
    int cell = std::clamp(640 / columns, 4, 16);
    while (cell > 1 && rows * static_cast<uint64_t>(columns) * static_cast<uint64_t>(cell * cell) > kPixels)
        cell /= 2;
    const uint64_t merge = std::max<uint64_t>(1, rows * static_cast<uint64_t>(columns) / kPixels + 1);
    const uint64_t picture_rows = (rows + merge - 1) / merge;
    RgbImage image(columns * cell, static_cast<int>(picture_rows) * cell);
    for (uint64_t prow = 0; prow < picture_rows; ++prow) {
        for (int column = 0; column < columns; ++column) {
            char worst = 0;
            for (uint64_t row = prow * merge; row < std::min(rows, (prow + 1) * merge); ++row) {
                const char mark = grid.Mark(row, column);
                if (Severity(mark) > Severity(worst)) worst = mark;
            }
            const form::Colour colour = form::BlockGrid::MarkColour(worst);
            for (int dy = 0; dy < cell; ++dy)
                for (int dx = 0; dx < cell; ++dx)
                    image.Set(column * cell + dx, static_cast<int>(prow) * cell + dy, colour.r, colour.g,
                              colour.b);
        }
    }
    return EncodePng(image);
}

std::string CanvasPicture(const form::Canvas& canvas)
{
    RgbImage image(canvas.Width(), canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const form::Colour c = canvas.PixelAt(x, y);
            image.Set(x, y, c.r, c.g, c.b);
        }
    }
    return EncodePng(image);
}

uint64_t Count(const form::Label& label)
{
    uint64_t n = 0;
    for (char c : label.Caption())
        if (c >= '0' && c <= '9') n = n * 10 + static_cast<uint64_t>(c - '0');
    return n;
}

/// The scan's part of the log: from its last start line to its results line.
std::optional<ScanReport> ScanFromWindow(const TFm& fm)
{
    if (fm.Grid.UsedCells() == 0) return std::nullopt;
    const form::ListView& log = fm.StringLog;
    int start = -1;
    for (int row = log.RowCount() - 1; row >= 0 && start < 0; --row) {
        const std::string text = log.Cell(row, 3);
        if (text.rfind("Starting ", 0) == 0 && text.find(", LBA=") != std::string::npos) start = row;
    }
    ScanReport scan;
    const std::string kResults = "***** Scan results: ";
    for (int row = std::max(start, 0); row < log.RowCount(); ++row) {
        const std::string text = log.Cell(row, 3);
        if (row == start) {
            scan.started = text;
        } else if (text.rfind(kResults, 0) == 0) {
            scan.summary = text.substr(kResults.size());
            const size_t stars = scan.summary.rfind(" *****");
            if (stars != std::string::npos) scan.summary.erase(stars);
        } else if (start >= 0 && (log.Cell(row, 2) == "3" || log.Cell(row, 2) == "4")) {
            scan.defects.push_back(text);
        }
    }
    for (const form::Label* label : {&fm.scTim5, &fm.scTim20, &fm.scTim50, &fm.scTim200, &fm.scTim600})
        scan.class_labels.push_back(label->Caption());
    scan.class_labels.push_back(">");
    for (const form::Label* label :
         {&fm.Tim1Lab, &fm.Tim2Lab, &fm.Tim3Lab, &fm.Tim4Lab, &fm.Tim5Lab, &fm.Tim6Lab})
        scan.class_counts.push_back(Count(*label));
    scan.errors = Count(fm.ErLab);
    scan.grid_png = GridPicture(fm.Grid);
    scan.graph_png = CanvasPicture(fm.GF);
    return scan;
}

std::string Lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}
} // namespace

static bool WriteFile(const std::filesystem::path& path, const std::string& bytes, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.flush();
    if (!out) {
        error = "Error! Can't write file " + path.string();
        return false;
    }
    return true;
}

DriveReport ReportFiles::Collect() const
{
    const TFm& fm = p_.fm;
    DriveReport r;
    r.program = p_.owner.ApplicationTitle();
    while (!r.program.empty() && r.program.back() == ' ')
        r.program.pop_back();
    const LocalDateTime now = p_.platform.clock.Now();
    char generated[32];
    std::snprintf(generated, sizeof generated, "%04d-%02d-%02d %s", now.year % 10000, now.month % 100,
                  now.day % 100, now.TimeText().c_str());
    r.generated = generated;

    if (fm.Psp.RowCount() > 0) {
        r.model = PanelText(fm.StatusBar1, HDPn1);
        r.serial = WithoutPrefix(PanelText(fm.StatusBar1, HdPn2), "SN: ");
        r.firmware = WithoutPrefix(PanelText(fm.StatusBar1, HdPn3), "Fw: ");
        r.capacity = PanelText(fm.StatusBar1, HdPn4);
        std::vector<PassportReportRow> rows;
        for (int i = 0; i < fm.Psp.RowCount(); ++i)
            rows.push_back({fm.Psp.Cell(i, 1), fm.Psp.Cell(i, 2), fm.Psp.Cell(i, 3)});
        r.passport = std::move(rows);
    }
    if (fm.SmartList.RowCount() > 0) {
        std::vector<SmartReportRow> rows;
        const form::ListView& list = fm.SmartList;
        for (int i = 0; i < list.RowCount(); ++i) {
            rows.push_back({list.Cell(i, 1), list.Cell(i, 2), list.Cell(i, 3), list.Cell(i, 4),
                            list.Cell(i, 5), list.Cell(i, 6), list.Cell(i, 7)});
        }
        r.smart = std::move(rows);
    }
    r.scan = ScanFromWindow(fm);
    return r;
}

bool ReportFiles::Save(const std::filesystem::path& path, std::string& error) const
{
    const std::string ending = Lowercase(path.extension().string());
    const DriveReport report = Collect();
    if (ending == ".json") return WriteFile(path, ReportJson(report), error);
    if (ending == ".html" || ending == ".htm") return WriteFile(path, ReportHtml(report), error);
    if (ending == ".png") {
        // The grid goes to the file named, the speed graph beside it.
        if (!report.scan) {
            error = "Error! No scan to picture";
            return false;
        }
        std::filesystem::path graph = path;
        graph.replace_filename(path.stem().string() + "-graph.png");
        return WriteFile(path, report.scan->grid_png, error) &&
               WriteFile(graph, report.scan->graph_png, error);
    }
    error = "Error! A report is saved as .json, .html or .png, not '" + path.filename().string() + "'";
    return false;
}

void ReportFiles::SaveWithDialog()
{
    form::FileDialogRequest request;
    request.title = "Save report";
    request.initial_dir = p_.LogsDir().string();
    request.filter = "HTML report (*.html)|*.html|JSON report (*.json)|*.json|Scan pictures (*.png)|*.png";
    request.filter_index = 1;
    request.file_name = "report.html";
    const auto path = p_.dialogs.SaveFile(request);
    if (!path) return;
    std::string error;
    if (Save(*path, error)) {
        p_.LogLine("Report saved to " + *path, false, kLogSuccess);
    } else {
        p_.LogLine(error, false, kLogError);
    }
}

} // namespace mrv
