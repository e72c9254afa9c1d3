#include "report/report_files.h"

#include "app/program_impl.h"

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

std::string Lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}
} // namespace

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
    return r;
}

bool ReportFiles::Save(const std::filesystem::path& path, std::string& error) const
{
    const std::string ending = Lowercase(path.extension().string());
    std::string text;
    if (ending == ".json") {
        text = ReportJson(Collect());
    } else if (ending == ".html" || ending == ".htm") {
        text = ReportHtml(Collect());
    } else {
        error = "Error! A report is saved as .json or .html, not '" + path.filename().string() + "'";
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
        error = "Error! Can't write file " + path.string();
        return false;
    }
    return true;
}

void ReportFiles::SaveWithDialog()
{
    form::FileDialogRequest request;
    request.title = "Save report";
    request.initial_dir = p_.LogsDir().string();
    request.filter = "HTML report (*.html)|*.html|JSON report (*.json)|*.json";
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
